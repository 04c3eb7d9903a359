// Binds this subsystem's panel callbacks by the names the panel resource uses.
#include "app/shell.h"
#include "platform/ui/callbacks.h"

void RegisterCameraCallbacks() { helx::ui::RegisterCallback("setCooler", setCooler); }
