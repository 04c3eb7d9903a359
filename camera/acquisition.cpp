// Moving image data from the current camera into the frame buffers.
#include <cstdio>

#include "camera/camera.h"
#include "platform/ui/wait.h"
#include "state/HELX.h"
#include "state/monitor.h"
#include "state/observation_state.h"

namespace {
// How often a waiting camera's status is asked.
constexpr double kCameraLookSeconds = 0.0002;

unsigned short* bufferOf(long handle) {
  if (handle == nCameraHandle1) return g_pRawData;
  if (handle == nCameraHandle2) return g_pRawData2;
  return nullptr;
}

// The camera's own exposure for the time limit of a wait.
float exposureOf(long handle) { return handle == nCameraHandle2 ? g_fExpTime2 : g_fExpTime1; }
}  // namespace

double AcquisitionTimeLimit(float exposure, int frames) {
  if (frames < 1) frames = 1;
  double perFrame = 2.0 * (exposure > 0 ? exposure : 0) + kCameraReadoutAllowanceSeconds;
  return kCameraWaitMarginSeconds + frames * perFrame;
}

double SeriesTimeLimit(float kinetic, int frames) {
  if (frames < 1) frames = 1;
  return kCameraWaitMarginSeconds + 2.0 * frames * (kinetic > 0 ? kinetic : 0);
}

namespace {
void reportHung(double limitSeconds) {
  long current = 0;
  GetCurrentCamera(&current);
  char text[160];
  std::snprintf(text, sizeof text,
                "Camera %d did not finish its exposure within %.1f s: acquisition aborted.\n",
                CameraNumber(current), limitSeconds);
  TellOperator("Error", text);
}
}  // namespace

int WaitCameraIdle(double limitSeconds) {
  int status = DRV_ACQUIRING;
  bool statusRead = true;
  // A short pause leaves the core to the camera; it costs far less than a read-out.
  helx::ui::WaitUntil(
      [&] {
        statusRead = GetStatus(&status) == DRV_SUCCESS;
        return !statusRead || status == DRV_IDLE;
      },
      limitSeconds, kCameraLookSeconds);
  if (!statusRead) return 0;
  if (status == DRV_IDLE) return 1;
  AbortAcquisition();
  reportHung(limitSeconds);
  return -1;
}

int CameraFinished(double limitSeconds) {
  int idle = WaitCameraIdle(limitSeconds);
  if (idle == 0) MessagePopup("Status", "System not initialized");
  return idle == 1 ? 1 : 0;
}

void TakeImage(int nh, int nv, long handle, int frameIndex) {
  (void)nh, (void)nv, (void)handle, (void)frameIndex;
  if (StartAcquisition() != DRV_SUCCESS) {
    MessagePopup("Error", "Start acquisition error");
    AbortAcquisition();
  }
}

void DataDump(int nh, int nv, long handle, int frameIndex) {
  if (!CameraFinished(AcquisitionTimeLimit(exposureOf(handle), 1))) return;
  {
    std::lock_guard guard(FrameBufferLock());
    unsigned short* buffer = bufferOf(handle);
    if (buffer) {
      std::size_t frame = static_cast<std::size_t>(nh) * static_cast<std::size_t>(nv);
      GetAcquiredData16(buffer + frame * static_cast<std::size_t>(frameIndex), frame);
    }
  }
  DataSource = 1;
}

void TakeImage_FTmode(int nh, int nv, int frameCount, long handle) {
  std::size_t count = static_cast<std::size_t>(nh) * static_cast<std::size_t>(nv) *
                      static_cast<std::size_t>(frameCount > 0 ? frameCount : 0);
  if (StartAcquisition() != DRV_SUCCESS) {
    MessagePopup("Error", "Start acquisition error");
    AbortAcquisition();
    return;
  }
  if (!CameraFinished(AcquisitionTimeLimit(exposureOf(handle), frameCount))) return;
  {
    std::lock_guard guard(FrameBufferLock());
    unsigned short* buffer = bufferOf(handle);
    if (buffer) GetAcquiredData16(buffer, count);
  }
  DataSource = 1;
}
