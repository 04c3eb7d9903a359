// The simulators' shared log: one event per line, as JSON, so that tests (C++ or Python) and a
// curious operator read the same thing:
//
//   {"t":12.345678,"dev":"camera","ev":"exposure","camera":1,"start":12.3,"end":12.33,...}
//
// "t" is instrument time in seconds (the one clock), "dev" the simulator ("camera", "pmac",
// "sixk"), "ev" the event; the other fields belong to the event and are documented in
// docs/sim-camera.md, docs/sim-pmac.md and docs/sim-sixk.md. Lines go to the file named by
// sim.json's "log": {"path": ...} (default "sim.log" in the working directory; "" turns the file
// off) and to an in-memory list that tests read with entries().
//
// Threads: write() and entries() are safe from any thread; a line is written whole.
#pragma once

#include <cstdio>
#include <mutex>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

namespace helx::sim {

class SimLog {
 public:
  static SimLog& instance();

  void write(const std::string& device, const std::string& event, nlohmann::json fields = {});

  // Every entry written since start or clear(), oldest first; optionally only one device's.
  std::vector<nlohmann::json> entries(const std::string& device = {}) const;
  void clear();
  // Reopens the file from the settings (after a test changed them).
  void reopen();

 private:
  SimLog();
  ~SimLog();
  mutable std::mutex mutex_;
  std::FILE* file_ = nullptr;
  std::vector<nlohmann::json> entries_;
};

}  // namespace helx::sim
