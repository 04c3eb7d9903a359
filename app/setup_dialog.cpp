// The setup dialog's small callbacks, which keep the dialog and the test panel consistent with
// the devices' readiness, and the opening and closing of both panels. OK is in setup_ok.cpp.
#include "app/setup_controls.h"
#include "app/shell.h"
#include "motors/wavelength_list.h"
#include "platform/ui/userint.h"
#include "state/observation_state.h"

namespace {
// The marked options of the test panel's cooler lists, read whenever the panel opens.
int coolerOption1 = 0, coolerOption2 = 0;

void dimTestControls(const int* controls, int count, int dimmed) {
  for (int i = 0; i < count; i++) SetCtrlAttribute(testpanel, controls[i], ATTR_DIMMED, dimmed);
}

const int cameraControls[] = {test_panel_setCooler, test_panel_TEXTMSG, test_panel_TB_Text_Monitor};
const int scannerControls[] = {
    test_panel_SlitStepDecrease, test_panel_SlitStepSize, test_panel_SlitStepIncrease,
    test_panel_SetZero,          test_panel_upload_data,  test_panel_TEXTMSG_2,
    test_panel_radio_scan,       test_panel_STR_Command,  test_panel_TB_Text_Monitor};
const int motorControls[] = {test_panel_Motor_Device_Select, test_panel_Motor_Moving_Distance,
                             test_panel_Motor_Step_Decrease, test_panel_Motor_Stop,
                             test_panel_Motor_Step_Increase, test_panel_Motor_Position,
                             test_panel_TEXTMSG_4,           test_panel_radio_motor,
                             test_panel_STR_Command,         test_panel_TB_Text_Monitor};
constexpr int count(const auto& a) { return static_cast<int>(sizeof a / sizeof a[0]); }
}  // namespace

int CVICALLBACK Set_HELX_parameter(int panel, int control, int event, void* callbackData,
                                   int eventData1, int eventData2) {
  (void)panel, (void)control, (void)callbackData, (void)eventData1, (void)eventData2;
  if (event != EVENT_COMMIT) return 0;
  DisplayPanel(HELXpanelSetting);
  SetTabPageAttribute(HELXpanelSetting, SetHELX_setTAB, 0, ATTR_DIMMED, CCD_status != 1);
  SetTabPageAttribute(HELXpanelSetting, SetHELX_setTAB, 1, ATTR_DIMMED, Scanner_status != 1);
  SetTabPageAttribute(HELXpanelSetting, SetHELX_setTAB, 2, ATTR_DIMMED, Motor_status != 1);
  return 0;
}

int CVICALLBACK SetHELX_proc(int panel, int event, void* callbackData, int eventData1,
                             int eventData2) {
  (void)panel, (void)callbackData, (void)eventData1, (void)eventData2;
  if (event != EVENT_CLOSE && event != EVENT_DISCARD) return 0;
  // Closing the dialog is a Cancel: what was browsed is not in force and must not show.
  RestoreConfirmedControls();
  HidePanel(HELXpanelSetting);
  return 0;
}

int CVICALLBACK HELX_setCancel(int panel, int control, int event, void* callbackData,
                               int eventData1, int eventData2) {
  (void)panel, (void)control, (void)callbackData, (void)eventData1, (void)eventData2;
  if (event != EVENT_COMMIT) return 0;
  RestoreConfirmedControls();
  HidePanel(HELXpanelSetting);
  return 0;
}

int CVICALLBACK Scan_Mode(int panel, int control, int event, void* callbackData, int eventData1,
                          int eventData2) {
  (void)callbackData, (void)eventData1, (void)eventData2;
  if (event != EVENT_COMMIT) return 0;
  // A preview: the scan mode in force changes at OK alone.
  int mode = 0;
  GetCtrlIndex(panel, control, &mode);
  AppendMonitor(mode == 0 ? "Spectrograph mode" : "Imaging mode");
  ShowScanModeChoice(panel, mode);
  return 0;
}

int CVICALLBACK CCD_setBinning(int panel, int control, int event, void* callbackData,
                               int eventData1, int eventData2) {
  (void)callbackData, (void)eventData1, (void)eventData2;
  if (event != EVENT_COMMIT) return 0;
  int binning = 0;
  GetCtrlVal(panel, control, &binning);
  ShowBinningChoice(panel, binning);
  return 0;
}

