// The operator's command line on the test panel: one command to the scanner's controller or to
// the stepper controller, chosen by the two toggles.
#include <cstdio>

#include "motors/motors.h"
#include "scanner/scanner.h"
#include "state/HELX.h"
#include "state/monitor.h"
#include "state/observation_state.h"

int CVICALLBACK STR_Command(int panel, int control, int event, void* callbackData, int eventData1,
                            int eventData2) {
  (void)callbackData, (void)eventData2;
  if (event != EVENT_KEYPRESS || eventData1 != VAL_ENTER_VKEY) return 0;
  int scanner = 0, motor = 0;
  GetCtrlVal(testpanel, test_panel_radio_scan, &scanner);
  GetCtrlVal(testpanel, test_panel_radio_motor, &motor);
  // The control holds up to 255 typed characters; the command is at most 35 of them.
  char typed[256] = "";
  GetCtrlVal(panel, control, typed);
  char command[36] = "";
  std::snprintf(command, sizeof command, "%.35s", typed);
  SetCtrlVal(panel, control, "");

  if (scanner == 1 && motor == 0) {
    char echo[100] = {0};
    std::snprintf(echo, sizeof echo, "Scanner> %s\n", command);
    SetCtrlVal(testpanel, test_panel_TB_Text_Monitor, echo);
    getresponse(command);
  } else if (scanner == 0 && motor == 1) {
    MotorCommandLine(command);
  }
  return 0;
}
