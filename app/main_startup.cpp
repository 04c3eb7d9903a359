// Start-up: load the four panels and the menu bar, prepare the main panel, run the event loop.
#include "app/shell.h"
#include "platform/ui/userint.h"
#include "state/observation_state.h"

int HELX_main(int argc, char* argv[]) {
  (void)argc;
  if (InitCVIRTE(0, argv, 0) == 0) return -1;
  RegisterHELXCallbacks();

  // The first handle that fails ends start-up at once, before any window is shown.
  if ((mainPanel = LoadPanel(0, "HELX.uir", PANEL)) < 0) return -1;
  if ((HELXpanelSetting = LoadPanel(0, "HELX.uir", SetHELX)) < 0) return -1;
  if ((testpanel = LoadPanel(0, "HELX.uir", test_panel)) < 0) return -1;
  if ((aboutPanel = LoadPanel(0, "HELX.uir", InfoPanel)) < 0) return -1;
  if ((menubar = LoadMenuBar(mainPanel, "HELX.uir", MENUBAR)) < 0) return -1;

  Radio_ConvertFromTree(mainPanel, PANEL_SelectAxis);
  DisplayPanel(mainPanel);
  GetPanelAttribute(mainPanel, ATTR_WIDTH, &panelwidth);
  GetPanelAttribute(mainPanel, ATTR_HEIGHT, &panelheight);
  SetCtrlAttribute(mainPanel, PANEL_IDLDRAWWIDGET, ATTR_VISIBLE, 0);

  RunUserInterface();

  DiscardPanel(mainPanel);
  CloseCVIRTE();
  return 0;
}
