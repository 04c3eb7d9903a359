// The operator's two channels for what happened: the main panel's monitoring window, and a
// popup for what must be seen now.
#pragma once

// Appends a message to the main panel's monitoring window.
void AppendMonitor(const char* text);
// A failure or refusal the operator must see now and find later: the same text in a popup
// titled `title` and in the monitoring window.
void TellOperator(const char* title, const char* text);
