// Binds this subsystem's panel callbacks by the names the panel resource uses.
#include "app/shell.h"
#include "platform/ui/callbacks.h"

void RegisterScannerCallbacks() {
  using helx::ui::RegisterCallback;
  RegisterCallback("Ampon_timer", Ampon_timer);
  RegisterCallback("SlitStepIncrease", SlitStepIncrease);
  RegisterCallback("SlitStepDecrease", SlitStepDecrease);
  RegisterCallback("SetZero", SetZero);
  RegisterCallback("upload_data", upload_data);
  RegisterCallback("STR_Command", STR_Command);
}
