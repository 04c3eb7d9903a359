// Power On, Power Off and QUIT: the whole instrument brought up in order and taken down again.
#include <cstdio>

#include "app/shell.h"
#include "camera/camera.h"
#include "motors/motors.h"
#include "platform/ui/wait.h"
#include "scanner/scanner.h"
#include "sequence/sequence.h"
#include "state/observation_state.h"

namespace {
// How long QUIT waits for a run to end (the scan in progress aborted, its data saved).
constexpr double kQuitRunLimitSeconds = 120.0;
// Power Off lets a run finish its scan and save it; past this it keeps the instrument powered.
constexpr double kPowerOffRunLimitSeconds = 600.0;
// The monitoring loop ends within one pass (milliseconds) once the link is closed, and an
// aborted scan within one look of its poll; both limits only bound a controller that hangs.
constexpr double kMonitoringEndLimitSeconds = 10.0;
constexpr double kScanStopLimitSeconds = 10.0;
constexpr double kFlagLookSeconds = 0.005;

// One shutdown at a time. Power Off and QUIT wait with events processed (for the run, for the
// cameras to warm); a second one nested in that wait would warm and close the cameras again
// under the first. Written on the interface thread only.
enum Shutdown { kNoShutdown, kPoweringOff, kQuitting };
Shutdown shutdownInProgress = kNoShutdown;
bool quitAfterPowerOff = false;  // QUIT came during Power Off: it follows once that has ended

// The frame buffers of a run that did not end at QUIT: out of the cameras' reach (closing a
// camera frees its buffer) and left to the end of the process.
unsigned short* leftToProcessEnd[2] = {nullptr, nullptr};

void openCamera(long handle, const char* opening, const char* complete) {
  SetCurrentCamera(handle);
  AppendMonitor(opening);
  OpenCamera(handle);
  AppendMonitor(complete);
}

// The monitoring loop ends within one pass once the link is closed; buffers it may touch are
// released only after that.
void waitMonitoringEnded() {
  helx::ui::WaitUntil([] { return monitoring_active == 0; }, kMonitoringEndLimitSeconds,
                      kFlagLookSeconds);
}

// A scan still running is stopped so that the link can close (quit must end the program).
void stopScan() {
  if (Scanning != 1) return;
  AbortScan();
  helx::ui::WaitUntilProcessingEvents([] { return Scanning != 1; }, kScanStopLimitSeconds,
                                      kFlagLookSeconds);
}

void closeScannerLink() {
  PmacAccessible = 0;
  CloseDevice();
  waitMonitoringEnded();
}

void warmUpAndCloseCameras() {
  // A cooling watch still running clears temp_warming as it ends: it must be gone first.
  StopTemperatureWatch();
  temp_warming = 1;
  TempSet(0, 0, 5, 5);
  if (nNumberOfCameras == 1) {
    CloseCamera(nCameraHandle1);
  } else if (nNumberOfCameras == 2) {
    SetCurrentCamera(nCameraHandle1);
    CloseCamera(nCameraHandle1);
    SetCurrentCamera(nCameraHandle2);
    CloseCamera(nCameraHandle2);
  }
}

void releaseFileAndCalibrationBuffers() {
  ReleasePlane(pFitsData);
  ReleasePlane(pusFitsData);
  ReleasePlane(planeDataCCD);
  ReleaseBuffer(BiasDark1);
  ReleaseBuffer(BiasDark2);
}

// A run that did not end may still save from its frame buffers: they are taken from the
// cameras before these are closed, and kept. Its read-outs then find no buffer and copy
// nothing.
void leaveFrameBuffersToProcessEnd() {
  std::lock_guard lock(FrameBufferLock());
  leftToProcessEnd[0] = g_pRawData;
  leftToProcessEnd[1] = g_pRawData2;
  g_pRawData = nullptr;
  g_pRawData2 = nullptr;
}

// QUIT ends the run before anything it uses is closed or released: the scan in progress is
// aborted, and so is one the run starts before it has seen the stop flag; what the run took is
// saved. True when the run has ended.
bool endRunForQuit() {
  if (!RunActive()) return true;
  Run_thread_stop = 1;
  const bool ended = helx::ui::WaitUntilProcessingEvents(
      [] {
        if (ScanProgramRunning()) AbortScan();
        return !RunActive();
      },
      kQuitRunLimitSeconds, kFlagLookSeconds);
  if (!ended) {
    char why[160];
    std::snprintf(why, sizeof why,
                  "The observation did not end within %.0f s: the program quits all the same; "
                  "what the run had not saved is lost.\n",
                  kQuitRunLimitSeconds);
    TellOperator("Error", why);
  }
  return ended;
}

void powerOff() {
  // A run still reads the cameras and the buffers released below: it ends first, after the
  // scan in progress has been completed and saved.
  if (!EndRunAndWait(kPowerOffRunLimitSeconds)) {
    MessagePopup("Error", "The observation did not end: the instrument stays powered.");
    return;
  }
  // Homing must not go on against a link about to close; the next Power On starts it afresh.
  HomingStop();

  SaveUnsavedBeforeRelease("Power Off", 0);
  bool scanning = Scanning == 1;
  if (scanning) {
    InformationMessageBox("Error", "Motor is still running.");
  } else {
    closeScannerLink();
    SetCtrlVal(mainPanel, PANEL_Scan_Status, 0);
    SetCtrlVal(mainPanel, PANEL_INPOSITION, 0);
    SetCtrlVal(mainPanel, PANEL_MOTORRUN, 0);
    SetCtrlVal(mainPanel, PANEL_PLIMIT, 0);
    SetCtrlVal(mainPanel, PANEL_NLIMIT, 0);
  }

  if (Motor_status != 0) {
    SetCtrlVal(mainPanel, PANEL_Motor_Status, 0);
    MotorDisconnect();
    Motor_status = 0;
  }

  // Cameras that were never opened are left alone: warming them would fail and leave the
  // setup refused. While a scan still runs, its frames are still being read into the buffers,
  // so the cameras stay open until the scan has ended.
  if (CCD_status == 1 && scanning) {
    AppendMonitor("The cameras stay open while the scan runs.\n");
  } else if (CCD_status == 1) {
    releaseFileAndCalibrationBuffers();
    warmUpAndCloseCameras();
    SetMenuBarAttribute(menubar, MENUBAR_SETUP, ATTR_DIMMED, 1);
    SetMenuBarAttribute(menubar, MENUBAR_ABOUT, ATTR_DIMMED, 1);
    SetCtrlVal(mainPanel, PANEL_CCD_Status, 0);
    SetCtrlAttribute(mainPanel, PANEL_cmd_Run, ATTR_DIMMED, 0);
    CCD_status = 0;
    setup_buffers_ok = 0;
  }
  DimTestPanelOfClosedDevices();
}

void quit() {
  shutdownInProgress = kQuitting;
  // No run may start from here on: its buffers are about to go.
  SetCtrlAttribute(mainPanel, PANEL_cmd_Run, ATTR_DIMMED, 1);
  Run_thread_stop = 1;
  const bool runEnded = endRunForQuit();
  if (runEnded) SaveUnsavedBeforeRelease("QUIT", 0);
  HomingStop();

  // Quitting must end the program: a running scan is stopped and the link closed first, so
  // that the monitoring loop ends and no thread still writes into the buffers released below.
  if (Scanner_status == 1 && Scanning == 1) {
    stopScan();
    closeScannerLink();
  }

  if (Motor_status == 1) {
    MotorDisconnect();
    Motor_status = 0;
  }

  // The cameras are warmed and shut down however the run ended: a camera left cold at the end
  // of the program is not warmed by anything else.
  if (CCD_status == 1) {
    releaseFileAndCalibrationBuffers();
    if (runEnded) {
      ReleaseBuffer(g_pRawData);
      ReleaseBuffer(g_pRawData2);
    } else {
      leaveFrameBuffersToProcessEnd();
    }
    setup_buffers_ok = 0;
    warmUpAndCloseCameras();
    CCD_status = 0;
  }

  if (Scanner_status == 1) {
    if (Scanning == 1)
      InformationMessageBox("Error", "Motor is still running.");
    else
      closeScannerLink();
  }

  // The transfer program lies outside this system; whether it starts is not our concern.
  LaunchExecutable("HELXFtp.exe");

  if (GraphicPanel != 0) {
    DiscardPanel(GraphicPanel);
    GraphicPanel = 0;
  }
  DiscardPanel(HELXpanelSetting);
  DiscardPanel(testpanel);
  DiscardPanel(aboutPanel);
  QuitUserInterface(0);
}
}  // namespace

