#include "app/observation_state.h"
#include "app/shell.h"
#include "platform/ui/userint.h"

void AppendMonitor(const char* text) { SetCtrlVal(mainPanel, PANEL_TB_Text_Monitor, text); }

void TellOperator(const char* title, const char* text) {
  AppendMonitor(text);
  MessagePopup(title, text);
}
