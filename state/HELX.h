/* Constants of the panel resource HELX.uir: panels, tab pages, controls and the menu bar.
   Each number is the one the resource gives; tests/app/uir_resource_test.cpp checks that the
   two agree, constant by constant and kind by kind. The callbacks the comments name are declared
   by the folders that define them (camera/callbacks.h, ...), so that no folder sees the
   callbacks of a folder above it. */

#ifndef HELX_STATE_HELX_H
#define HELX_STATE_HELX_H

/* The table keeps the toolkit's one-line layout. */
/* clang-format off */
     /* Panels and Controls: */

#define  GRAPHICPNL                         1    /* panel, callback function: Graphicpnl_proc */
#define  GRAPHICPNL_PIC_WINDOW              2    /* control type: picture, callback function: pic_window */

#define  InfoPanel                          2    /* panel, callback function: InfoPanel_proc */
#define  InfoPanel_textBox                  2    /* control type: textBox, callback function: (none) */

#define  PANEL                              3    /* panel, callback function: panel_proc */
#define  PANEL_POWERON                      2    /* control type: command, callback function: PowerOn */
#define  PANEL_POWEROFF                     3    /* control type: command, callback function: PowerOff */
#define  PANEL_DECORATION_4                 4    /* control type: deco, callback function: (none) */
#define  PANEL_Set_HELX_parameter           5    /* control type: command, callback function: Set_HELX_parameter */
#define  PANEL_Obs_Test                     6    /* control type: command, callback function: Obs_Test */
#define  PANEL_HELX_FileOpen                7    /* control type: command, callback function: cmdOpen */
#define  PANEL_DECORATION_8                 8    /* control type: deco, callback function: (none) */
#define  PANEL_HELX_cmdStop                 9    /* control type: command, callback function: cmdStop */
#define  PANEL_viewCCD1                     10   /* control type: textButton, callback function: viewCCD1 */
#define  PANEL_viewCCD2                     11   /* control type: textButton, callback function: viewCCD2 */
#define  PANEL_QUITBUTTON                   12   /* control type: command, callback function: QuitCallback */
#define  PANEL_TB_Text_Monitor              13   /* control type: textBox, callback function: (none) */
#define  PANEL_cmd_Run                      14   /* control type: command, callback function: cmd_Run */
#define  PANEL_TEXTMSG_15                   15   /* control type: textMsg, callback function: (none) */
#define  PANEL_TEXTMSG_16                   16   /* control type: textMsg, callback function: (none) */
#define  PANEL_DECORATION_17                17   /* control type: deco, callback function: (none) */
#define  PANEL_TEXTMSG_18                   18   /* control type: textMsg, callback function: (none) */
#define  PANEL_TEXTMSG_19                   19   /* control type: textMsg, callback function: (none) */
#define  PANEL_GRAPH                        20   /* control type: graph, callback function: drawHistogram */
#define  PANEL_Position                     21   /* control type: textMsg, callback function: (none) */
#define  PANEL_Motor_Status                 22   /* control type: LED, callback function: (none) */
#define  PANEL_Scan_Status                  23   /* control type: LED, callback function: (none) */
#define  PANEL_CCD_Status                   24   /* control type: LED, callback function: (none) */
#define  PANEL_INPOSITION                   25   /* control type: LED, callback function: (none) */
#define  PANEL_MOTORRUN                     26   /* control type: LED, callback function: (none) */
#define  PANEL_NLIMIT                       27   /* control type: LED, callback function: (none) */
#define  PANEL_CCDTEMPSTATUS                28   /* control type: LED, callback function: (none) */
#define  PANEL_PLIMIT                       29   /* control type: LED, callback function: (none) */
#define  PANEL_S1                           30   /* control type: textMsg, callback function: (none) */
#define  PANEL_P1                           31   /* control type: textMsg, callback function: (none) */
#define  PANEL_TIMER                        32   /* control type: timer, callback function: Ampon_timer */
#define  PANEL_TEXTMSG_33                   33   /* control type: textMsg, callback function: (none) */
#define  PANEL_set_Select_Frame             34   /* control type: scale, callback function: SetSelectFrame */
#define  PANEL_COM6SRVR6KNET                35   /* control type: activeX, callback function: (none) */
#define  PANEL_BYTSCL_MAX                   36   /* control type: scale, callback function: SetBytsclMax */
#define  PANEL_BYTSCL_MIN                   37   /* control type: scale, callback function: SetBytsclMin */
#define  PANEL_SelectAxis                   38   /* control type: tree, callback function: setFrameAxis */
#define  PANEL_DECORATION_39                39   /* control type: deco, callback function: (none) */
#define  PANEL_strMean                      40   /* control type: textMsg, callback function: (none) */
#define  PANEL_IDLDRAWWIDGET                41   /* control type: activeX, callback function: (none) */
#define  PANEL_strStdev                     42   /* control type: textMsg, callback function: (none) */
#define  PANEL_xpos                         43   /* control type: textMsg, callback function: (none) */
#define  PANEL_ypos                         44   /* control type: textMsg, callback function: (none) */
#define  PANEL_value                        45   /* control type: textMsg, callback function: (none) */
#define  PANEL_TEXTMSG_46                   46   /* control type: textMsg, callback function: (none) */
#define  PANEL_TEXTMSG_47                   47   /* control type: textMsg, callback function: (none) */
#define  PANEL_TEXTMSG_48                   48   /* control type: textMsg, callback function: (none) */
#define  PANEL_datamean                     49   /* control type: textMsg, callback function: (none) */
#define  PANEL_datastdev                    50   /* control type: textMsg, callback function: (none) */
#define  PANEL_TEXTMSG_51                   51   /* control type: textMsg, callback function: (none) */
#define  PANEL_strScanTime                  52   /* control type: textMsg, callback function: (none) */
#define  PANEL_strStepSize                  53   /* control type: textMsg, callback function: (none) */
#define  PANEL_TEXTMSG_54                   54   /* control type: textMsg, callback function: (none) */
#define  PANEL_TEXTMSG_55                   55   /* control type: textMsg, callback function: (none) */
#define  PANEL_TEXTMSG_56                   56   /* control type: textMsg, callback function: (none) */
#define  PANEL_TEXTMSG_57                   57   /* control type: textMsg, callback function: (none) */
#define  PANEL_TEXTMSG_58                   58   /* control type: textMsg, callback function: (none) */
#define  PANEL_TEXTMSG_59                   59   /* control type: textMsg, callback function: (none) */
#define  PANEL_TEXTMSG_60                   60   /* control type: textMsg, callback function: (none) */
#define  PANEL_TEXTMSG_61                   61   /* control type: textMsg, callback function: (none) */
#define  PANEL_TEXTMSG_62                   62   /* control type: textMsg, callback function: (none) */
#define  PANEL_nAxis1                       63   /* control type: textMsg, callback function: (none) */
#define  PANEL_info2                        64   /* control type: textMsg, callback function: (none) */
#define  PANEL_info3                        65   /* control type: textMsg, callback function: (none) */
#define  PANEL_info4                        66   /* control type: textMsg, callback function: (none) */
#define  PANEL_info11                       67   /* control type: textMsg, callback function: (none) */
#define  PANEL_info5                        68   /* control type: textMsg, callback function: (none) */
#define  PANEL_info10                       69   /* control type: textMsg, callback function: (none) */
#define  PANEL_info7_1                      70   /* control type: textMsg, callback function: (none) */
#define  PANEL_info6                        71   /* control type: textMsg, callback function: (none) */
#define  PANEL_info7                        72   /* control type: textMsg, callback function: (none) */
#define  PANEL_info8                        73   /* control type: textMsg, callback function: (none) */
#define  PANEL_info1_7                      74   /* control type: textMsg, callback function: (none) */
#define  PANEL_unit1                        75   /* control type: textMsg, callback function: (none) */
#define  PANEL_unit2                        76   /* control type: textMsg, callback function: (none) */
#define  PANEL_info1_4                      77   /* control type: textMsg, callback function: (none) */
#define  PANEL_info9                        78   /* control type: textMsg, callback function: (none) */
#define  PANEL_TEXTMSG_79                   79   /* control type: textMsg, callback function: (none) */
#define  PANEL_DECORATION_80                80   /* control type: deco, callback function: (none) */
#define  PANEL_TEXTMSG_81                   81   /* control type: textMsg, callback function: (none) */
#define  PANEL_DECORATION_82                82   /* control type: deco, callback function: (none) */
#define  PANEL_TEXTMSG_83                   83   /* control type: textMsg, callback function: (none) */
#define  PANEL_TEXTMSG_84                   84   /* control type: textMsg, callback function: (none) */
#define  PANEL_TEXTMSG_85                   85   /* control type: textMsg, callback function: (none) */
#define  PANEL_TEXTMSG_86                   86   /* control type: textMsg, callback function: (none) */
#define  PANEL_TEXTMSG_87                   87   /* control type: textMsg, callback function: (none) */
#define  PANEL_nAxis2                       88   /* control type: textMsg, callback function: (none) */
#define  PANEL_nAxis3                       89   /* control type: textMsg, callback function: (none) */
#define  PANEL_info1                        90   /* control type: textMsg, callback function: (none) */
#define  PANEL_ExpTime                      91   /* control type: textMsg, callback function: (none) */
#define  PANEL_DECORATION_92                92   /* control type: deco, callback function: (none) */
#define  PANEL_info1_5                      93   /* control type: textMsg, callback function: (none) */
#define  PANEL_info1_6                      94   /* control type: textMsg, callback function: (none) */
#define  PANEL_TEXTMSG_95                   95   /* control type: textMsg, callback function: (none) */
#define  PANEL_TEXTMSG_96                   96   /* control type: textMsg, callback function: (none) */
#define  PANEL_TEXTMSG_97                   97   /* control type: textMsg, callback function: (none) */
#define  PANEL_TEXTMSG_98                   98   /* control type: textMsg, callback function: (none) */
#define  PANEL_TEXTMSG_99                   99   /* control type: textMsg, callback function: (none) */
#define  PANEL_CCD2TEMP                     100  /* control type: textMsg, callback function: (none) */
#define  PANEL_CCD1TEMP                     101  /* control type: textMsg, callback function: (none) */
#define  PANEL_P1_2                         102  /* control type: textMsg, callback function: (none) */
#define  PANEL_SaveUnsaved                   103  /* control type: command, callback function: cmdSaveUnsaved */
#define  PANEL_TEXTMSG_104                   104  /* control type: textMsg, callback function: (none) */
#define  PANEL_saturated                     105  /* control type: textMsg, callback function: (none) */

