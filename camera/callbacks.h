// The cameras' callback: the cooler switch.
// The panel resource binds each by name through the callback table (app/callback_table.cpp).
// This folder's header brings them to the folders above it; no folder below sees them.
#pragma once

#include "platform/ui/userint.h"

int CVICALLBACK setCooler(int panel, int control, int event, void* callbackData, int eventData1,
                          int eventData2);