int CVICALLBACK make_foldert_arget(int panel, int control, int event, void* callbackData,
                                   int eventData1, int eventData2) {
  (void)callbackData, (void)eventData1, (void)eventData2;
  if (event != EVENT_COMMIT) return 0;
  int target = 0;
  GetCtrlVal(panel, control, &target);
  ShowTargetChoice(panel, target);
  return 0;
}

int CVICALLBACK CCD_setCamera(int panel, int control, int event, void* callbackData, int eventData1,
                              int eventData2) {
  (void)panel;
  (void)control;
  (void)event;
  (void)callbackData;
  (void)eventData1;
  (void)eventData2;
  return 0;
}

int CVICALLBACK CCD_setExpTime(int panel, int control, int event, void* callbackData,
                               int eventData1, int eventData2) {
  (void)panel;
  (void)control;
  (void)event;
  (void)callbackData;
  (void)eventData1;
  (void)eventData2;
  return 0;
}

int CVICALLBACK Obs_Test(int panel, int control, int event, void* callbackData, int eventData1,
                         int eventData2) {
  (void)panel, (void)control, (void)callbackData, (void)eventData1, (void)eventData2;
  if (event != EVENT_COMMIT) return 0;
  Radio_GetMarkedOption(testpanel, test_panel_CoolerOnOff1, &coolerOption1);
  Radio_GetMarkedOption(testpanel, test_panel_CoolerOnOff2, &coolerOption2);
  DisplayPanel(testpanel);
  if (CCD_status == 1) dimTestControls(cameraControls, count(cameraControls), 0);
  if (Scanner_status == 1) dimTestControls(scannerControls, count(scannerControls), 0);
  if (Motor_status == 1) {
    // The wavelength list is read again into its ring before the motor controls open, so that
    // entries added with "Add Wv Field" show at once.
    ResetPanel();
    OpenFileF(nullptr);
    InitPanel();
    dimTestControls(motorControls, count(motorControls), 0);
  }
  return 0;
}

int CVICALLBACK test_panel_proc(int panel, int event, void* callbackData, int eventData1,
                                int eventData2) {
  (void)panel, (void)callbackData, (void)eventData1, (void)eventData2;
  if (event != EVENT_CLOSE) return 0;
  dimTestControls(cameraControls, count(cameraControls), 1);
  dimTestControls(scannerControls, count(scannerControls), 1);
  dimTestControls(motorControls, count(motorControls), 1);
  HidePanel(testpanel);
  return 0;
}

void DimTestPanelOfClosedDevices(void) {
  if (CCD_status != 1) dimTestControls(cameraControls, count(cameraControls), 1);
  if (Scanner_status != 1) dimTestControls(scannerControls, count(scannerControls), 1);
  if (Motor_status != 1) dimTestControls(motorControls, count(motorControls), 1);
  // The groups share the message box and the command line: those of a device still open stay
  // usable where the panel shows them.
  int shown = 0;
  GetPanelAttribute(testpanel, ATTR_VISIBLE, &shown);
  if (!shown) return;
  if (CCD_status == 1) dimTestControls(cameraControls, count(cameraControls), 0);
  if (Scanner_status == 1) dimTestControls(scannerControls, count(scannerControls), 0);
  if (Motor_status == 1) dimTestControls(motorControls, count(motorControls), 0);
}

int CVICALLBACK radio_scan(int panel, int control, int event, void* callbackData, int eventData1,
                           int eventData2) {
  (void)control, (void)callbackData, (void)eventData1, (void)eventData2;
  if (event != EVENT_COMMIT) return 0;
  SetCtrlVal(panel, test_panel_radio_scan, 1);
  SetCtrlVal(panel, test_panel_radio_motor, 0);
  return 0;
}

int CVICALLBACK radio_motor(int panel, int control, int event, void* callbackData, int eventData1,
                            int eventData2) {
  (void)control, (void)callbackData, (void)eventData1, (void)eventData2;
  if (event != EVENT_COMMIT) return 0;
  SetCtrlVal(panel, test_panel_radio_scan, 0);
  SetCtrlVal(panel, test_panel_radio_motor, 1);
  return 0;
}