#define  SetHELX                            4    /* panel, callback function: SetHELX_proc */
#define  SetHELX_HELX_setCancel             2    /* control type: command, callback function: HELX_setCancel */
#define  SetHELX_setTAB                     3    /* control type: tab, callback function: setTAB */
#define  SetHELX_HELX_setOK                 4    /* control type: command, callback function: HELX_setOK */

#define  setCCDTAB                          0    /* tab page 0 of SetHELX_setTAB */
#define  setCCDTAB_DECORATION_2             2    /* control type: deco, callback function: (none) */
#define  setCCDTAB_CCD_setAcq               3    /* control type: ring, callback function: (none) */
#define  setCCDTAB_CCD_setFrameNumber       4    /* control type: string, callback function: (none) */
#define  setCCDTAB_CCD_setGain              5    /* control type: string, callback function: (none) */
#define  setCCDTAB_DECORATION_6             6    /* control type: deco, callback function: (none) */
#define  setCCDTAB_DECORATION_7             7    /* control type: deco, callback function: (none) */
#define  setCCDTAB_CCD_setFan               8    /* control type: tree, callback function: (none) */
#define  setCCDTAB_CCD_setExpTime2          9    /* control type: string, callback function: CCD_setExpTime */
#define  setCCDTAB_CCD_setExpTime           10   /* control type: string, callback function: CCD_setExpTime */
#define  setCCDTAB_CCD_setBinning           11   /* control type: tree, callback function: CCD_setBinning */
#define  setCCDTAB_DECORATION_12            12   /* control type: deco, callback function: (none) */
#define  setCCDTAB_CCD_setSequence          13   /* control type: numeric, callback function: (none) */
#define  setCCDTAB_CCD_setVBin              14   /* control type: string, callback function: (none) */
#define  setCCDTAB_CCD_setHBin              15   /* control type: string, callback function: (none) */
#define  setCCDTAB_TEXTMSG                  16   /* control type: textMsg, callback function: (none) */
#define  setCCDTAB_CCD_setShutter           17   /* control type: tree, callback function: (none) */
#define  setCCDTAB_DECORATION_18            18   /* control type: deco, callback function: (none) */
#define  setCCDTAB_CCD_setCamera            19   /* control type: tree, callback function: CCD_setCamera */
#define  setCCDTAB_SPLITTER_20              20   /* control type: splitter, callback function: (none) */
#define  setCCDTAB_CCD_setGain2             21   /* control type: string, callback function: (none) */
#define  setCCDTAB_CCD_setPGain1            22   /* control type: string, callback function: (none) */
#define  setCCDTAB_CCD_setPGain2            23   /* control type: string, callback function: (none) */

