// Services the runtime starts beside the event loop from its own command-line options (the
// status page), registered by the code that provides them, as the Qt view registers itself.
//
// Threads: Register before InitCVIRTE (static initialisation); StartServices from InitCVIRTE and
// StopServices from CloseCVIRTE, both on the UI thread.
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

}  // namespace helx::ui
