#include "sim/common/sim_log.h"

#include "platform/os/clock.h"
#include "sim/common/settings.h"

namespace helx::sim {

SimLog& SimLog::instance() {
  static SimLog& log = *new SimLog;  // never destroyed: threads may outlive main
  return log;
}

SimLog::SimLog() { reopen(); }

SimLog::~SimLog() {
  if (file_) std::fclose(file_);
}

void SimLog::reopen() {
  auto path = Settings::instance().get<std::string>("log", "path", "sim.log");
  auto limit = Settings::instance().get<long long>("log", "memory_bytes",
                                                   static_cast<long long>(kDefaultMemoryBytes));
  std::lock_guard lock(mutex_);
  if (file_) std::fclose(file_);
  file_ = nullptr;
  if (!path.empty()) file_ = std::fopen(path.c_str(), "a");
  memoryLimit_ = limit > 0 ? static_cast<std::size_t>(limit) : 0;
  trim();
}

void SimLog::write(const std::string& device, const std::string& event, nlohmann::json fields) {
  nlohmann::json line = nlohmann::json::object();
  line["t"] = os::Clock::instance().seconds();
  line["dev"] = device;
  line["ev"] = event;
  if (fields.is_object())
    for (auto& [k, v] : fields.items()) line[k] = v;
  std::string text = line.dump();
  std::lock_guard lock(mutex_);
  if (file_) {
    std::fputs(text.c_str(), file_);
    std::fputc('\n', file_);
    std::fflush(file_);
  }
  bytes_ += text.size();
  lines_.push_back({device, std::move(text)});
  trim();
}

void SimLog::trim() {
  while (bytes_ > memoryLimit_ && !lines_.empty()) {
    bytes_ -= lines_.front().text.size();
    lines_.pop_front();
    ++dropped_;
  }
}

std::vector<nlohmann::json> SimLog::entries(const std::string& device) const {
  std::vector<std::string> texts;
  {
    std::lock_guard lock(mutex_);
    for (const auto& l : lines_)
      if (device.empty() || l.device == device) texts.push_back(l.text);
  }
  // Read back outside the lock: the simulators go on writing meanwhile.
  std::vector<nlohmann::json> out;
  out.reserve(texts.size());
  for (const auto& text : texts) out.push_back(nlohmann::json::parse(text));
  return out;
}

std::size_t SimLog::dropped() const {
  std::lock_guard lock(mutex_);
  return dropped_;
}

void SimLog::clear() {
  std::lock_guard lock(mutex_);
  lines_.clear();
  bytes_ = 0;
  dropped_ = 0;
}

}  // namespace helx::sim
