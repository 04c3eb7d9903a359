// The operator's file commands (open a data file, export the shown plane as a bitmap) and the
// About report. The callbacks themselves are declared with the others in state/HELX.h.
#pragma once

#include "state/HELX.h"
