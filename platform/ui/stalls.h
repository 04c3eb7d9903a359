// How long the UI thread goes without coming back to its queue. While a callback holds the UI
// thread, a click, a timer tick or a worker's popup waits; this measures that wait.
//
// Every place where the UI thread takes its next event is a turn: each event's start and end in
// the loop of RunUserInterface, in ProcessSystemEvents and in every wait with event processing.
// The time from one turn to the next is a stall, charged to what ran in it:
//   * a callback or timer tick by the name the callback table registered it under ("PowerOn");
//   * "NAME (waiting, processing events)" for the stretches between the looks of a callback
//     that waits processing events (WaitUntilProcessingEvents, or
//     CmtWaitForThreadPoolFunctionCompletion with the option). The events it runs meanwhile
//     are turns and stalls of their own, so its whole wait never counts as one stall;
//   * "the view" for bringing the view up to date and a front-end's pass over its own events;
//   * other queued events by what they are ("popup 'Error'", ...); "the event loop" for its own
//     steps between two events.
// Time the UI thread spends waiting for work is no stall (a post wakes it at once), whatever
// the toolkit does inside that wait; nor is the program's own code around the loop (main
// before RunUserInterface, after it has ended, or between its calls of ProcessSystemEvents).
//
// Measured on the monotonic wall clock (steady_clock), never the instrument clock: tests run
// that faster or stop it, and a stall is what the operator waits in real time.
//
// Every stall longer than kLongStallSeconds is written to the message log as one line
// ("UI stall: 230 ms in PowerOff") and kept for LongStalls().
//
// Threads: LongestStall, LongStalls and ResetStalls from any thread. StallWatch belongs to the
// event loop: its turns are taken on the UI thread only.
#pragma once

#include <chrono>
#include <cstddef>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

namespace helx::ui {

struct Stall {
  double seconds = 0;
  std::string what;
};

constexpr double kLongStallSeconds = 0.1;
// The newest long stalls kept in memory; the message log keeps them all.
constexpr std::size_t kLongStallRecords = 1000;

// The longest stall since the start or the last ResetStalls ({0, ""} if none).
Stall LongestStall();
// Every stall over kLongStallSeconds since then, oldest first (the newest kLongStallRecords).
std::vector<Stall> LongStalls();
void ResetStalls();

class StallWatch {
 public:
  // A turn: the stretch since the last turn is charged to what ran in it. The first turn (or
  // the first after pause) only starts the measure.
  void turn();
  // An event starts running (a turn), and ends (a turn, the stretch charged to it).
  void begin(std::string what);
  void end();
  // The running event starts or stops waiting with event processing (each a turn, so that its
  // own work before and after the wait is told apart from the wait). Outside any event: no-ops.
  void beginWait();
  void endWait();
  // Ends the stretch in progress; nothing is measured until the next turn (the UI thread waits
  // for work).
  void pause();
  // A dispatching function returns to its caller. Outside any event that caller is the
  // program's own code around the loop (main before RunUserInterface, after it ended), which
  // is not measured: pause().
  void leave();

  Stall longest() const;
  std::vector<Stall> longStalls() const;
  void reset();

 private:
  using Clock = std::chrono::steady_clock;
  struct Running {
    std::string what;
    int waits = 0;  // nested waits with event processing it is in
  };
  std::string chargedTo() const;
  void charge(Clock::duration stretch, const std::string& what);

  // UI thread only.
  std::vector<Running> running_;  // the events running, innermost last
  Clock::time_point lastTurn_{};
  bool measuring_ = false;

  // What the queries read.
  mutable std::mutex mutex_;
  Stall longest_;
  std::deque<Stall> long_;
};

}  // namespace helx::ui
