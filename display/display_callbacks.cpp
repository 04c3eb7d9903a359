// Binds this subsystem's panel callbacks by the names the panel resource uses.
#include "app/shell.h"
#include "platform/ui/callbacks.h"

void RegisterDisplayCallbacks() {
  using helx::ui::RegisterCallback;
  RegisterCallback("Graphicpnl_proc", Graphicpnl_proc);
  RegisterCallback("pic_window", pic_window);
  RegisterCallback("drawHistogram", drawHistogram);
  RegisterCallback("SetSelectFrame", SetSelectFrame);
  RegisterCallback("SetBytsclMax", SetBytsclMax);
  RegisterCallback("SetBytsclMin", SetBytsclMin);
  RegisterCallback("setFrameAxis", setFrameAxis);
  RegisterCallback("viewCCD1", viewCCD1);
  RegisterCallback("viewCCD2", viewCCD2);
}
