#include "sim/common/sim_log.h"

#include "platform/os/clock.h"
#include "sim/common/settings.h"

namespace helx::sim {

namespace {
// Keeps memory bounded over a long demo night; tests read far fewer.
constexpr std::size_t kMaxEntries = 1'000'000;
}  // namespace

SimLog& SimLog::instance() {
  static SimLog& log = *new SimLog;  // never destroyed: threads may outlive main
  return log;
}

SimLog::SimLog() { reopen(); }

SimLog::~SimLog() {
  if (file_) std::fclose(file_);
}

void SimLog::reopen() {
  std::lock_guard lock(mutex_);
  if (file_) std::fclose(file_);
  file_ = nullptr;
  auto path = Settings::instance().get<std::string>("log", "path", "sim.log");
  if (!path.empty()) file_ = std::fopen(path.c_str(), "a");
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
  if (entries_.size() < kMaxEntries) entries_.push_back(std::move(line));
}

std::vector<nlohmann::json> SimLog::entries(const std::string& device) const {
  std::lock_guard lock(mutex_);
  if (device.empty()) return entries_;
  std::vector<nlohmann::json> out;
  for (auto& e : entries_)
    if (e["dev"] == device) out.push_back(e);
  return out;
}

void SimLog::clear() {
  std::lock_guard lock(mutex_);
  entries_.clear();
}

}  // namespace helx::sim
