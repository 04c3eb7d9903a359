#include "platform/ui/wait.h"

#include <algorithm>
#include <chrono>

#include "platform/os/clock.h"
#include "platform/ui/event_loop.h"
#include "platform/ui/userint.h"

namespace helx::ui {

void WakeSignal::notify() {
  std::lock_guard lock(mutex_);
  for (std::stop_source* watcher : watchers_) watcher->request_stop();
}

// One wait's registration with a signal. A notification ends the pause in progress (or the
// next one, when it came between looks); rearm() makes a fresh source for the pause after.
class SignalWatch {
 public:
  explicit SignalWatch(WakeSignal* signal) : signal_(signal) {
    if (!signal_) return;
    std::lock_guard lock(signal_->mutex_);
    signal_->watchers_.push_back(&source_);
  }
  ~SignalWatch() {
    if (!signal_) return;
    std::lock_guard lock(signal_->mutex_);
    std::erase(signal_->watchers_, &source_);
  }
  SignalWatch(const SignalWatch&) = delete;
  SignalWatch& operator=(const SignalWatch&) = delete;

  std::stop_token token() const { return source_.get_token(); }
  void rearm() {
    if (!signal_ || !source_.stop_requested()) return;
    std::lock_guard lock(signal_->mutex_);
    source_ = std::stop_source();
  }

 private:
  WakeSignal* signal_;
  std::stop_source source_;
};

namespace {

using Duration = helx::os::Clock::duration;

Duration toDuration(double seconds) {
  // A limit beyond a century is "never": it must not overflow the clock's nanoseconds.
  constexpr double kNever = 3.2e9;
  return std::chrono::duration_cast<Duration>(
      std::chrono::duration<double>(std::clamp(seconds, 0.0, kNever)));
}

// On a clock that tests run faster, a pause is never shorter than this in real time, so that a
// sped-up wait still leaves the cores to the threads it waits for.
constexpr double kShortestRealPauseSeconds = 1e-4;

bool waitLoop(const std::function<bool()>& done, double limitSeconds, double paceSeconds,
              WakeSignal* wake, bool processEvents) {
  auto& clock = helx::os::Clock::instance();
  const Duration deadline = clock.now() + toDuration(limitSeconds);
  SignalWatch watch(wake);
  while (true) {
    if (done()) return true;
    const Duration now = clock.now();
    if (now >= deadline) return false;
    if (processEvents) ProcessSystemEvents();
    const Duration pace =
        toDuration(std::max(paceSeconds, kShortestRealPauseSeconds * clock.scale()));
    clock.sleepUntil(std::min(now + pace, deadline), watch.token());
    watch.rearm();
  }
}

}  // namespace

bool WaitUntil(const std::function<bool()>& done, double limitSeconds, double paceSeconds,
               WakeSignal* wake) {
  return waitLoop(done, limitSeconds, paceSeconds, wake, false);
}

bool WaitUntilProcessingEvents(const std::function<bool()>& done, double limitSeconds,
                               double paceSeconds) {
  // The events it runs are stalls of their own; its pauses between looks are charged to the
  // waiting callback as a wait.
  EventLoop::ProcessingWait wait;
  return waitLoop(done, limitSeconds, paceSeconds, nullptr, true);
}

}  // namespace helx::ui
