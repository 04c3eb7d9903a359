#include "sim/common/faults.h"

#include "platform/os/clock.h"

namespace helx::sim {

void FaultPlan::configure(const nlohmann::json& faults) {
  std::lock_guard lock(mutex_);
  faults_.clear();
  if (!faults.is_object()) return;
  for (auto& [name, spec] : faults.items()) {
    if (!spec.is_object()) continue;
    Fault f;
    f.remaining = spec.value("times", -1);
    f.after = spec.value("after", 0.0);
    if (spec.contains("code") && spec["code"].is_number_integer())
      f.code = spec["code"].get<long>();
    faults_[name] = f;
  }
}

void FaultPlan::inject(const std::string& name, int times, double after, std::optional<long> code) {
  std::lock_guard lock(mutex_);
  faults_[name] = Fault{times, after, code};
}

void FaultPlan::clear() {
  std::lock_guard lock(mutex_);
  faults_.clear();
}

bool FaultPlan::shouldFail(const std::string& name) {
  std::lock_guard lock(mutex_);
  auto it = faults_.find(name);
  if (it == faults_.end()) return false;
  Fault& f = it->second;
  if (f.remaining == 0) return false;
  if (os::Clock::instance().seconds() < f.after) return false;
  if (f.remaining > 0) --f.remaining;
  return true;
}

std::optional<long> FaultPlan::code(const std::string& name) const {
  std::lock_guard lock(mutex_);
  auto it = faults_.find(name);
  if (it == faults_.end()) return std::nullopt;
  return it->second.code;
}

}  // namespace helx::sim
