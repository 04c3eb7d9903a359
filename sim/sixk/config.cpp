#include "sim/sixk/config.h"

#include <cctype>

namespace helx::sim::sixk {

namespace {

void read(const nlohmann::json& j, const char* key, double& value) {
  auto it = j.find(key);
  if (it != j.end() && it->is_number()) value = it->get<double>();
}

void readPositive(const nlohmann::json& j, const char* key, double& value) {
  double v = value;
  read(j, key, v);
  if (v > 0.0) value = v;
}

}  // namespace

ControllerConfig controllerConfigFrom(const nlohmann::json& section) {
  ControllerConfig c = defaultControllerConfig();
  if (!section.is_object()) return c;
  readPositive(section, "hatchSeconds", c.hatchSeconds);
  if (auto it = section.find("revision"); it != section.end() && it->is_string())
    c.revision = it->get<std::string>();
  if (auto it = section.find("axes"); it != section.end() && it->is_array()) {
    for (std::size_t i = 0; i < 4 && i < it->size(); ++i) {
      const auto& a = (*it)[i];
      if (!a.is_object()) continue;
      AxisConfig& x = c.axes[i];
      readPositive(a, "velocity", x.velocity);
      readPositive(a, "acceleration", x.acceleration);
      readPositive(a, "limitDeceleration", x.limitDeceleration);
      readPositive(a, "homeVelocity", x.homeVelocity);
      readPositive(a, "homeFinalVelocity", x.homeFinalVelocity);
      read(a, "positiveLimit", x.positiveLimit);
      read(a, "negativeLimit", x.negativeLimit);
      read(a, "start", x.start);
    }
  }
  if (auto it = section.find("programs"); it != section.end() && it->is_object()) {
    for (auto& [name, lines] : it->items()) {
      if (!lines.is_array()) continue;
      std::string upper;
      for (char ch : name) upper += static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
      std::vector<std::string> program;
      for (const auto& l : lines)
        if (l.is_string()) program.push_back(l.get<std::string>());
      c.programs[upper] = std::move(program);
    }
  }
  return c;
}

}  // namespace helx::sim::sixk
