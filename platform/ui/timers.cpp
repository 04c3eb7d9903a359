#include "platform/ui/timers.h"

#include <chrono>
#include <map>
#include <mutex>
#include <set>
#include <stop_token>
#include <string>
#include <thread>

#include "platform/os/clock.h"
#include "platform/ui/event_loop.h"
#include "platform/ui/model.h"

namespace helx::ui {

namespace {
using Key = std::pair<int, int>;
using os::Clock;

struct Scheduler {
  std::mutex mutex;
  std::stop_source wake;  // replaced on every change, so the sleeping thread re-plans
  std::set<Key> pending;  // ticks posted but not yet dispatched
  std::map<Key, Clock::duration> deadlines;
  // When a timer attribute last changed: a timer newly enabled counts its first interval from
  // there, not from whenever this thread next looks (which may be later on a busy machine, or
  // after a manual clock has already moved).
  Clock::duration changedAt{};
  std::jthread thread;
  bool started = false;

  void start() {
    if (started) return;
    started = true;
    thread = std::jthread([this](std::stop_token st) { loop(st); });
  }

  void loop(std::stop_token st) {
    while (!st.stop_requested()) {
      std::stop_token wakeToken;
      {
        std::lock_guard lock(mutex);
        wakeToken = wake.get_token();
      }
      const auto now = Clock::instance().now();
      std::map<Key, Clock::duration> intervals;
      std::map<Key, std::string> names;  // each tick is named by its callback (stalls.h)
      Model::instance().with([&](Model& m) {
        for (auto& [h, p] : m.panels())
          for (auto& [id, c] : p.controls)
            if (c.kind == Kind::Timer && c.enabled && c.interval > 0) {
              intervals[{h, id}] = std::chrono::duration_cast<Clock::duration>(
                  std::chrono::duration<double>(c.interval));
              names[{h, id}] = c.callbackName.empty() ? "a timer tick" : c.callbackName;
            }
      });
      Clock::duration next = Clock::duration::max();
      {
        std::lock_guard lock(mutex);
        for (auto it = deadlines.begin(); it != deadlines.end();)
          it = intervals.count(it->first) ? std::next(it) : deadlines.erase(it);
        for (auto& [key, interval] : intervals) {
          auto [it, fresh] = deadlines.try_emplace(key, std::min(changedAt, now) + interval);
          if (!fresh && it->second <= now) {
            if (!pending.count(key)) {
              pending.insert(key);
              post(key, names[key]);
            }
            // The next tick keeps the rhythm unless the loop fell a whole interval behind.
            it->second += interval;
            if (it->second <= now) it->second = now + interval;
          }
          next = std::min(next, it->second);
        }
      }
      std::stop_callback onStop(st, [this] {
        std::lock_guard lock(mutex);
        wake.request_stop();
      });
      if (next == Clock::duration::max())
        Clock::instance().sleepUntil(Clock::duration::max() / 2, wakeToken);
      else
        Clock::instance().sleepUntil(next, wakeToken);
    }
  }

  void post(Key key, std::string name) {
    EventLoop::instance().post(std::move(name), [this, key] {
      {
        std::lock_guard lock(mutex);
        pending.erase(key);
      }
      CtrlCallbackPtr cb = nullptr;
      void* data = nullptr;
      Model::instance().with([&](Model& m) {
        Control* c = m.control(key.first, key.second);
        if (c && c->kind == Kind::Timer && c->enabled) {
          cb = c->callback;
          data = c->callbackData;
        }
      });
      if (cb) cb(key.first, key.second, EVENT_TIMER_TICK, data, 0, 0);
    });
  }
};

Scheduler& scheduler() {
  static Scheduler& s = *new Scheduler;  // never destroyed: threads may outlive main
  return s;
}
}  // namespace

void Timers::changed() {
  auto& s = scheduler();
  std::lock_guard lock(s.mutex);
  s.changedAt = Clock::instance().now();
  s.start();
  s.wake.request_stop();
  s.wake = std::stop_source();
}

void Timers::shutdown() {
  auto& s = scheduler();
  if (s.thread.joinable()) {
    s.thread.request_stop();
    s.thread.join();
  }
}

}  // namespace helx::ui
