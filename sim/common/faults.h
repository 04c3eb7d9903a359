// Fault injection shared by the simulators, configured in each device's sim.json section:
//
//   "faults": { "StartAcquisition": {"times": 2},          // the next 2 calls fail
//               "GetStatus": {"after": 30.0},              // every call fails from t = 30 s on
//               "Initialize": {"times": 1, "code": 20992}} // with a device-specific code
//
// "after" is instrument time in seconds; both keys may be combined (N failures from that
// moment). A simulator asks shouldFail(name) at each call and uses code() for its reply.
//
// Threads: safe from any thread.
#pragma once

#include <map>
#include <mutex>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>

namespace helx::sim {

class FaultPlan {
 public:
  FaultPlan() = default;
  explicit FaultPlan(const nlohmann::json& faults) { configure(faults); }
  void configure(const nlohmann::json& faults);
  // Adds or replaces one fault (tests): fail `times` calls (-1: every call) from `after` s on.
  void inject(const std::string& name, int times, double after = 0.0,
              std::optional<long> code = {});
  void clear();

  bool shouldFail(const std::string& name);
  std::optional<long> code(const std::string& name) const;

 private:
  struct Fault {
    int remaining = -1;  // -1: unlimited
    double after = 0.0;
    std::optional<long> code;
  };
  mutable std::mutex mutex_;
  std::map<std::string, Fault> faults_;
};

}  // namespace helx::sim
