// The stepper motors' callbacks: device selection, manual jog, stop, the wavelength-list editor.
// The panel resource binds each by name through the callback table (app/callback_table.cpp).
// This folder's header brings them to the folders above it; no folder below sees them.
#pragma once

#include "platform/ui/userint.h"

int CVICALLBACK motor_device_select(int panel, int control, int event, void* callbackData,
                                    int eventData1, int eventData2);
int CVICALLBACK AddWvField(int panel, int control, int event, void* callbackData, int eventData1,
                           int eventData2);
int CVICALLBACK motor_step_increase(int panel, int control, int event, void* callbackData,
                                    int eventData1, int eventData2);
int CVICALLBACK motor_step_decrease(int panel, int control, int event, void* callbackData,
                                    int eventData1, int eventData2);
int CVICALLBACK Motor_Stop(int panel, int control, int event, void* callbackData, int eventData1,
                           int eventData2);
