// The image display's callbacks: graphic panel, byte scale, frame and cube browsing, profile,
// histogram.
// The panel resource binds each by name through the callback table (app/callback_table.cpp).
// This folder's header brings them to the folders above it; no folder below sees them.
#pragma once

#include "platform/ui/userint.h"

int CVICALLBACK Graphicpnl_proc(int panel, int event, void* callbackData, int eventData1,
                                int eventData2);
int CVICALLBACK pic_window(int panel, int control, int event, void* callbackData, int eventData1,
                           int eventData2);
int CVICALLBACK viewCCD1(int panel, int control, int event, void* callbackData, int eventData1,
                         int eventData2);
int CVICALLBACK viewCCD2(int panel, int control, int event, void* callbackData, int eventData1,
                         int eventData2);
int CVICALLBACK drawHistogram(int panel, int control, int event, void* callbackData, int eventData1,
                              int eventData2);
int CVICALLBACK SetSelectFrame(int panel, int control, int event, void* callbackData,
                               int eventData1, int eventData2);
int CVICALLBACK SetBytsclMax(int panel, int control, int event, void* callbackData, int eventData1,
                             int eventData2);
int CVICALLBACK SetBytsclMin(int panel, int control, int event, void* callbackData, int eventData1,
                             int eventData2);
int CVICALLBACK setFrameAxis(int panel, int control, int event, void* callbackData, int eventData1,
                             int eventData2);
