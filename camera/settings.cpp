// One camera's observation settings turned into driver settings, in the driver's order, with
// the window and binned frame size derived from the detector and the frame buffer allocated.
#include <cstdio>

#include "camera/camera.h"
#include "state/HELX.h"
#include "state/camera_slot.h"
#include "state/monitor.h"
#include "state/observation_state.h"

void SetCameraParam(int acquisitionMode, int readMode, int triggerMode, int emGain, int preAmpGain,
                    int hbin, int vbin, float exposure, int shutterMode, int fanMode,
                    int frameCount, long handle) {
  CameraSlot& camera = SlotOf(handle);
  FrameGeometry geometry;
  if (!GetFrameGeometry(camera.detectorWidth, camera.detectorHeight, hbin, vbin, &geometry)) {
    // A binning of 0 or less would divide by zero: nothing is changed.
    AppendMonitor("Binning must be 1 or more: the camera was not set\n");
    MessagePopup("Error", "Binning must be 1 or more: the camera was not set");
    return;
  }
  nhDim = geometry.nh;
  nvDim = geometry.nv;
  camera.width = geometry.nh;
  camera.height = geometry.nv;

  std::size_t samples = static_cast<std::size_t>(geometry.nh) *
                        static_cast<std::size_t>(geometry.nv) *
                        static_cast<std::size_t>(frameCount > 0 ? frameCount : 1);
  unsigned short*& buffer = camera.frames;
  ReleaseBuffer(buffer);
  unsigned short* fresh = AllocateSamples(samples);  // zero-filled
  {
    std::lock_guard guard(FrameBufferLock());
    buffer = fresh;
  }
  if (!buffer) {
    const char* message = camera.number == 2 ? "Not Allocate the memory for g_pRawData2\n"
                                             : "Not Allocate the memory for g_pRawData\n";
    std::fputs(message, stdout);
    // The operator must know too: without a buffer this camera cannot run.
    AppendMonitor(message);
    return;
  }

  if (acquisitionMode == kFrameTransfer) {
    SetFrameTransferMode(1);
    if (SetNumberKinetics(frameCount) != DRV_SUCCESS)
      MessagePopup("Error", "Set number Frames error");
  } else if (acquisitionMode == kSingle || acquisitionMode == kScanStop) {
    SetFrameTransferMode(0);
    if (SetAcquisitionMode(1) != DRV_SUCCESS) MessagePopup("Error", "Set Acquisition Mode Error");
  }

  if (SetReadMode(readMode) != DRV_SUCCESS) MessagePopup("Error", "Set Read Mode Error");

  SetVSSpeed(geometry.vsSpeed);
  SetADChannel(0);
  SetHSSpeed(0, 0);

  unsigned int result = SetShutter(1, shutterMode, 1, 1);
  AppendMonitor("\nComplete Shutter Setting\n");
  if (result != DRV_SUCCESS) MessagePopup("Error", "Shutter Error");

  if (SetFanMode(fanMode) != DRV_SUCCESS) MessagePopup("Error", "Fan Error");

  result = SetPreAmpGain(preAmpGain);
  AppendMonitor("Set PreAmpGain is \n");
  if (result != DRV_SUCCESS) MessagePopup("Error", "Set PreAmpGain Error");

  if (SetEMCCDGain(emGain) != DRV_SUCCESS) MessagePopup("Error", "EMCCD Gain error");

  Delay(0.25);

  SetImage(geometry.hbin, geometry.vbin, geometry.hstart, geometry.hend, geometry.vstart,
           geometry.vend);

  if (SetTriggerMode(triggerMode) != DRV_SUCCESS) MessagePopup("Error", "Set Trigger Mode Error");

  char line[128];
  snprintf(line, sizeof line, "\nsetting exposure time is %f\n", exposure);
  AppendMonitor(line);
  if (SetExposureTime(exposure) != DRV_SUCCESS) MessagePopup("Error", "Exposure time error");

  if (SetBaselineClamp(1) == DRV_SUCCESS) {
    AppendMonitor("BaseLine Clamp On\n");
    if (SetBaselineOffset(1000) != DRV_SUCCESS) AppendMonitor("Not Set Baseline Clamp\n");
  }

  float actualExposure = exposure, accumulate = 0, kinetic = 0;
  GetAcquisitionTimings(&actualExposure, &accumulate, &kinetic);
  snprintf(line, sizeof line, "\nactual exposure time is %f,\nvalid kinetic cycle time is %f\n",
           actualExposure, kinetic);
  AppendMonitor(line);
}
