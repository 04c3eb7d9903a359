// The scanner's callbacks: the amplifiers' power-on timer, gathered data, the command line, the
// slit steps and zero.
// The panel resource binds each by name through the callback table (app/callback_table.cpp).
// This folder's header brings them to the folders above it; no folder below sees them.
#pragma once

#include "platform/ui/userint.h"

int CVICALLBACK Ampon_timer(int panel, int control, int event, void* callbackData, int eventData1,
                            int eventData2);
int CVICALLBACK upload_data(int panel, int control, int event, void* callbackData, int eventData1,
                            int eventData2);
int CVICALLBACK STR_Command(int panel, int control, int event, void* callbackData, int eventData1,
                            int eventData2);
int CVICALLBACK SlitStepIncrease(int panel, int control, int event, void* callbackData,
                                 int eventData1, int eventData2);
int CVICALLBACK SlitStepDecrease(int panel, int control, int event, void* callbackData,
                                 int eventData1, int eventData2);
int CVICALLBACK SetZero(int panel, int control, int event, void* callbackData, int eventData1,
                        int eventData2);
