// The main panel's own callback, the menu commands and the setup dialog's step-duration preview.
#include <cstdlib>

#include "app/shell.h"
#include "platform/ui/userint.h"
#include "state/observation_state.h"

int CVICALLBACK panel_proc(int panel, int event, void* callbackData, int eventData1,
                           int eventData2) {
  (void)eventData1;
  (void)eventData2;
  // Closing the main window is the "QUIT" button.
  if (event == EVENT_CLOSE) QuitCallback(panel, PANEL_QUITBUTTON, EVENT_COMMIT, callbackData, 0, 0);
  return 0;
}

void CVICALLBACK mnuExit(int menuBar, int menuItem, void* callbackData, int panel) {
  (void)menuBar;
  (void)menuItem;
  QuitCallback(panel, PANEL_QUITBUTTON, EVENT_COMMIT, callbackData, 0, 0);
}

void CVICALLBACK mnuSetup(int menuBar, int menuItem, void* callbackData, int panel) {
  (void)menuItem;
  Set_HELX_parameter(panel, PANEL_Set_HELX_parameter, EVENT_COMMIT, callbackData, 0, 0);
  SetMenuBarAttribute(menuBar, MENUBAR_TEST, ATTR_DIMMED, 0);
  SetMenuBarAttribute(menuBar, MENUBAR_ABOUT, ATTR_DIMMED, 0);
  SetMenuBarAttribute(menuBar, MENUBAR_ABOUT_ABOUT, ATTR_DIMMED, 0);
}

void CVICALLBACK mnuTest(int menuBar, int menuItem, void* callbackData, int panel) {
  (void)menuBar;
  (void)menuItem;
  Obs_Test(panel, PANEL_Obs_Test, EVENT_COMMIT, callbackData, 0, 0);
}

// Runs on every event of the tab control: a preview of the step duration from camera 1's
// exposure, whatever the configuration. Only the page shows it: the exposure and step duration
// in force (read by the run and written into every file) change at OK alone.
int CVICALLBACK setTAB(int panel, int control, int event, void* callbackData, int eventData1,
                       int eventData2) {
  (void)panel;
  (void)control;
  (void)event;
  (void)callbackData;
  (void)eventData1;
  (void)eventData2;
  int camera = 0;
  char exposure[256] = "";
  GetPanelHandleFromTabPage(HELXpanelSetting, SetHELX_setTAB, 0, &TabPanelHandle);
  GetCtrlVal(TabPanelHandle, setCCDTAB_CCD_setCamera, &camera);
  GetCtrlVal(TabPanelHandle, setCCDTAB_CCD_setExpTime, exposure);
  const double previewExposure = std::atof(exposure);
  const double preview = (camera == kBothAtEveryStep || camera == kFlatFielding)
                             ? 2 * 1000 * previewExposure + 70
                             : 1000 * previewExposure + 70;

  GetPanelHandleFromTabPage(HELXpanelSetting, SetHELX_setTAB, 1, &TabPanelHandle);
  SetCtrlVal(TabPanelHandle, setScanTAB_Scan_Step_duration,
             static_cast<double>(static_cast<float>(preview)));
  return 0;
}
