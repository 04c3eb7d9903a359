#include "sim/common/settings.h"

#include <cstdio>
#include <fstream>

namespace helx::sim {

Settings& Settings::instance() {
  static Settings& settings = *new Settings;  // never destroyed: threads may outlive main
  return settings;
}

Settings::Settings() { load("sim.json"); }

void Settings::load(const std::string& path) {
  nlohmann::json document = nlohmann::json::object();
  std::ifstream in(path);
  if (in) {
    try {
      document = nlohmann::json::parse(in);
      if (!document.is_object())
        throw nlohmann::json::type_error::create(302, "not an object", nullptr);
    } catch (const nlohmann::json::exception& e) {
      std::fprintf(stderr, "sim: %s ignored: %s\n", path.c_str(), e.what());
      document = nlohmann::json::object();
    }
  }
  set(std::move(document));
}

void Settings::set(nlohmann::json document) {
  std::lock_guard lock(mutex_);
  document_ = document.is_object() ? std::move(document) : nlohmann::json::object();
}

nlohmann::json Settings::section(const std::string& device) const {
  std::lock_guard lock(mutex_);
  auto it = document_.find(device);
  if (it == document_.end() || !it->is_object()) return nlohmann::json::object();
  return *it;
}

}  // namespace helx::sim
