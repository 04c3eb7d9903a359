// The UI thread's event queue. Callbacks, timer ticks, queued popups and operator actions are
// all events: functions run in order on the UI thread. Both front-ends pump this one queue.
//
// Each event carries what it runs (a callback's registered name, "popup 'Error'"), so that the
// stall watch (stalls.h) can say what held the UI thread. Every event's start and end, and
// every pass of a wait with event processing, is a turn of the UI thread.
//
// Threads: post() from any thread. run(), processPending() and pumpUntil() only on the UI
// thread (the thread that called InitCVIRTE or RunUserInterface); they may nest: a callback
// that waits with event processing runs later events inside itself. A ProcessingWait is made
// on any thread and marks a wait only on the UI thread.
#pragma once

#include <atomic>
#include <chrono>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "platform/ui/stalls.h"

namespace helx::ui {

class Frontend;

class EventLoop {
 public:
  static EventLoop& instance();

  // `what` names the event for the stall watch.
  void post(std::string what, std::function<void()> event);
  void post(std::function<void()> event) { post("an unnamed event", std::move(event)); }
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

  // While one lives on the UI thread, the callback running there waits processing events: the
  // stretches between its turns are charged to it as a wait (WaitUntilProcessingEvents).
  class ProcessingWait {
   public:
    ProcessingWait();
    ~ProcessingWait();
    ProcessingWait(const ProcessingWait&) = delete;
    ProcessingWait& operator=(const ProcessingWait&) = delete;

   private:
    bool marked_;
  };

  StallWatch& stalls() { return stalls_; }

 private:
  struct Event {
    std::string what;
    std::function<void()> run;
  };
  bool dispatchOne();
  // Brings the view up to date (a stretch of its own for the stall watch).
  void drawView(Frontend& frontend);
  // The front-end's wait for work: no stall, whatever it lasts.
  void idle(Frontend& frontend, std::chrono::milliseconds maxWait);

  std::mutex mutex_;
  std::deque<Event> queue_;
  std::atomic<std::thread::id> uiThread_{};
  std::atomic<bool> quit_{false};
  std::atomic<int> quitCode_{0};
  std::atomic<int> depth_{0};
  std::atomic<unsigned long> dispatched_{0};
  StallWatch stalls_;  // UI thread only, but for its queries
};

}  // namespace helx::ui
