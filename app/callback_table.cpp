// The callback table: every callback name the panel resource uses, bound to its function. A
// name the resource uses but this table lacks is written to the message log at load.
#include "app/shell.h"
#include "platform/ui/callbacks.h"

void RegisterHELXCallbacks() {
  using helx::ui::RegisterCallback;
  RegisterCallback("panel_proc", panel_proc);
  RegisterCallback("mnuExit", mnuExit);
  RegisterCallback("mnuSetup", mnuSetup);
  RegisterCallback("mnuTest", mnuTest);
  RegisterCallback("setTAB", setTAB);
  RegisterCallback("QuitCallback", QuitCallback);
  RegisterCallback("PowerOn", PowerOn);
  RegisterCallback("PowerOff", PowerOff);
  RegisterCallback("HELX_setOK", HELX_setOK);
  RegisterCallback("Set_HELX_parameter", Set_HELX_parameter);
  RegisterCallback("SetHELX_proc", SetHELX_proc);
  RegisterCallback("HELX_setCancel", HELX_setCancel);
  RegisterCallback("Scan_Mode", Scan_Mode);
  RegisterCallback("CCD_setBinning", CCD_setBinning);
  RegisterCallback("make_foldert_arget", make_foldert_arget);
  RegisterCallback("CCD_setCamera", CCD_setCamera);
  RegisterCallback("CCD_setExpTime", CCD_setExpTime);
  RegisterCallback("Obs_Test", Obs_Test);
  RegisterCallback("test_panel_proc", test_panel_proc);
  RegisterCallback("radio_scan", radio_scan);
  RegisterCallback("radio_motor", radio_motor);
  RegisterCallback("cmdOpen", cmdOpen);
  RegisterCallback("mnuOpen", mnuOpen);
  RegisterCallback("mnuSave", mnuSave);
  RegisterCallback("mnuAbout", mnuAbout);
  RegisterCallback("InfoPanel_proc", InfoPanel_proc);
  RegisterCallback("setCooler", setCooler);
  RegisterCallback("Ampon_timer", Ampon_timer);
  RegisterCallback("SlitStepIncrease", SlitStepIncrease);
  RegisterCallback("SlitStepDecrease", SlitStepDecrease);
  RegisterCallback("SetZero", SetZero);
  RegisterCallback("upload_data", upload_data);
  RegisterCallback("STR_Command", STR_Command);
  RegisterCallback("Motor_Stop", Motor_Stop);
  RegisterCallback("motor_step_increase", motor_step_increase);
  RegisterCallback("motor_step_decrease", motor_step_decrease);
  RegisterCallback("motor_device_select", motor_device_select);
  RegisterCallback("AddWvField", AddWvField);
  RegisterCallback("cmd_Run", cmd_Run);
  RegisterCallback("cmdStop", cmdStop);
  RegisterCallback("cmdSaveUnsaved", cmdSaveUnsaved);
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
