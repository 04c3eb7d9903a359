#include "camera/bias_dark.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

#include "camera/camera.h"
#include "camera/frame_geometry.h"
#include "files/fits_files.h"
#include "platform/atmcd/atmcd.h"
#include "platform/ui/userint.h"
#include "state/HELX.h"
#include "state/camera_slot.h"
#include "state/monitor.h"
#include "state/observation_state.h"

void AverageBiasDark(const unsigned short* series, unsigned short* frame, long pixels, int frames) {
  if (frames <= 0) return;
  // Sums in 32 bits (100 x 65535 fits), one frame at a time so the series is read in order.
  std::unique_ptr<std::uint32_t[]> owned(new (std::nothrow) std::uint32_t[pixels]);
  std::uint32_t* sums = owned.get();
  if (sums) {
    std::memset(sums, 0, sizeof(std::uint32_t) * pixels);
    for (int f = 0; f < frames; f++) {
      const unsigned short* p = series + static_cast<std::size_t>(f) * pixels;
      for (long i = 0; i < pixels; i++) sums[i] += p[i];
    }
    for (long i = 0; i < pixels; i++) frame[i] = static_cast<unsigned short>(sums[i] / frames);
    return;
  }
  for (long i = 0; i < pixels; i++) {
    std::uint32_t sum = 0;
    for (int f = 0; f < frames; f++) sum += series[static_cast<std::size_t>(f) * pixels + i];
    frame[i] = static_cast<unsigned short>(sum / frames);
  }
}

void TakeBiasDark(int emGain, int preAmpGain, int hbin, int vbin, float exposure, long handle,
                  const char* directory) {
  CameraSlot& camera = SlotOf(handle);
  FrameGeometry g;
  if (!GetFrameGeometry(camera.detectorWidth, camera.detectorHeight, hbin, vbin, &g) || g.nh <= 0 ||
      g.nv <= 0) {
    MessagePopup("Error", "Bias/dark not taken: invalid binning or detector size");
    return;
  }
  nhDim = g.nh, nvDim = g.nv;
  camera.width = g.nh, camera.height = g.nv;

  // Both buffers or nothing, before any camera setting.
  long pixels = static_cast<long>(g.nh) * g.nv;
  unsigned short*& frame = camera.biasDark;
  ReleaseBuffer(frame);
  frame = AllocateSamples(static_cast<std::size_t>(pixels));
  unsigned short* series = AllocateSamples(static_cast<std::size_t>(pixels) * BIASDARK_FRAMES);
  if (!frame || !series) {
    ReleaseBuffer(frame);
    ReleaseBuffer(series);
    char text[64];
    std::snprintf(text, sizeof text, "Not Allocate the memory for BiasDark%d", camera.number);
    MessagePopup("Error", text);
    return;
  }
  // A failed series leaves zeros, never undefined samples that a subtraction would use.
  std::memset(frame, 0, sizeof(unsigned short) * pixels);

  SetAcquisitionMode(6);
  SetFrameTransferMode(1);
  SetNumberKinetics(BIASDARK_FRAMES);
  SetReadMode(4);
  SetVSSpeed(g.vsSpeed);
  SetADChannel(0);
  SetHSSpeed(0, 0);
  SetShutter(1, 2, 1, 1);
  SetFanMode(0);
  SetPreAmpGain(preAmpGain);
  SetEMCCDGain(emGain);
  Delay(0.25);
  SetImage(g.hbin, g.vbin, g.hstart, g.hend, g.vstart, g.vend);
  SetTriggerMode(0);

  char text[128];
  std::snprintf(text, sizeof text, "\nsetting exposure time is %f\n",
                static_cast<double>(exposure));
  AppendMonitor(text);
  SetExposureTime(exposure);

  SetBaselineClamp(1);
  if (SetBaselineOffset(1000) != DRV_SUCCESS) AppendMonitor("Not Set Baseline Clamp\n");

  float actualExposure = 0, accumulate = 0, kinetic = 0;
  GetAcquisitionTimings(&actualExposure, &accumulate, &kinetic);

  if (StartAcquisition() != DRV_SUCCESS) {
    MessagePopup("Error", "Start acquisition error");
    AbortAcquisition();
    ReleaseBuffer(series);
    return;
  }
  // A series that never ends (far beyond its exposures and read-outs) is aborted and named
  // rather than holding the interface.
  if (!CameraFinished(SeriesTimeLimit(kinetic > 0 ? kinetic : actualExposure, BIASDARK_FRAMES))) {
    ReleaseBuffer(series);
    return;
  }
  if (GetAcquiredData16(series, static_cast<unsigned long>(pixels) * BIASDARK_FRAMES) !=
      DRV_SUCCESS) {
    MessagePopup("Error", "Bias/dark series could not be read");
    ReleaseBuffer(series);
    return;
  }
  AverageBiasDark(series, frame, pixels, BIASDARK_FRAMES);
  DataSource = 1;
  SaveBiasDark(g.nh, g.nv, 1, exposure, handle, directory);
  ReleaseBuffer(series);
}