#define  setScanTAB                         1    /* tab page 1 of SetHELX_setTAB */
#define  setScanTAB_Scan_Mode               2    /* control type: ring, callback function: Scan_Mode */
#define  setScanTAB_Scan_Step_size          3    /* control type: numeric, callback function: (none) */
#define  setScanTAB_Scan_Step_number        4    /* control type: numeric, callback function: (none) */
#define  setScanTAB_Scan_speed              5    /* control type: numeric, callback function: (none) */
#define  setScanTAB_DECORATION_6            6    /* control type: deco, callback function: (none) */
#define  setScanTAB_TEXTMSG_1               7    /* control type: textMsg, callback function: (none) */
#define  setScanTAB_Scan_Frames             8    /* control type: numeric, callback function: (none) */
#define  setScanTAB_Scan_stroke             9    /* control type: numeric, callback function: (none) */
#define  setScanTAB_TEXTMSG_2               10   /* control type: textMsg, callback function: (none) */
#define  setScanTAB_DECORATION_11           11   /* control type: deco, callback function: (none) */
#define  setScanTAB_Scan_Step_duration      12   /* control type: numeric, callback function: (none) */
#define  setScanTAB_SPLITTER_13             13   /* control type: splitter, callback function: (none) */

#define  setMotoTAB                         2    /* tab page 2 of SetHELX_setTAB */
#define  setMotoTAB_Motor_Wavelength        2    /* control type: ring, callback function: (none) */

