// The one clock of the program and of every simulator.
//
// Instrument time starts at 0 when the process starts and runs at `scale` times real time
// (1 by default). A test may speed it up (an 80 s scan in a few seconds) or switch it to manual,
// where it moves only when the test calls advance(), so that a unit test decides exactly when
// time passes. Calendar time (UTC for file names and headers) is never taken from here.
//
// Threads: every member is safe to call from any thread. Sleepers wake when their deadline is
// reached in instrument time, whichever of real time or advance() gets there, or at once when
// their stop token is requested.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <stop_token>

namespace helx::os {

class Clock {
 public:
  using duration = std::chrono::nanoseconds;

  static Clock& instance();

  // Instrument time elapsed since the process started.
  duration now() const;
  double seconds() const { return std::chrono::duration<double>(now()).count(); }

  // Instrument time runs `scale` times faster than real time (scale > 0). Keeps now() continuous.
  void setScale(double scale);
  double scale() const;

  // In manual mode time stands still except for advance(). Keeps now() continuous.
  void setManual(bool manual);
  bool manual() const;
  void advance(duration d);

  // Sleeps until now() >= deadline. Returns false when the stop token ended the sleep early.
  bool sleepUntil(duration deadline, std::stop_token stop = {});
  bool sleepFor(duration d, std::stop_token stop = {}) {
    return sleepUntil(now() + d, std::move(stop));
  }
  bool sleepForSeconds(double s, std::stop_token stop = {});

 private:
  Clock();
  duration nowLocked() const;
  void rebaseLocked();

  mutable std::mutex mutex_;
  std::condition_variable_any changed_;
  std::chrono::steady_clock::time_point realBase_;
  duration instrumentBase_{0};
  double scale_ = 1.0;
  bool manual_ = false;
  std::uint64_t generation_ = 0;  // bumped on every change of rate or time, wakes sleepers
};

// The operating system's counters as the program sees them, both read from the one clock.
// Performance counter: 10 MHz ticks.
std::int64_t PerformanceFrequency();
std::int64_t PerformanceCounter();
// Millisecond clock: 32 bits, wraps after about 49.7 days like the system's.
std::uint32_t MillisecondClock();

}  // namespace helx::os
