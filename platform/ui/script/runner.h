// Runs a parsed script with the operator's hands (operator.h): every statement goes through
// exactly the events a person's click, typing or key produces, and, like a person, the runner
// waits until the program has taken one action's events before it does the next. Names are
// looked up when their statement runs; an unknown name, an action the program refuses (a
// dimmed or hidden control, a dimmed page or menu item) or a wait that times out stops the
// script at that line.
//
// Each statement is printed to `out` as it runs ("observe.hxs:3: commit PANEL QUITBUTTON"), the
// reason a script stopped to `err`.
//
// Time: pauses and the time-outs of waits are instrument seconds (the one clock, which
// --time-scale speeds up), so a script means the same at any time scale.
//
// Threads: run() and endProgram() on a thread of their own, never the UI thread (they wait for
// it). One Runner is used by one thread.
#pragma once

#include <ostream>
#include <stop_token>
#include <string>

#include "platform/ui/script/script.h"

namespace helx::ui::script {

// Exit statuses of a script run.
constexpr int kStatusFinished = 0;
constexpr int kStatusStopped = 1;     // a line failed: unknown name, refused action, failed wait
constexpr int kStatusUnreadable = 2;  // the file could not be read or has a syntax error

struct Outcome {
  int status = kStatusFinished;
  int line = 0;  // the line that stopped the script, 0 if it finished
  std::string message;
};

class Runner {
 public:
  // `name` prefixes every printed line (the script's path).
  Runner(std::string name, std::ostream& out, std::ostream& err);

  // Runs the statements in order. `stop` (and the event loop's ending) interrupts any wait.
  Outcome run(const Script& script, std::stop_token stop);

  // Ends the program as the operator does: presses the command button labelled QUIT on a shown
  // window (the program then parks the instrument and ends its event loop), or, when there is
  // none or it has not ended the program within kQuitGraceSeconds, ends the event loop itself.
  // Returns once the program has ended or `stop` is requested.
  void endProgram(std::stop_token stop);

  static constexpr double kQuitGraceSeconds = 120;  // instrument seconds

 private:
  std::string execute(const Statement& statement, std::stop_token stop);
  std::string settle(std::stop_token stop);
  std::string snapshot(const Snapshot& snapshot, std::stop_token stop);
  void say(const std::string& text);

  std::string name_;
  std::ostream& out_;
  std::ostream& err_;
};

// Whether the program has ended (its event loop is quitting) or `stop` was requested.
bool ProgramEnded(const std::stop_token& stop);

}  // namespace helx::ui::script
