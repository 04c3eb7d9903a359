#include "state/monitor.h"

#include "platform/ui/userint.h"
#include "state/HELX.h"
#include "state/observation_state.h"

void AppendMonitor(const char* text) { SetCtrlVal(mainPanel, PANEL_TB_Text_Monitor, text); }

void TellOperator(const char* title, const char* text) {
  AppendMonitor(text);
  MessagePopup(title, text);
}
