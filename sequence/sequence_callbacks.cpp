// Binds this subsystem's panel callbacks by the names the panel resource uses.
#include "app/shell.h"
#include "platform/ui/callbacks.h"

void RegisterSequenceCallbacks() {
  helx::ui::RegisterCallback("cmd_Run", cmd_Run);
  helx::ui::RegisterCallback("cmdStop", cmdStop);
  helx::ui::RegisterCallback("cmdSaveUnsaved", cmdSaveUnsaved);
}