int CVICALLBACK PowerOn(int panel, int control, int event, void* callbackData, int eventData1,
                        int eventData2) {
  (void)panel, (void)control, (void)callbackData, (void)eventData1, (void)eventData2;
  if (event != EVENT_COMMIT) return 0;
  if (CCD_status == 1) return 0;

  long count = 0;
  GetAvailableCameras(&count);
  nNumberOfCameras = static_cast<int>(count);
  if (nNumberOfCameras == 0) return 0;
  if (nNumberOfCameras == 1) {
    AppendMonitor("\n1 Camera Detected!!\n");
    GetCameraHandle(0, &nCameraHandle1);
    openCamera(nCameraHandle1, "\nCamera1 is Opening\n", "\nCamera1 Open Complete!!\n");
  } else if (nNumberOfCameras == 2) {
    AppendMonitor("\n2 Two Cameras Detected!!\n");
    GetCameraHandle(0, &nCameraHandle1);
    GetCameraHandle(1, &nCameraHandle2);
    openCamera(nCameraHandle1, "\nCamera1 is Opening\n", "\nCamera1 Open Complete!!\n");
    openCamera(nCameraHandle2, "\nCamera2 is Opening\n", "\nCamera2 Open Complete!!\n");
    SetCurrentCamera(nCameraHandle1);
    AppendMonitor("\nSet to Current Camera1\n");
  }

  SetCtrlVal(mainPanel, PANEL_CCD_Status, 1);
  SetMenuBarAttribute(menubar, MENUBAR_SETUP, ATTR_DIMMED, 0);
  SetMenuBarAttribute(menubar, MENUBAR_ABOUT, ATTR_DIMMED, 0);

  int t1 = -30, t2 = -30;
  GetCtrlVal(testpanel, test_panel_ccdTemp, &t1);
  GetCtrlVal(testpanel, test_panel_ccdTemp2, &t2);

  SetCtrlAttribute(mainPanel, PANEL_CCDTEMPSTATUS, ATTR_ON_COLOR, VAL_GREEN);
  SetCtrlVal(mainPanel, PANEL_Motor_Status, 1);

  // A device that does not come up is named (by its own step) and left out; the rest of the
  // instrument still comes up, and the cameras still cool.
  if (MotorConnect() != 0 && motor_link_up) {
    Motor_status = 1;
  } else {
    Motor_status = 0;
    SetCtrlVal(mainPanel, PANEL_Motor_Status, 0);
  }

  bool scanner = ScanOpen() != 0;
  if (scanner) {
    SetCtrlVal(mainPanel, PANEL_Scan_Status, 1);
    SetCtrlAttribute(mainPanel, PANEL_TIMER, ATTR_ENABLED, 1);
    int scanPage = 0;
    GetPanelHandleFromTabPage(HELXpanelSetting, SetHELX_setTAB, 1, &scanPage);
    SetCtrlAttribute(scanPage, setScanTAB_Scan_Mode, ATTR_DIMMED, 0);
    SetCtrlAttribute(scanPage, setScanTAB_Scan_Step_size, ATTR_DIMMED, 0);
    SetCtrlAttribute(scanPage, setScanTAB_Scan_Step_duration, ATTR_DIMMED, 0);
    Delay(1.0);
    CmtScheduleThreadPoolFunction(DEFAULT_THREAD_POOL_HANDLE, MonitoringThreadFunction, nullptr,
                                  &monitor_thread_id);
  } else {
    const char* why =
        "The scanner's controller did not open or does not answer: scans are not possible "
        "until Power On opens it.\n";
    TellOperator("Error", why);
  }
  TempSet(0, 0, t1, t2);
  temp_thread = 1;

  // Power On stays here, processing events, for the whole powered period.
  if (scanner) {
    CmtWaitForThreadPoolFunctionCompletion(DEFAULT_THREAD_POOL_HANDLE, monitor_thread_id,
                                           OPT_TP_PROCESS_EVENTS_WHILE_WAITING);
    CmtReleaseThreadPoolFunctionID(DEFAULT_THREAD_POOL_HANDLE, monitor_thread_id);
  }
  return 0;
}

