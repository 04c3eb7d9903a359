// Starting programs from the system: never waits for them; a missing program is not an error
// the system sees beyond the result code.
#include "platform/os/launch.h"

#include "platform/ui/message_log.h"
#include "platform/ui/userint.h"

namespace {
int launch(const char* command, bool hidden) {
  if (!command) return -1;
  switch (helx::os::Launch(command, hidden)) {
    case helx::os::LaunchResult::Started:
      return 0;
    case helx::os::LaunchResult::NotFound:
      helx::ui::LogMessage("launch", std::string("not found: ") + command);
      return -1;
    default:
      helx::ui::LogMessage("launch", std::string("failed: ") + command);
      return -2;
  }
}
}  // namespace

int LaunchExecutable(const char* command) { return launch(command, false); }

int LaunchExecutableEx(const char* command, int windowState, int* handle) {
  if (handle) *handle = 0;
  return launch(command, windowState == LE_HIDE);
}
