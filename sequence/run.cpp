// The observation run: "Run" starts RunThread and waits for it with the interface alive; the
// thread takes single frames, video, scans, frame-transfer series or frames with the scanner at
// rest, for every camera configuration, and writes one FITS file per camera and run.
#include <chrono>
#include <cstdio>
#include <thread>

#include "camera/camera.h"
#include "display/display.h"
#include "files/fits_files.h"
#include "files/time_marks.h"
#include "platform/os/clock.h"
#include "platform/os/storage.h"
#include "platform/ui/wait.h"
#include "scanner/scanner.h"
#include "sequence/frame_record.h"
#include "sequence/frames_not_read.h"
#include "sequence/sequence.h"
#include "sequence/unsaved_cubes.h"
#include "state/HELX.h"
#include "state/camera_slot.h"
#include "state/monitor.h"
#include "state/observation_state.h"
#include "state/setup_in_force.h"

namespace {

int acquisitionMode = kSingle;
int runFrames = 0;
char startText1[52], endText1[52], startText2[52], endText2[52];
float elapsed1 = 0, elapsed2 = 0;

void dim(int control, int dimmed) { SetCtrlAttribute(mainPanel, control, ATTR_DIMMED, dimmed); }

void view(int view1, int dimmed1, int view2, int dimmed2) {
  SetCtrlVal(mainPanel, PANEL_viewCCD1, view1);
  SetCtrlVal(mainPanel, PANEL_viewCCD2, view2);
  dim(PANEL_viewCCD1, dimmed1);
  dim(PANEL_viewCCD2, dimmed2);
}

void showCounter(int q) {
  char text[32];
  std::snprintf(text, sizeof text, "%d", q + 1);
  SetCtrlVal(mainPanel, PANEL_S1, text);
}

void showScanTime() {
  timeget2 = helx::os::MillisecondClock();
  // Unsigned 32-bit difference of the millisecond clock: no wrap short of 49 days.
  std::snprintf(strt, sizeof strt, "%.1f", 0.001 * static_cast<double>(timeget2 - timeget1));
  SetCtrlVal(mainPanel, PANEL_info10, strt);
}

void resetSlide(int frames) {
  dim(PANEL_set_Select_Frame, 0);
  dim(PANEL_SelectAxis, 0);
  SetCtrlAttribute(mainPanel, PANEL_set_Select_Frame, ATTR_MIN_VALUE, 0);
  SetCtrlAttribute(mainPanel, PANEL_set_Select_Frame, ATTR_MAX_VALUE, frames > 1 ? frames - 1 : 0);
  SetCtrlVal(mainPanel, PANEL_set_Select_Frame, 0);
}

void cube(int column, long camera) {
  unsigned short min = 0, max = 0;
  Radio_SetMarkedOption(mainPanel, PANEL_SelectAxis, 0);
  Display3D_CCD(1, column, &min, &max, camera);
}

// One frame into slot `slot`, recorded with the scanner's position read just before and after;
// a frame the camera did not start or hand over is lost, its slot zeroed.
void recordedFrame(const CameraSlot& camera, int slot) {
  const float exposure = DriverExposure(camera.exposure);
  const PositionReading before = ReadPositionNow();
  const int nh = camera.width, nv = camera.height;
  int code = TakeImage(nh, nv, camera.handle, slot);
  const double start = Timer();
  if (code == DRV_SUCCESS) code = DataDump(nh, nv, camera.handle, slot);
  if (code != DRV_SUCCESS) FrameNotRead(camera, slot + 1, code);
  RecordFrame(camera, slot, slot + 1, start, exposure, before, ReadPositionNow(),
              code == DRV_SUCCESS);
}

// One frame into slot 0, bracketed by the camera's own marks.
void singleFrame(const CameraSlot& camera, char* startText, char* endText, float* elapsed) {
  marktime_start(startText);
  BeginFrameRecord(camera.number, 1);
  BeginFramesNotRead();
  SetCurrentCamera(camera.handle);
  recordedFrame(camera, 0);
  marktime_end(endText);
  *elapsed = time_difference();
}

// A frame-transfer series of `frames` frames of the current camera, each frame dated from the
// series' start by the driver's cycle time and given the series' readings.
void recordedSeries(const CameraSlot& camera, int frames) {
  float exposure = 0, accumulate = 0, kinetic = 0;
  GetAcquisitionTimings(&exposure, &accumulate, &kinetic);
  const PositionReading before = ReadPositionNow();
  const double start = Timer();
  BeginFramesNotRead();
  const int code = TakeImage_FTmode(camera.width, camera.height, frames, camera.handle);
  if (code != DRV_SUCCESS) {
    // The whole series is lost: its slots hold zeros.
    for (int k = 0; k < frames; ++k) FrameNotRead(camera, k + 1, code);
    return;
  }
  RecordSeries(camera, frames, start, kinetic, exposure, before, ReadPositionNow());
}

// One scan: the camera the monitoring loop reads is made current right before the program runs
// (take mode 0), or the loop selects both itself (take mode 1). The end mark follows the last
// frame stored, so no file is written before its data are complete.
void scan(const CameraSlot& camera, int takeMode, float exposure, const char* cameras,
          char* startText, char* endText, float* elapsed) {
  marktime_start(startText);
  if (takeMode == 1) {
    BeginFrameRecord(1, runFrames);
    BeginFrameRecord(2, runFrames);
  } else {
    BeginFrameRecord(camera.number, runFrames);
  }
  if (takeMode == 0) SetCurrentCamera(camera.handle);
  BeginFramesNotRead();
  ExecuteProgram(camera.handle, takeMode);
  WaitScanFramesStored(runFrames, exposure, cameras, takeMode == 1 ? 2 : 1);
  marktime_end(endText);
  *elapsed = time_difference();
}

float longer(float a, float b) { return a > b ? a : b; }

// A scan the run was due to take and did not start. The scanner that did not come back has been
// told (WaitScannerAtStart): the scan's frames are lost. After Stop or QUIT the operator learns
// which scan was left out.
void scanNotTaken(int ready, const char* cameras, int cameraCount, int frames) {
  if (ready == -1) {
    run_frames_lost += frames * cameraCount;
    return;
  }
  char text[160];
  std::snprintf(text, sizeof text, "\n%s's scan was not taken: the observation was stopped.\n",
                cameras);
  AppendMonitor(text);
}

// The wait before a run's first scan: Stop or QUIT meanwhile ends the observation, a scanner
// that does not come back loses the scan.
bool readyForRun(const char* cameras, int cameraCount, int frames) {
  int ready = WaitScannerAtStart(1, "the scan was not started");
  if (ready == -1) scanNotTaken(ready, cameras, cameraCount, frames);
  return ready == 1;
}

bool saveFailed = false;  // in this observation; the run thread's own

// A cube the data folder refused ends the observation after its run: the next scan would only
// lose more.
void saveCube(int camera, int frames, const char* startText, const char* endText, float elapsed) {
  if (SaveCubeOrKeep(Camera(camera), frames, startText, endText, elapsed)) return;
  saveFailed = true;
  Run_thread_stop = 1;
}

void save1(int frames, const char* startText, const char* endText, float elapsed) {
  saveCube(1, frames, startText, endText, elapsed);
}
void save2(int frames, const char* startText, const char* endText, float elapsed) {
  saveCube(2, frames, startText, endText, elapsed);
}

// ---- the blocks ----

void singleFrameBlock(int configuration) {
  int runs = sequential_number;
  if (configuration == kCamera1Only) SetCurrentCamera(nCameraHandle1);
  if (configuration == kCamera2Only) SetCurrentCamera(nCameraHandle2);
  for (int q = 0; q < runs; q++) {
    timeget1 = helx::os::MillisecondClock();
    if (Run_thread_stop != 0) break;
    if (configuration != kCamera2Only) ClearFrames(1, 1);
    if (configuration != kCamera1Only) ClearFrames(2, 1);
    showCounter(q);
    // Camera 1 is exposed and read completely before camera 2 starts.
    if (configuration != kCamera2Only) singleFrame(Camera(1), startText1, endText1, &elapsed1);
    if (configuration != kCamera1Only) singleFrame(Camera(2), startText2, endText2, &elapsed2);
    if (configuration != kCamera2Only) save1(1, startText1, endText1, elapsed1);
    if (configuration != kCamera1Only) save2(1, startText2, endText2, elapsed2);
    showScanTime();
  }
  Radio_SetMarkedOption(mainPanel, PANEL_SelectAxis, 0);
  if (configuration == kCamera2Only) {
    DisplayCCDImage(nhDim2, nvDim2, 1, nCameraHandle2);
    SetCurrentCamera(nCameraHandle2);
    view(0, 1, 1, 0);
  } else {
    DisplayCCDImage(nhDim1, nvDim1, 1, nCameraHandle1);
    SetCurrentCamera(nCameraHandle1);
    view(1, 0, 0, configuration == kCamera1Only ? 1 : 0);
  }
}

void videoBlock(int configuration) {
  // The camera the setup confirmed, selected here rather than trusted from whoever ran last.
  SetCurrentCamera(Camera(configuration == kCamera2Only ? 2 : 1).handle);
  GetCurrentCamera(&nUnknownCameraHandle);
  while (Run_thread_stop == 0) {
    const CameraSlot* camera = FindSlot(nUnknownCameraHandle);
    if (!camera) break;
    TakeImage(camera->width, camera->height, camera->handle, 0);
    DataDump(camera->width, camera->height, camera->handle, 0);
    DisplayCCDImage(camera->width, camera->height, 1, camera->handle);
    // Frames follow each other as fast as the camera gives them; the yield only matters when a
    // failing camera returns at once.
    std::this_thread::yield();
  }
}

void scanBlock(int configuration, int frames) {
  int runs = sequential_number;
  if (configuration == kCamera1Only) SetCurrentCamera(nCameraHandle1);
  if (configuration == kCamera2Only) SetCurrentCamera(nCameraHandle2);
  for (int q = 0; q < runs; q++) {
    timeget1 = helx::os::MillisecondClock();
    if (Run_thread_stop != 0) break;
    // Whole cubes, each camera with its own size: a frame that is lost shows as zeros, never
    // as the previous run's.
    if (configuration != kCamera2Only) ClearFrames(1, frames);
    if (configuration != kCamera1Only) ClearFrames(2, frames);
    showCounter(q);

    if (configuration == kBothOneAfterTheOther) {
      helx_take_mode = 0;
      if (!readyForRun("Camera 1", 1, frames)) break;
      scan(Camera(1), 0, g_fExpTime1, "Camera 1", startText1, endText1, &elapsed1);
      // Camera 1's scan is complete and is saved whatever happens to camera 2's. After Stop or
      // QUIT no new scan starts, camera 2's included: QUIT's abort leaves the scanner where it
      // was, so the wait for its start would never end.
      int ready =
          Run_thread_stop != 0 ? 0 : WaitScannerAtStart(1, "camera 2's scan was not started");
      if (ready == 1)
        scan(Camera(2), 0, g_fExpTime2, "Camera 2", startText2, endText2, &elapsed2);
      else
        scanNotTaken(ready, "Camera 2", 1, frames);
      save1(frames, startText1, endText1, elapsed1);
      if (ready == 1) save2(frames, startText2, endText2, elapsed2);
      SetCurrentCamera(nCameraHandle1);
      cube(nhDim1 / 2, nCameraHandle1);
      showScanTime();
      if (ready != 1) break;
    } else if (configuration == kBothAtEveryStep) {
      helx_take_mode = 1;
      if (!readyForRun("Cameras 1 and 2", 2, frames)) break;
      scan(Camera(1), 1, longer(g_fExpTime1, g_fExpTime2), "Cameras 1 and 2", startText1, endText1,
           &elapsed1);
      save1(frames, startText1, endText1, elapsed1);
      save2(frames, startText1, endText1, elapsed1);
      SetCurrentCamera(nCameraHandle1);
      cube(260, nCameraHandle1);
      showScanTime();
    } else if (configuration == kCamera1Only || configuration == kCamera2Only) {
      helx_take_mode = 0;
      if (!readyForRun(configuration == kCamera1Only ? "Camera 1" : "Camera 2", 1, frames)) break;
      if (configuration == kCamera1Only) {
        scan(Camera(1), 0, g_fExpTime1, "Camera 1", startText1, endText1, &elapsed1);
        save1(frames, startText1, endText1, elapsed1);
        cube(nhDim1 / 2, nCameraHandle1);
      } else {
        scan(Camera(2), 0, g_fExpTime2, "Camera 2", startText2, endText2, &elapsed2);
        save2(frames, startText2, endText2, elapsed2);
        cube(nhDim2 / 2, nCameraHandle2);
      }
      showScanTime();
    }
  }

  Radio_SetMarkedOption(mainPanel, PANEL_SelectAxis, 0);
  if (configuration == kCamera2Only) {
    DisplayCCDImage(nhDim2, nvDim2, frames, nCameraHandle2);
    SetCurrentCamera(nCameraHandle2);
    view(0, 1, 1, 0);
  } else {
    SetCurrentCamera(nCameraHandle1);
    DisplayCCDImage(nhDim1, nvDim1, frames, nCameraHandle1);
    view(1, 0, 0, configuration == kCamera1Only ? 1 : 0);
  }
  resetSlide(frames);
}

void frameTransferBlock(int configuration, int frames) {
  int runs = sequential_number;
  // A series cannot be interrupted once started: Stop (or Power Off, or QUIT) ends the
  // observation after the run in progress, and so does a series that could not be saved.
  for (int q = 0; q < runs && !saveFailed; q++) {
    if (Run_thread_stop != 0) break;
    showCounter(q);
    if (configuration == kCamera1Only) {
      ClearFrames(1, frames);
      SetCurrentCamera(nCameraHandle1);
      marktime_start(startText1);
      BeginFrameRecord(1, frames);
      recordedSeries(Camera(1), frames);
      marktime_end(endText1);
      elapsed1 = time_difference();
      save1(frames, startText1, endText1, elapsed1);
      DisplayCCDImage(nhDim1, nvDim1, frames, nCameraHandle1);
      SetCtrlVal(mainPanel, PANEL_viewCCD1, 1);
      SetCtrlVal(mainPanel, PANEL_viewCCD2, 0);
    } else if (configuration == kCamera2Only) {
      ClearFrames(2, frames);
      SetCurrentCamera(nCameraHandle2);
      marktime_start(startText2);
      BeginFrameRecord(2, frames);
      recordedSeries(Camera(2), frames);
      marktime_end(endText2);
      elapsed2 = time_difference();
      save2(frames, startText2, endText2, elapsed2);
      DisplayCCDImage(nhDim2, nvDim2, frames, nCameraHandle2);
      SetCtrlVal(mainPanel, PANEL_viewCCD1, 0);
      SetCtrlVal(mainPanel, PANEL_viewCCD2, 1);
    } else if (configuration == kBothOneAfterTheOther || configuration == kBothAtEveryStep) {
      ClearFrames(1, frames);
      ClearFrames(2, frames);
      SetCurrentCamera(nCameraHandle1);
      marktime_start(startText1);
      BeginFrameRecord(1, frames);
      recordedSeries(Camera(1), frames);
      marktime_end(endText1);
      elapsed1 = time_difference();
      SetCurrentCamera(nCameraHandle2);
      marktime_start(startText2);
      BeginFrameRecord(2, frames);
      recordedSeries(Camera(2), frames);
      marktime_end(endText2);
      elapsed2 = time_difference();
      save1(frames, startText1, endText1, elapsed1);
      save2(frames, startText2, endText2, elapsed2);
      DisplayCCDImage(nhDim1, nvDim1, frames, nCameraHandle1);
      SetCtrlVal(mainPanel, PANEL_viewCCD1, 1);
      SetCtrlVal(mainPanel, PANEL_viewCCD2, 0);
    }
  }
}

void scanStopBlock(int configuration, int frames) {
  if (configuration != kCamera1Only) {
    // Only camera 1 takes frames with the scanner at rest; the operator must not believe a
    // series was taken.
    const char* why =
        "Scan Stop takes frames with Camera 1 only: nothing was acquired with this camera "
        "configuration.\n";
    TellOperator("Warning", why);
  } else {
    const CameraSlot& camera = Camera(1);
    helx_take_mode = 0;
    SetCurrentCamera(camera.handle);
    int runs = sequential_number;
    for (int q = 0; q < runs; q++) {
      if (Run_thread_stop != 0) break;
      ClearFrames(camera.number, frames);
      showCounter(q);
      marktime_start(startText1);
      BeginFrameRecord(camera.number, frames);
      BeginFramesNotRead();
      for (int m = 0; m < frames; m++) recordedFrame(camera, m);
      marktime_end(endText1);
      elapsed1 = time_difference();
      save1(frames, startText1, endText1, elapsed1);
      cube(camera.width / 2, camera.handle);
    }
    Radio_SetMarkedOption(mainPanel, PANEL_SelectAxis, 0);
    DisplayCCDImage(camera.width, camera.height, frames, camera.handle);
    SetCurrentCamera(camera.handle);
    view(1, 0, 0, 1);
  }
  resetSlide(frames);
}

// The acquisition mode the cameras were set up for at OK, whatever the dialog shows since.
int SetupAcquisitionMode() { return setup_in_force.acquisition; }

// The view buttons as Run found them: a refused Run gives them back as they were (still dimmed
// when a file is shown rather than a camera's data).
struct ViewDimming {
  int one = 0, two = 0;
};

ViewDimming viewDimming() {
  ViewDimming v;
  GetCtrlAttribute(mainPanel, PANEL_viewCCD1, ATTR_DIMMED, &v.one);
  GetCtrlAttribute(mainPanel, PANEL_viewCCD2, ATTR_DIMMED, &v.two);
  return v;
}

// Run does nothing without the cameras and the scanner, in every mode; the operator must know
// which is missing.
void tellNotReady() {
  if (CCD_status != 1)
    TellOperator("Error", "Run refused: the cameras are not open. Press Power On first.\n");
  else
    TellOperator("Error",
                 "Run refused: the scanner's controller is not open. Power the instrument off "
                 "and on again to open it.\n");
}

// Homing jogs the scanner and sets its zero: a scan started meanwhile would start from
// anywhere, and one started after a failed homing from a zero that was never set. Modes that
// leave the scanner at rest need no zero.
bool scannerReadyFor(int frames, int mode) {
  if (RefusedWhileHoming()) return false;
  bool scans = ccd_camera == kFlatFielding ||
               (frames > 1 && mode != kFrameTransfer && mode != kScanStop && mode != kVideoFocus);
  if (scans && !ScannerHomed()) {
    const char* why =
        "Run refused: the scanner has not been homed, so its zero is not set. Power it off "
        "and on again to home it.\n";
    TellOperator("Error", why);
    return false;
  }
  // A flat field scans with the program its setup downloaded, as every scan does (one of fewer
  // than two frames is refused by the flat sequence itself).
  if (scans && frames > 1 && !scan_program_loaded) {
    TellOperator("Error",
                 "Run refused: the scanner holds no scan program for this setup. Confirm the "
                 "setup again once helx.head and helx.tail are in place.\n");
    return false;
  }
  return true;
}

}  // namespace

