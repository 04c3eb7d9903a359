// Callbacks are bound by name: the program registers its table before loading panels; a name
// the resource uses but the table lacks is written to the message log when the panel loads.
//
// Threads: register before loading; look-ups are safe from any thread.
#pragma once

#include <string>
#include <vector>

#include "platform/ui/userint.h"

namespace helx::ui {

void RegisterCallback(const std::string& name, CtrlCallbackPtr function);
void RegisterCallback(const std::string& name, PanelCallbackPtr function);
void RegisterCallback(const std::string& name, MenuCallbackPtr function);

CtrlCallbackPtr FindCtrlCallback(const std::string& name);
PanelCallbackPtr FindPanelCallback(const std::string& name);
MenuCallbackPtr FindMenuCallback(const std::string& name);

// Every callback name the resource file uses that has no registered function, sorted.
std::vector<std::string> UnboundCallbackNames(const std::string& resourceFile);

}  // namespace helx::ui
