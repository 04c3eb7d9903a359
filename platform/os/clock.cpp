#include "platform/os/clock.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace helx::os {

namespace {
double scaleFromEnvironment() {
  // HELX_TIME_SCALE belongs to the platform: a demo or a test may run the instrument faster.
  if (const char* text = std::getenv("HELX_TIME_SCALE")) {
    char* end = nullptr;
    double s = std::strtod(text, &end);
    if (end != text && s > 0.0) return s;
  }
  return 1.0;
}
}  // namespace

Clock& Clock::instance() {
  static Clock& clock = *new Clock;  // never destroyed: threads may outlive main
  return clock;
}

Clock::Clock() : realBase_(std::chrono::steady_clock::now()), scale_(scaleFromEnvironment()) {}

Clock::duration Clock::nowLocked() const {
  if (manual_) return instrumentBase_;
  auto real = std::chrono::steady_clock::now() - realBase_;
  return instrumentBase_ +
         std::chrono::duration_cast<duration>(std::chrono::duration<double, std::nano>(
             static_cast<double>(std::chrono::duration_cast<duration>(real).count()) * scale_));
}

void Clock::rebaseLocked() {
  instrumentBase_ = nowLocked();
  realBase_ = std::chrono::steady_clock::now();
}

Clock::duration Clock::now() const {
  std::lock_guard lock(mutex_);
  return nowLocked();
}

void Clock::setScale(double scale) {
  if (!(scale > 0.0)) return;
  {
    std::lock_guard lock(mutex_);
    rebaseLocked();
    scale_ = scale;
    ++generation_;
  }
  changed_.notify_all();
}

double Clock::scale() const {
  std::lock_guard lock(mutex_);
  return scale_;
}

void Clock::setManual(bool manual) {
  {
    std::lock_guard lock(mutex_);
    rebaseLocked();
    manual_ = manual;
    ++generation_;
  }
  changed_.notify_all();
}

bool Clock::manual() const {
  std::lock_guard lock(mutex_);
  return manual_;
}

void Clock::advance(duration d) {
  {
    std::lock_guard lock(mutex_);
    rebaseLocked();
    instrumentBase_ += d;
    ++generation_;
  }
  changed_.notify_all();
}

bool Clock::sleepUntil(duration deadline, std::stop_token stop) {
  std::unique_lock lock(mutex_);
  while (true) {
    if (stop.stop_requested()) return false;
    auto current = nowLocked();
    if (current >= deadline) return true;
    auto generation = generation_;
    auto changed = [&] { return generation_ != generation; };
    if (manual_) {
      changed_.wait(lock, stop, changed);
    } else {
      // A far deadline ("never") at a slow clock would overflow the real time point the wait
      // computes; waking once an hour to look again costs nothing.
      constexpr double kLongestRealWaitNs = 3600e9;
      double remaining = static_cast<double>((deadline - current).count()) / scale_;
      auto realWait = std::chrono::nanoseconds(
                          static_cast<std::int64_t>(std::min(remaining, kLongestRealWaitNs))) +
                      std::chrono::nanoseconds(1);
      changed_.wait_for(lock, stop, realWait, changed);
    }
  }
}

bool Clock::sleepForSeconds(double s, std::stop_token stop) {
  if (!(s > 0.0)) return !stop.stop_requested();
  return sleepFor(std::chrono::duration_cast<duration>(std::chrono::duration<double>(s)),
                  std::move(stop));
}

std::int64_t PerformanceFrequency() { return 10'000'000; }

std::int64_t PerformanceCounter() { return Clock::instance().now().count() / 100; }

std::uint32_t MillisecondClock() {
  return static_cast<std::uint32_t>(
      std::chrono::duration_cast<std::chrono::milliseconds>(Clock::instance().now()).count());
}

}  // namespace helx::os
