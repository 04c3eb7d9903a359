// The operator's file commands (open a data file, export the shown plane as a bitmap) and the
// About report. The callbacks themselves are declared with the others in app/HELX.h.
#pragma once

#include "app/HELX.h"
