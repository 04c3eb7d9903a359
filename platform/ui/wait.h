// The one way the program waits for a condition: on the one clock, with a named limit, looking
// at a pace the caller chooses by what a look costs, and waking at once when a producer
// signals.
//
//   if (!helx::ui::WaitUntil([] { return monitoring_active == 0; }, kMonitoringEndLimitSeconds,
//                            kFlagLookSeconds))
//     ... the limit passed ...
//
// Limits and paces are instrument seconds (the clock's time scale and manual mode apply, as for
// Delay); on a clock sped up for tests a pause still lasts at least 0.1 ms of real time. The
// condition is evaluated first, so a wait whose condition already holds never sleeps, and once more
// is never needed after the limit: the last look comes at the limit.
//
// Threads: WaitUntil may be called from any thread. WaitUntilProcessingEvents is for the
// user-interface thread: it processes events between looks, so callbacks run nested inside it
// (as in every wait "with event processing"); each look is a turn of the UI thread, and the
// pauses between looks are charged to the waiting callback as a wait (stalls.h). A WakeSignal may
// be notified from any thread; it wakes the waits that watch it at that moment, and a notification
// that comes while a waiter is between looks is not lost (the waiter looks again at once).
#pragma once

#include <functional>
#include <mutex>
#include <stop_token>
#include <vector>

namespace helx::ui {

// A producer's signal: a scan step announced, a frame stored.
class WakeSignal {
 public:
  WakeSignal() = default;
  WakeSignal(const WakeSignal&) = delete;
  WakeSignal& operator=(const WakeSignal&) = delete;

  // Wakes every wait that watches this signal now.
  void notify();

 private:
  friend class SignalWatch;
  std::mutex mutex_;
  std::vector<std::stop_source*> watchers_;
};

// True when `done` came true, false when `limitSeconds` passed first. Looks every
// `paceSeconds`, and at once when `wake` (if given) is notified.
bool WaitUntil(const std::function<bool()>& done, double limitSeconds, double paceSeconds,
               WakeSignal* wake = nullptr);

// WaitUntil for the user-interface thread: processes events before every pause.
bool WaitUntilProcessingEvents(const std::function<bool()>& done, double limitSeconds,
                               double paceSeconds);

}  // namespace helx::ui