#define  setMISC                            3    /* tab page 3 of SetHELX_setTAB */
#define  setMISC_MISC_Observer              2    /* control type: string, callback function: (none) */
#define  setMISC_MISC_TargetRing            3    /* control type: ring, callback function: make_foldert_arget */
#define  setMISC_MISC_Target                4    /* control type: string, callback function: (none) */
#define  setMISC_MISC_ARNumber              5    /* control type: string, callback function: (none) */
#define  setMISC_sunXpos                    6    /* control type: numeric, callback function: (none) */
#define  setMISC_sunYpos                    7    /* control type: numeric, callback function: (none) */
#define  setMISC_TEXTMSG_8                  8    /* control type: textMsg, callback function: (none) */
#define  setMISC_TEXTMSG_9                  9    /* control type: textMsg, callback function: (none) */
#define  setMISC_TEXTMSG_10                 10   /* control type: textMsg, callback function: (none) */
#define  setMISC_TEXTMSG_11                 11   /* control type: textMsg, callback function: (none) */
#define  setMISC_TEXTMSG_12                 12   /* control type: textMsg, callback function: (none) */
#define  setMISC_TEXTMSG_13                 13   /* control type: textMsg, callback function: (none) */
#define  setMISC_TEXTMSG_14                 14   /* control type: textMsg, callback function: (none) */
#define  setMISC_TEXTMSG_15                 15   /* control type: textMsg, callback function: (none) */