int CVICALLBACK PowerOff(int panel, int control, int event, void* callbackData, int eventData1,
                         int eventData2) {
  (void)panel, (void)control, (void)callbackData, (void)eventData1, (void)eventData2;
  if (event != EVENT_COMMIT) return 0;
  if (shutdownInProgress != kNoShutdown) {
    MessagePopup("Warning", "Shutdown in progress.");
    return 0;
  }
  shutdownInProgress = kPoweringOff;
  powerOff();
  shutdownInProgress = kNoShutdown;
  if (quitAfterPowerOff) {
    quitAfterPowerOff = false;
    quit();
  }
  return 0;
}

int CVICALLBACK QuitCallback(int panel, int control, int event, void* callbackData, int eventData1,
                             int eventData2) {
  (void)panel, (void)control, (void)callbackData, (void)eventData1, (void)eventData2;
  if (event != EVENT_COMMIT) return 0;
  if (shutdownInProgress == kPoweringOff && !quitAfterPowerOff) {
    // Power Off's shutdown ends first, then the program quits. A scan it waits for is aborted,
    // as QUIT aborts one.
    quitAfterPowerOff = true;
    SetCtrlAttribute(mainPanel, PANEL_cmd_Run, ATTR_DIMMED, 1);
    if (ScanProgramRunning()) AbortScan();
    AppendMonitor(
        "QUIT was pressed during Power Off: the program quits once the instrument is "
        "shut down.\n");
    return 0;
  }
  if (shutdownInProgress != kNoShutdown) {
    MessagePopup("Warning", "Shutdown in progress.");
    return 0;
  }
  quit();
  return 0;
}
