// The application shell's callbacks: main panel, menus, power, file commands, setup dialog.
// The panel resource binds each by name through the callback table (app/callback_table.cpp).
// app/shell.h brings them to the rest of app/; no other folder sees them.
#pragma once

#include "platform/ui/userint.h"

int CVICALLBACK InfoPanel_proc(int panel, int event, void* callbackData, int eventData1,
                               int eventData2);
int CVICALLBACK panel_proc(int panel, int event, void* callbackData, int eventData1,
                           int eventData2);
int CVICALLBACK SetHELX_proc(int panel, int event, void* callbackData, int eventData1,
                             int eventData2);
int CVICALLBACK test_panel_proc(int panel, int event, void* callbackData, int eventData1,
                                int eventData2);
int CVICALLBACK PowerOn(int panel, int control, int event, void* callbackData, int eventData1,
                        int eventData2);
int CVICALLBACK PowerOff(int panel, int control, int event, void* callbackData, int eventData1,
                         int eventData2);
int CVICALLBACK Set_HELX_parameter(int panel, int control, int event, void* callbackData,
                                   int eventData1, int eventData2);
int CVICALLBACK Obs_Test(int panel, int control, int event, void* callbackData, int eventData1,
                         int eventData2);
int CVICALLBACK cmdOpen(int panel, int control, int event, void* callbackData, int eventData1,
                        int eventData2);
int CVICALLBACK QuitCallback(int panel, int control, int event, void* callbackData, int eventData1,
                             int eventData2);
int CVICALLBACK HELX_setCancel(int panel, int control, int event, void* callbackData,
                               int eventData1, int eventData2);
int CVICALLBACK setTAB(int panel, int control, int event, void* callbackData, int eventData1,
                       int eventData2);
int CVICALLBACK HELX_setOK(int panel, int control, int event, void* callbackData, int eventData1,
                           int eventData2);
int CVICALLBACK CCD_setExpTime(int panel, int control, int event, void* callbackData,
                               int eventData1, int eventData2);
int CVICALLBACK CCD_setBinning(int panel, int control, int event, void* callbackData,
                               int eventData1, int eventData2);
int CVICALLBACK CCD_setCamera(int panel, int control, int event, void* callbackData, int eventData1,
                              int eventData2);
int CVICALLBACK Scan_Mode(int panel, int control, int event, void* callbackData, int eventData1,
                          int eventData2);
int CVICALLBACK make_foldert_arget(int panel, int control, int event, void* callbackData,
                                   int eventData1, int eventData2);
int CVICALLBACK radio_scan(int panel, int control, int event, void* callbackData, int eventData1,
                           int eventData2);
int CVICALLBACK radio_motor(int panel, int control, int event, void* callbackData, int eventData1,
                            int eventData2);
void CVICALLBACK mnuOpen(int menubar, int menuItem, void* callbackData, int panel);
void CVICALLBACK mnuSave(int menubar, int menuItem, void* callbackData, int panel);
void CVICALLBACK mnuExit(int menubar, int menuItem, void* callbackData, int panel);
void CVICALLBACK mnuSetup(int menubar, int menuItem, void* callbackData, int panel);
void CVICALLBACK mnuTest(int menubar, int menuItem, void* callbackData, int panel);
void CVICALLBACK mnuAbout(int menubar, int menuItem, void* callbackData, int panel);