#define  test_panel                         5    /* panel, callback function: test_panel_proc */
#define  test_panel_CoolerOnOff1            2    /* control type: tree, callback function: (none) */
#define  test_panel_CoolerOnOff2            3    /* control type: tree, callback function: (none) */
#define  test_panel_ccdTemp                 4    /* control type: numeric, callback function: (none) */
#define  test_panel_ccdTemp2                5    /* control type: numeric, callback function: (none) */
#define  test_panel_setCooler               6    /* control type: command, callback function: setCooler */
#define  test_panel_Motor_Device_Select     7    /* control type: tree, callback function: motor_device_select */
#define  test_panel_Motor_Moving_Distance   8    /* control type: numeric, callback function: (none) */
#define  test_panel_Motor_Position          9    /* control type: string, callback function: (none) */
#define  test_panel_ADDWVFIELDBTN           10   /* control type: command, callback function: AddWvField */
#define  test_panel_SlitStepSize            11   /* control type: numeric, callback function: (none) */
#define  test_panel_DECORATION_12           12   /* control type: deco, callback function: (none) */
#define  test_panel_upload_data             13   /* control type: command, callback function: upload_data */
#define  test_panel_radio_scan              14   /* control type: textButton, callback function: radio_scan */
#define  test_panel_radio_motor             15   /* control type: textButton, callback function: radio_motor */
#define  test_panel_STR_Command             16   /* control type: string, callback function: STR_Command */
#define  test_panel_Motor_Step_Increase     17   /* control type: command, callback function: motor_step_increase */
#define  test_panel_TB_Text_Monitor         18   /* control type: textBox, callback function: (none) */
#define  test_panel_Motor_Step_Decrease     19   /* control type: command, callback function: motor_step_decrease */
#define  test_panel_SlitStepIncrease        20   /* control type: command, callback function: SlitStepIncrease */
#define  test_panel_SlitStepDecrease        21   /* control type: command, callback function: SlitStepDecrease */
#define  test_panel_SetZero                 22   /* control type: command, callback function: SetZero */
#define  test_panel_DECORATION_23           23   /* control type: deco, callback function: (none) */
#define  test_panel_TEXTMSG                 24   /* control type: textMsg, callback function: (none) */
#define  test_panel_DECORATION_25           25   /* control type: deco, callback function: (none) */
#define  test_panel_TEXTMSG_4               26   /* control type: textMsg, callback function: (none) */
#define  test_panel_TEXTMSG_2               27   /* control type: textMsg, callback function: (none) */
#define  test_panel_Motor_Stop              28   /* control type: command, callback function: Motor_Stop */


     /* Menu Bars, Menus, and Menu Items: */

#define  MENUBAR                            1    /* menu bar */
#define  MENUBAR_FILE                       2    /* menu */
#define  MENUBAR_FILE_OPEN                  3    /* menu item, callback function: mnuOpen */
#define  MENUBAR_FILE_SAVE                  4    /* menu item, callback function: mnuSave */
#define  MENUBAR_FILE_EXIT                  5    /* menu item, callback function: mnuExit */
#define  MENUBAR_SETUP                      6    /* menu */
#define  MENUBAR_SETUP_SETUP                7    /* menu item, callback function: mnuSetup */
#define  MENUBAR_TEST                       8    /* menu */
#define  MENUBAR_TEST_TEST                  9    /* menu item, callback function: mnuTest */
#define  MENUBAR_ABOUT                      10   /* menu */
#define  MENUBAR_ABOUT_ABOUT                11   /* menu item, callback function: mnuAbout */

/* clang-format on */

#endif /* HELX_STATE_HELX_H */
