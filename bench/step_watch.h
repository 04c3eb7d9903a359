// When each scan step is reached, seen from the simulated scanner itself: the first moment
// from which the scanner stays within the band of the step's target and at rest for a whole
// millisecond (at rest: it moved less than the program's "still" speed allows over the
// millisecond before). A swing that touches the band at the speed limit on its way out of it
// is not a step reached. That is what the scan's poll waits for before it announces a step,
// so the time from here to the announcement is the poll's own delay, not the servo's
// settling.
//
// Threads: one watcher thread samples the scanner every ~20 us between start() and stop();
// expect() may be called from any thread before each scan's first step; reached() after stop().
#pragma once

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstddef>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/os/clock.h"
#include "sim/common/scene_hook.h"

class StepWatch {
 public:
  // The next scan: step k (1-based) lies at start + k * countsPerStep; reached within `band`
  // counts at less than `stillCountsPerMs`.
  void expect(double start, double countsPerStep, int steps, double band, double stillCountsPerMs) {
    const double t = helx::os::Clock::instance().seconds();
    std::lock_guard lock(mutex_);
    scans_.push_back({t, start, countsPerStep, steps, band, stillCountsPerMs});
  }
  void start() {
    thread_ = std::jthread([this](std::stop_token stop) {
      while (!stop.stop_requested()) {
        trace_.push_back(
            {helx::os::Clock::instance().seconds(), helx::sim::SceneHook::now().scannerCounts});
        std::this_thread::sleep_for(std::chrono::microseconds(20));
      }
    });
  }
  void stop() {
    thread_.request_stop();
    if (thread_.joinable()) thread_.join();
  }
  // Instrument seconds each step was reached, scan after scan (-1: never).
  std::vector<double> reached() const {
    std::lock_guard lock(mutex_);
    std::vector<double> out;
    for (std::size_t s = 0; s < scans_.size(); ++s) {
      const Scan& scan = scans_[s];
      const double end = s + 1 < scans_.size() ? scans_[s + 1].from : HUGE_VAL;
      std::size_t i = firstAfter(scan.from);
      for (int k = 1; k <= scan.steps; ++k) {
        double at = -1;
        for (; i < trace_.size() && trace_[i].t < end; ++i)
          if (restsFrom(i, scan, scan.start + k * scan.perStep)) {
            at = trace_[i].t;
            break;
          }
        out.push_back(at);
        if (at < 0) i = firstAfter(scan.from);  // look for the next step from the start again
      }
    }
    return out;
  }

 private:
  struct Sample {
    double t, x;
  };
  struct Scan {
    double from, start, perStep;
    int steps;
    double band, still;
  };
  static constexpr double kWindowSeconds = 0.001;

  std::size_t firstAfter(double t) const {
    return static_cast<std::size_t>(
        std::lower_bound(trace_.begin(), trace_.end(), t,
                         [](const Sample& s, double v) { return s.t < v; }) -
        trace_.begin());
  }
  // In the band and at rest at every sample of the millisecond from sample i.
  bool restsFrom(std::size_t i, const Scan& scan, double target) const {
    const double until = trace_[i].t + kWindowSeconds;
    if (trace_.back().t < until) return false;
    std::size_t back = firstAfter(trace_[i].t - kWindowSeconds);
    for (std::size_t j = i; j < trace_.size() && trace_[j].t <= until; ++j) {
      if (std::fabs(trace_[j].x - target) > scan.band) return false;
      while (trace_[back + 1].t <= trace_[j].t - kWindowSeconds) ++back;
      const double span = trace_[j].t - trace_[back].t;
      if (span < kWindowSeconds / 2 ||
          std::fabs(trace_[j].x - trace_[back].x) > scan.still * 1000.0 * span)
        return false;
    }
    return true;
  }

  mutable std::mutex mutex_;
  std::vector<Scan> scans_;
  std::vector<Sample> trace_;  // written by the watcher thread only until stop()
  std::jthread thread_;
};

// The one watcher of a benchmark; step_watch.cpp tells it each scan's steps.
StepWatch& TheStepWatch();
