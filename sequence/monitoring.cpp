// The live monitoring loop: the scanner's position for the display and the run's waits, and
// the frames of every scan step.
#include <chrono>
#include <thread>

#include "app/observation_state.h"
#include "camera/camera.h"
#include "scanner/scanner.h"
#include "sequence/sequence.h"

int monitor_thread_id = 0;
std::atomic<int> monitoring_active{0};

namespace {
void takeFrame(long handle, int nh, int nv, int slot) {
  TakeImage(nh, nv, handle, slot);
  DataDump(nh, nv, handle, slot);
}
}  // namespace

int CVICALLBACK MonitoringThreadFunction(void* data) {
  (void)data;
  monitoring_active = 1;
  while (PmacAccessible != 0) {
    ReadPosition();
    Monitor();

    // Every announced step is taken, in order, even when two arrived during one read-out.
    int step = NextScanStep();
    if (step == 0) {
      // Nothing waits: a short yield keeps the two cores for the controller and the cameras at
      // no cost to latency (a position read takes longer).
      std::this_thread::sleep_for(std::chrono::microseconds(200));
      continue;
    }
    int slot = step - 1;
    if (helx_take_mode == 0) {
      GetCurrentCamera(&nUnknownCameraHandle);
      if (nUnknownCameraHandle == nCameraHandle1)
        takeFrame(nCameraHandle1, nhDim1, nvDim1, slot);
      else if (nUnknownCameraHandle == nCameraHandle2)
        takeFrame(nCameraHandle2, nhDim2, nvDim2, slot);
    } else {
      // Both cameras start one right after the other, so both frames of a step are exposed
      // together, and only then are they read.
      SetCurrentCamera(nCameraHandle1);
      TakeImage(nhDim1, nvDim1, nCameraHandle1, slot);
      SetCurrentCamera(nCameraHandle2);
      TakeImage(nhDim2, nvDim2, nCameraHandle2, slot);
      SetCurrentCamera(nCameraHandle1);
      DataDump(nhDim1, nvDim1, nCameraHandle1, slot);
      SetCurrentCamera(nCameraHandle2);
      DataDump(nhDim2, nvDim2, nCameraHandle2, slot);
    }
    ScanStepStored();
  }
  monitoring_active = 0;
  return 1;
}
