// The callback table: every subsystem binds its own callbacks by the names the panel resource
// uses. A name the resource uses but nobody binds is written to the message log at load.
#include "app/shell.h"
#include "platform/ui/callbacks.h"

void RegisterHELXCallbacks() {
  RegisterAppCallbacks();
  RegisterCameraCallbacks();
  RegisterScannerCallbacks();
  RegisterMotorCallbacks();
  RegisterSequenceCallbacks();
  RegisterFileCallbacks();
  RegisterDisplayCallbacks();
}

void RegisterAppCallbacks() {
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
}
