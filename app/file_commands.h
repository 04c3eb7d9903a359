// The operator's file commands (open a data file, export the shown plane as a bitmap) and the
// About report. The callbacks themselves are declared with app's others in app/callbacks.h.
#pragma once

#include "app/callbacks.h"
#include "state/HELX.h"
