// The simulators' shared log: one event per line, as JSON, so that tests (C++ or Python) and a
// curious operator read the same thing:
//
//   {"t":12.345678,"dev":"camera","ev":"exposure","camera":1,"start":12.3,"end":12.33,...}
//
// "t" is instrument time in seconds (the one clock), "dev" the simulator ("camera", "pmac",
// "sixk"), "ev" the event; the other fields belong to the event and are documented in
// docs/sim-camera.md, docs/sim-pmac.md and docs/sim-sixk.md. Lines go to the file named by
// sim.json's "log": {"path": ...} (default "sim.log" in the working directory; "" turns the file
// off), every one of them, and to memory, where tests read them back with entries().
//
// Memory keeps the newest lines only, as the text written to the file, up to "log":
// {"memory_bytes": ...} of it (default kDefaultMemoryBytes; 0 keeps none): a scan logs some
// fifty to eighty lines, and a night of scans must not grow the process. A test reads what it
// caused since its clear(), far less.
//
// Threads: write(), entries() and the rest are safe from any thread; a line is written whole.
#pragma once

#include <cstddef>
#include <cstdio>
#include <deque>
#include <mutex>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

namespace helx::sim {

class SimLog {
 public:
  // Some 4,000 lines: the last fifty scans or so with both cameras, far more than a test reads.
  static constexpr std::size_t kDefaultMemoryBytes = std::size_t{1} << 20;

  static SimLog& instance();

  void write(const std::string& device, const std::string& event, nlohmann::json fields = {});

  // The entries kept in memory, oldest first: every one written since start or clear() but the
  // oldest beyond the memory limit; optionally only one device's.
  std::vector<nlohmann::json> entries(const std::string& device = {}) const;
  // How many entries written since start or clear() memory no longer keeps.
  std::size_t dropped() const;
  void clear();
  // Reopens the file and takes the memory limit from the settings (after a test changed them).
  void reopen();

 private:
  struct Line {
    std::string device;
    std::string text;  // as written to the file
  };

  SimLog();
  ~SimLog();
  void trim();  // under mutex_

  mutable std::mutex mutex_;
  std::FILE* file_ = nullptr;
  std::deque<Line> lines_;
  std::size_t bytes_ = 0;  // text in lines_
  std::size_t memoryLimit_ = kDefaultMemoryBytes;
  std::size_t dropped_ = 0;
};

}  // namespace helx::sim
