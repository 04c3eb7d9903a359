// The live monitoring loop: the scanner's position for the display and the run's waits, and
// the frames of every scan step, each stored only when it was exposed at its step.
#include <chrono>
#include <thread>

#include "app/observation_state.h"
#include "camera/camera.h"
#include "platform/os/clock.h"
#include "scanner/scanner.h"
#include "sequence/sequence.h"

int monitor_thread_id = 0;
std::atomic<int> monitoring_active{0};

namespace {

// Starts the current camera (`handle`) and returns the instrument time its exposure ends. The
// driver's own timings, asked while the camera is idle, include what the settings add to the
// exposure; the configured time stands in when it cannot say.
double expose(long handle, int nh, int nv, int slot) {
  float exposure = 0, accumulate = 0, kinetic = 0;
  if (GetAcquisitionTimings(&exposure, &accumulate, &kinetic) != DRV_SUCCESS)
    exposure = handle == nCameraHandle2 ? g_fExpTime2 : g_fExpTime1;
  TakeImage(nh, nv, handle, slot);
  return Timer() + exposure;
}

// A position read now, once the exposure has ended, says whether the scanner stayed at the step.
bool stayedAt(int step, double exposureEnd) {
  double wait = exposureEnd - Timer();
  if (wait > 0) helx::os::Clock::instance().sleepForSeconds(wait);
  ReadPosition();
  return ScannerAtScanStep(step, position) == 1;
}

// A frame that is not stored still has to finish before the camera can start again; its data
// stay in the driver, and the step's slot keeps its zeros.
void letFinish(long handle) {
  WaitCameraIdle(AcquisitionTimeLimit(handle == nCameraHandle2 ? g_fExpTime2 : g_fExpTime1, 1));
}

// One camera, the current one (take mode 0).
bool takeFrame(int step, long handle, int nh, int nv) {
  double end = expose(handle, nh, nv, step - 1);
  if (!stayedAt(step, end)) {
    letFinish(handle);
    return false;
  }
  DataDump(nh, nv, handle, step - 1);
  return true;
}

// Both cameras start one right after the other, so both frames of a step are exposed together,
// and only then are they read (take mode 1).
bool takeBothFrames(int step) {
  const int slot = step - 1;
  SetCurrentCamera(nCameraHandle1);
  double end1 = expose(nCameraHandle1, nhDim1, nvDim1, slot);
  SetCurrentCamera(nCameraHandle2);
  double end2 = expose(nCameraHandle2, nhDim2, nvDim2, slot);
  bool stayed = stayedAt(step, end1 > end2 ? end1 : end2);
  SetCurrentCamera(nCameraHandle1);
  if (stayed)
    DataDump(nhDim1, nvDim1, nCameraHandle1, slot);
  else
    letFinish(nCameraHandle1);
  SetCurrentCamera(nCameraHandle2);
  if (stayed)
    DataDump(nhDim2, nvDim2, nCameraHandle2, slot);
  else
    letFinish(nCameraHandle2);
  return stayed;
}

}  // namespace

int CVICALLBACK MonitoringThreadFunction(void* data) {
  (void)data;
  monitoring_active = 1;
  while (PmacAccessible != 0) {
    ReadPosition();
    Monitor();

    int step = NextScanStep();
    if (step == 0) {
      // Nothing waits: a short yield keeps the two cores for the controller and the cameras at
      // no cost to latency (a position read takes longer).
      std::this_thread::sleep_for(std::chrono::microseconds(200));
      continue;
    }
    // The status queries took their time: the position must be the scanner's now. A step whose
    // successor is already announced, or that the scanner has left, is dropped unexposed.
    ReadPosition();
    if (!ScannerAtScanStep(step, position)) {
      ScanStepDropped();
      continue;
    }
    bool stored = false;
    if (helx_take_mode == 0) {
      GetCurrentCamera(&nUnknownCameraHandle);
      if (nUnknownCameraHandle == nCameraHandle1)
        stored = takeFrame(step, nCameraHandle1, nhDim1, nvDim1);
      else if (nUnknownCameraHandle == nCameraHandle2)
        stored = takeFrame(step, nCameraHandle2, nhDim2, nvDim2);
    } else {
      stored = takeBothFrames(step);
    }
    if (stored)
      ScanStepStored();
    else
      ScanStepDropped();
  }
  monitoring_active = 0;
  return 1;
}
