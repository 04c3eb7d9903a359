// The application shell: start-up, the main panel's and the menus' small callbacks, and the
// table that binds every callback name of the panel resource to its function.
#pragma once

#include "app/callbacks.h"
#include "state/HELX.h"
#include "state/monitor.h"

// The program's entry: loads the panels, runs the event loop; 0 after a normal end, -1 when
// start-up fails.
int HELX_main(int argc, char* argv[]);

// Binds every callback the program has to its name in the panel resource.
void RegisterHELXCallbacks();

// Dims the test panel's controls of every device that is no longer open (Power Off), so that
// none of them acts on a closed camera, scanner or motor controller.
void DimTestPanelOfClosedDevices(void);
