// The UI thread's event queue. Callbacks, timer ticks, queued popups and operator actions are
// all events: functions run in order on the UI thread.
//
// Threads: post() from any thread. run(), processPending() and pumpUntil() only on the UI
// thread (the thread that called InitCVIRTE or RunUserInterface); they may nest: a callback
// that waits with event processing runs later events inside itself.
#pragma once

#include <atomic>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace helx::ui {

class EventLoop {
 public:
  static EventLoop& instance();

  void post(std::function<void()> event);
  void setUiThread();
  bool onUiThread() const;
  std::thread::id uiThread() const;

  // RunUserInterface: dispatches until quit(); returns the quit code.
  int run();
  void quit(int code);
  bool quitRequested() const { return quit_.load(); }
  bool running() const { return depth_.load() > 0; }

  // Runs the events that are queued now (and those they queue), then returns.
  void processPending();
  // Runs events until done() is true; done is checked at least every few milliseconds.
  void pumpUntil(const std::function<bool()>& done);
  // Number of events dispatched so far (tests and the operator API's sync()).
  unsigned long dispatched() const { return dispatched_.load(); }

 private:
  bool dispatchOne();
  std::mutex mutex_;
  std::deque<std::function<void()>> queue_;
  std::atomic<std::thread::id> uiThread_{};
  std::atomic<bool> quit_{false};
  std::atomic<int> quitCode_{0};
  std::atomic<int> depth_{0};
  std::atomic<unsigned long> dispatched_{0};
};

}  // namespace helx::ui
