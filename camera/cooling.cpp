// Cooling the cameras to their set points and warming them before shutdown, with the
// temperature watch that tells the rest of the program when they have settled.
#include <atomic>
#include <cstdio>

#include "camera/camera.h"
#include "platform/ui/wait.h"
#include "state/HELX.h"
#include "state/monitor.h"
#include "state/observation_state.h"

int temp_thread_id = 0;
std::atomic<int> temp_watch_active{0};

namespace {
// The temperature watch reads the cameras once a second; power-off and quit stop it between
// two readings within a twentieth of a second.
constexpr double kWatchPeriodSeconds = 1.0;
constexpr double kWatchStopLookSeconds = 0.05;
// A watch told to stop returns within one look of its pause and one reading of both cameras;
// the limit only bounds a driver that hangs in a reading.
constexpr double kWatchEndLimitSeconds = 5.0;
constexpr double kWatchEndLookSeconds = 0.005;

void appendTest(const char* text) { SetCtrlVal(testpanel, test_panel_TB_Text_Monitor, text); }

// With one camera found, camera 2's reading is camera 1's: the watch waits for that one.
void readBoth(unsigned int* r1, int* t1, unsigned int* r2, int* t2) {
  SetCurrentCamera(nCameraHandle1);
  *r1 = GetTemperature(t1);
  if (nNumberOfCameras == 1) {
    *r2 = *r1;
    *t2 = *t1;
    return;
  }
  SetCurrentCamera(nCameraHandle2);
  *r2 = GetTemperature(t2);
}

// A wait of a second that ends at once when the watch is told to stop (power-off, quit).
void pauseWhileWatching() {
  helx::ui::WaitUntil([] { return temp_thread != 0; }, kWatchPeriodSeconds, kWatchStopLookSeconds);
}

// A cooler command the driver refused: the operator must know the camera is not cooled (or not
// warmed) as asked.
void coolerFailed(int camera, int switchedOn, unsigned int code) {
  char text[160];
  std::snprintf(text, sizeof text,
                "Camera %d's cooler command failed (driver code %u): its cooler was not switched "
                "%s.\n",
                camera, code, switchedOn ? "on" : "off");
  TellOperator("Error", text);
}
}  // namespace

int StopTemperatureWatch(void) {
  temp_thread = 1;
  return helx::ui::WaitUntilProcessingEvents([] { return temp_watch_active == 0; },
                                             kWatchEndLimitSeconds, kWatchEndLookSeconds)
             ? 1
             : 0;
}

int TempSet(int cooler1Off, int cooler2Off, int setPoint1, int setPoint2) {
  // A watch still running would switch cameras under the cooler commands, and would go on
  // beside the new one.
  StopTemperatureWatch();

  unsigned int result1, result2;
  SetCurrentCamera(nCameraHandle1);
  if (cooler1Off == 0) {
    SetTemperature(setPoint1);
    result1 = CoolerON();
  } else {
    result1 = CoolerOFF();
  }
  // Camera 2's set point is never given to camera 1 when camera 2 was not found.
  if (nNumberOfCameras == 1) {
    result2 = DRV_SUCCESS;
  } else {
    SetCurrentCamera(nCameraHandle2);
    if (cooler2Off == 0) {
      SetTemperature(setPoint2);
      result2 = CoolerON();
    } else {
      result2 = CoolerOFF();
    }
  }

  if (result1 != DRV_SUCCESS || result2 != DRV_SUCCESS) {
    if (result1 != DRV_SUCCESS) coolerFailed(1, cooler1Off == 0, result1);
    if (result2 != DRV_SUCCESS) coolerFailed(2, cooler2Off == 0, result2);
    temp_thread = 0;
    return 0;
  }
  if (cooler1Off == 0 || cooler2Off == 0) {
    temp_thread = 0;
    // Counted before the watch exists, so that no wait for its end can pass before it has begun;
    // a count, so that a watch that outlived its stop cannot lower the next one's.
    ++temp_watch_active;
    // A call nested in the wait below (Power Off during the cooling) schedules a watch of its
    // own: each call waits for and releases its own.
    int id = 0;
    CmtScheduleThreadPoolFunction(DEFAULT_THREAD_POOL_HANDLE, setTempThread, nullptr, &id);
    temp_thread_id = id;
    CmtWaitForThreadPoolFunctionCompletion(DEFAULT_THREAD_POOL_HANDLE, id,
                                           OPT_TP_PROCESS_EVENTS_WHILE_WAITING);
    CmtReleaseThreadPoolFunctionID(DEFAULT_THREAD_POOL_HANDLE, id);
  }
  return 1;
}