int CVICALLBACK RunThread(void* functionData) {
  (void)functionData;
  dim(PANEL_viewCCD1, 1);
  dim(PANEL_viewCCD2, 1);
  // The stop flag was lowered by Run before this thread was scheduled: a Stop pressed since
  // then is kept.
  if (LoadImagePanel() < 0) {
    Run_thread_stop = 1;
    run_active = 0;
    return -1;
  }
  acquisitionMode = SetupAcquisitionMode();
  gliFreq = helx::os::PerformanceFrequency();
  if (gliFreq <= 0) MessagePopup("Error", "Cannot support the timer of high resolution");
  for (int control : {PANEL_viewCCD1, PANEL_viewCCD2, PANEL_SelectAxis, PANEL_set_Select_Frame,
                      PANEL_BYTSCL_MIN, PANEL_BYTSCL_MAX, PANEL_GRAPH})
    dim(control, 1);

  const int configuration = ccd_camera;
  const int frames = g_nFrameNumber1;
  runFrames = frames;
  run_frames_lost = 0;
  run_frames_dropped = 0;
  run_frames_not_read = 0;
  run_files_not_saved = 0;
  saveFailed = false;
  if (frames == 1) singleFrameBlock(configuration);
  if (frames == 0 || acquisitionMode == kVideoFocus) videoBlock(configuration);
  if (frames > 1 && acquisitionMode != kFrameTransfer && acquisitionMode != kScanStop &&
      acquisitionMode != kVideoFocus)
    scanBlock(configuration, frames);
  if (frames > 1 && acquisitionMode == kFrameTransfer) frameTransferBlock(configuration, frames);
  if (frames > 1 && acquisitionMode == kScanStop) scanStopBlock(configuration, frames);

  // The operator (or a script) sees the end here rather than only by the Run button.
  AppendMonitor(ObservationEndLine().c_str());
  DataSource = 1;
  Run_thread_stop = 1;
  DiscardImagePanel();
  run_active = 0;
  return 0;
}

