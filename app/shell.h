// The application shell: start-up, the main panel's and the menus' small callbacks, and the
// table that binds every callback name of the panel resource to its function.
#pragma once

#include "app/HELX.h"

// The program's entry: loads the panels, runs the event loop; 0 after a normal end, -1 when
// start-up fails.
int HELX_main(int argc, char* argv[]);

// Binds every callback the program has to its name in the panel resource. Each subsystem
// registers its own (camera, scanner, motors, sequence, files, display).
void RegisterHELXCallbacks();
void RegisterAppCallbacks();
void RegisterCameraCallbacks();
void RegisterScannerCallbacks();
void RegisterMotorCallbacks();
void RegisterSequenceCallbacks();
void RegisterFileCallbacks();
void RegisterDisplayCallbacks();

// Appends a message to the main panel's monitoring window.
void AppendMonitor(const char* text);
// A failure or refusal the operator must see now and find later: the same text in a popup
// titled `title` and in the monitoring window.
void TellOperator(const char* title, const char* text);
