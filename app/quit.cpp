// "QUIT": stop a running observation, park the instrument, start the file-transfer program and
// end the event loop.
#include "app/observation_state.h"
#include "app/shell.h"
#include "platform/ui/userint.h"

int CVICALLBACK QuitCallback(int panel, int control, int event, void* callbackData, int eventData1,
                             int eventData2) {
  (void)panel;
  (void)control;
  (void)callbackData;
  (void)eventData1;
  (void)eventData2;
  if (event != EVENT_COMMIT) return 0;

  Run_thread_stop = 1;

  // The stepper controller, the cameras and the scanner link are parked here, in that order,
  // by the power-up and shutdown module once the devices are in.

  // The transfer program lies outside this system; whether it starts is not our concern.
  LaunchExecutable("HELXFtp.exe");

  if (GraphicPanel != 0) {
    DiscardPanel(GraphicPanel);
    GraphicPanel = 0;
  }
  DiscardPanel(HELXpanelSetting);
  DiscardPanel(testpanel);
  DiscardPanel(aboutPanel);
  QuitUserInterface(0);
  return 0;
}