void CVICALLBACK AfterRunThread(int poolHandle, int functionID, unsigned int event, int value,
                                void* callbackData) {
  (void)poolHandle, (void)functionID, (void)event, (void)value, (void)callbackData;
}

int CVICALLBACK cmd_Run(int panel, int control, int event, void* callbackData, int eventData1,
                        int eventData2) {
  (void)panel, (void)control, (void)callbackData, (void)eventData1, (void)eventData2;
  if (event != EVENT_COMMIT) return 0;
  if (RunActive()) return 0;
  const ViewDimming views = viewDimming();
  dim(PANEL_viewCCD1, 1);
  dim(PANEL_viewCCD2, 1);
  dim(PANEL_cmd_Run, 1);
  DiscardImagePanel();
  // Every refusal gives the view buttons back; Run itself stays dimmed while the instrument is
  // not ready.
  auto refused = [&](int runDimmed) {
    dim(PANEL_viewCCD1, views.one);
    dim(PANEL_viewCCD2, views.two);
    dim(PANEL_cmd_Run, runDimmed);
    return -1;
  };
  if (CCD_status != 1 || Scanner_status != 1) {
    tellNotReady();
    return refused(1);
  }
  // The temperature watch (the test panel's cooler, a cooling not yet stable) switches the
  // driver's current camera on every reading: a run's frames would come from either camera. A
  // watch that has just found the cameras stable, or was told to stop, ends within a reading.
  if (temp_thread == 1) StopTemperatureWatch();
  if (temp_watch_active != 0) {
    TellOperator("Warning",
                 "Run refused: the cameras' temperatures are being watched. Run is available once "
                 "they are stable.\n");
    return refused(0);
  }
  if (!SaveUnsavedBeforeRelease("Run", 1)) return refused(0);
  const int mode = SetupAcquisitionMode();
  if (!scannerReadyFor(g_nFrameNumber1, mode) ||
      !StorageReadyForRun(ccd_camera, g_nFrameNumber1, mode, sequential_number))
    return refused(0);
  if (setup_buffers_ok == 0) {
    MessagePopup("Error",
                 "The frame buffers of this setup are missing: Run is refused. "
                 "Confirm the setup again.");
    return refused(0);
  }

  if (ccd_camera == kFlatFielding) {
    // A flat field it refused has not touched the view buttons.
    if (TakingFlat() < 0) refused(0);
    dim(PANEL_cmd_Run, 0);
    return 1;
  }

  // Lowered here, before the thread exists, so that the setup's OK is refused from the first
  // moment and a Stop pressed at once is not lost.
  Run_thread_stop = 0;
  run_active = 1;
  int id = 0;
  CmtScheduleThreadPoolFunctionAdv(
      DEFAULT_THREAD_POOL_HANDLE, RunThread, nullptr, THREAD_PRIORITY_HIGHEST, AfterRunThread,
      EVENT_TP_THREAD_FUNCTION_END, nullptr, CmtGetCurrentThreadID(), &id);
  Run_thread_id = id;
  CmtWaitForThreadPoolFunctionCompletion(DEFAULT_THREAD_POOL_HANDLE, id,
                                         OPT_TP_PROCESS_EVENTS_WHILE_WAITING);
  CmtReleaseThreadPoolFunctionID(DEFAULT_THREAD_POOL_HANDLE, id);
  Run_thread_id = 0;
  ShowUnsavedButton();

  if (LoadImagePanel() < 0) return -1;
  if (ccd_camera == kCamera2Only)
    DisplayCCDImage(nhDim2, nvDim2, g_nFrameNumber1, nCameraHandle2);
  else
    DisplayCCDImage(nhDim1, nvDim1, g_nFrameNumber1, nCameraHandle1);
  // A QUIT during the run has shut the cameras down and dimmed Run for good (a Power Off enables
  // it again itself).
  if (CCD_status == 1) dim(PANEL_cmd_Run, 0);
  return 0;
}

int CVICALLBACK cmdStop(int panel, int control, int event, void* callbackData, int eventData1,
                        int eventData2) {
  (void)panel, (void)control, (void)callbackData, (void)eventData1, (void)eventData2;
  if (event != EVENT_COMMIT) return 0;
  Run_thread_stop = 1;
  return 0;
}

int EndRunAndWait(double limitSeconds) {
  if (!RunActive()) return 1;
  Run_thread_stop = 1;
  // The run ends within one step or one save; a look every few milliseconds is plenty.
  constexpr double kRunEndLookSeconds = 0.005;
  return helx::ui::WaitUntilProcessingEvents([] { return !RunActive(); }, limitSeconds,
                                             kRunEndLookSeconds)
             ? 1
             : 0;
}