double warm_up_limit = 600.0;

int CVICALLBACK setTempThread(void* data) {
  (void)data;
  SetCtrlVal(mainPanel, PANEL_CCDTEMPSTATUS, 0);
  const double warmUpEnds = Timer() + warm_up_limit;
  // Cooling has no overall time-out: the operator decides how long to wait, and power-off and
  // quit end it. Warming before a shutdown ends at warm_up_limit.
  while (temp_thread == 0) {
    unsigned int r1 = 0, r2 = 0;
    int t1 = 0, t2 = 0;
    readBoth(&r1, &t1, &r2, &t2);
    if (r1 == DRV_TEMP_STABILIZED && r2 == DRV_TEMP_STABILIZED) {
      AppendMonitor("Temperature Stabilized!\n");
      appendTest("Temperature Stabilized!\n");
      SetCtrlVal(mainPanel, PANEL_CCDTEMPSTATUS, 1);
      temp_thread = 1;
    } else {
      pauseWhileWatching();
      readBoth(&r1, &t1, &r2, &t2);
      char line[64];
      snprintf(line, sizeof line, "CCD1: %d C CCD2: %d C\n", t1, t2);
      appendTest(line);
      snprintf(line, sizeof line, "%d %cC", t1, 176);
      SetCtrlVal(mainPanel, PANEL_CCD1TEMP, line);
      snprintf(line, sizeof line, "%d %cC", t2, 176);
      SetCtrlVal(mainPanel, PANEL_CCD2TEMP, line);
    }
    if (temp_warming == 1) {
      appendTest("Now in the loop temp_warming=1");
      if (t1 > 5 && t2 > 5) {
        temp_thread = 1;
        temp_warming = 0;
      } else if (Timer() > warmUpEnds) {
        char text[200];
        std::snprintf(text, sizeof text,
                      "The cameras did not warm up within %.0f s (CCD1 %d C, CCD2 %d C): they are "
                      "shut down as they are.\n",
                      warm_up_limit, t1, t2);
        TellOperator("Error", text);
        temp_thread = 1;
        temp_warming = 0;
      }
    }
  }
  // However the watch ended (a warm-up also ends "stable" at its 5 C), the next one is a
  // cooling unless Power Off says otherwise: a stale flag would end it above its set point.
  temp_warming = 0;
  --temp_watch_active;
  return 0;
}

int CVICALLBACK setCooler(int panel, int control, int event, void* callbackData, int eventData1,
                          int eventData2) {
  (void)panel, (void)control, (void)callbackData, (void)eventData1, (void)eventData2;
  if (event != EVENT_COMMIT) return 0;
  // The coolers are set camera by camera through the driver's current camera, which belongs
  // to the run while one is active.
  if (RunActive()) {
    MessagePopup("Warning", "An observation is running. The coolers can be set when it has ended.");
    return 0;
  }
  // A cooler set now would end the warm-up and let the cameras be shut down cold.
  if (temp_warming == 1) {
    MessagePopup("Warning",
                 "The cameras are warming up for shutdown. The coolers cannot be set now.");
    return 0;
  }
  appendTest("CCD Cooling Status\n");
  int f1 = 1, f2 = 1, t1 = 0, t2 = 0;
  GetCtrlVal(testpanel, test_panel_CoolerOnOff1, &f1);
  GetCtrlVal(testpanel, test_panel_CoolerOnOff2, &f2);
  GetCtrlVal(testpanel, test_panel_ccdTemp, &t1);
  GetCtrlVal(testpanel, test_panel_ccdTemp2, &t2);
  char line[64];
  if (f1 == 0 && f2 == 0) {
    appendTest("\nCamera 1, 2 Cooler On!\n");
    snprintf(line, sizeof line, "Cooling Temperature : %d, %d\n", t1, t2);
    appendTest(line);
  } else if (f1 == 0) {
    appendTest("\nCamera 1 Cooler On!\n");
    snprintf(line, sizeof line, "Cooling Temperature : %d\n", t1);
    appendTest(line);
  } else if (f2 == 0) {
    appendTest("\nCamera 2 Cooler On!\n");
    snprintf(line, sizeof line, "Cooling Temperature : %d\n", t2);
    appendTest(line);
  } else {
    appendTest("\nCamera 1,2 off!\n");
  }
  TempSet(f1, f2, t1, t2);
  return 0;
}
