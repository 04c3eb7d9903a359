// Services the runtime starts beside the event loop from its own command-line options (the
// status page, the command line's script), registered by the code that provides them, as the Qt
// view registers itself: the runtime names none of them.
//
// Threads: Register before InitCVIRTE (static initialisation); StartServices from InitCVIRTE and
// StopServices from CloseCVIRTE, StartScript and EndScript from RunUserInterface, ScriptStatus
// from CloseCVIRTE, all on the UI thread.
#pragma once

#include <functional>
#include <string>

#include "platform/ui/options.h"

namespace helx::ui {

struct Service {
  std::string name;
  // Whether the options ask for this service at all.
  std::function<bool(const Options&)> wanted;
  // Starts it; returns why it cannot start, or "" when it runs.
  std::function<std::string(const Options&)> start;
  std::function<void()> stop;
};

void RegisterService(Service service);
// Starts every wanted service; returns why the first that could not start did not (the
// program must not run then), or "". Options no registered service takes are refused too.
std::string StartServices(const Options& options);
void StopServices();

// The runner of --script FILE. Unlike a service it starts with the event loop and ends with it,
// and the process ends with its status.
struct ScriptRunner {
  // Starts the script beside the loop about to run; returns whether it started.
  std::function<bool(const std::string& path)> start;
  // After that loop has ended.
  std::function<void()> end;
  // The exit status the process is to end with; 0 for a normal end.
  std::function<int()> status;
};

void RegisterScriptRunner(ScriptRunner runner);
// What RunUserInterface and CloseCVIRTE ask of the registered runner. StartScript starts nothing
// when --script was not given or no runner is registered (StartServices refuses --script then);
// EndScript goes with a StartScript that returned true.
bool StartScript(const Options& options);
void EndScript();
int ScriptStatus();

}  // namespace helx::ui
