// Moving image data from the current camera into the frame buffers.
#include <algorithm>
#include <cstdio>

#include "camera/camera.h"
#include "platform/ui/wait.h"
#include "state/HELX.h"
#include "state/camera_slot.h"
#include "state/monitor.h"
#include "state/observation_state.h"

namespace {
// How often a waiting camera's status is asked.
constexpr double kCameraLookSeconds = 0.0002;

// Null for a handle that names neither camera. Read under FrameBufferLock: the slot gives the
// buffer in place now.
unsigned short* bufferOf(long handle) {
  const CameraSlot* camera = FindSlot(handle);
  return camera ? camera->frames : nullptr;
}
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
                SlotOf(current).number, limitSeconds);
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

namespace {
std::size_t samplesOf(int nh, int nv) {
  return static_cast<std::size_t>(nh) * static_cast<std::size_t>(nv);
}

// Frames `frameIndex` .. + `frames` of the camera's buffer hold zeros: a frame not read must
// never pass for whatever an earlier one left there.
void zeroSlots(int nh, int nv, long handle, int frameIndex, int frames) {
  std::lock_guard guard(FrameBufferLock());
  unsigned short* buffer = bufferOf(handle);
  if (!buffer || frameIndex < 0 || frames < 1) return;
  unsigned short* slot = buffer + samplesOf(nh, nv) * static_cast<std::size_t>(frameIndex);
  std::fill(slot, slot + samplesOf(nh, nv) * static_cast<std::size_t>(frames), 0);
}

// Waits for the acquisition and copies `frames` frames into the camera's buffer from slot
// `frameIndex` on; on any failure those slots are zeroed instead.
int readInto(int nh, int nv, long handle, int frameIndex, int frames) {
  // The camera's own exposure sets the time limit.
  const int idle = WaitCameraIdle(AcquisitionTimeLimit(SlotOf(handle).exposure, frames));
  if (idle == 0) MessagePopup("Status", "System not initialized");
  const std::size_t frame = samplesOf(nh, nv);
  const std::size_t count = frame * static_cast<std::size_t>(frames > 0 ? frames : 0);
  int code = idle == 1 ? DRV_SUCCESS : idle == 0 ? DRV_NOT_INITIALIZED : DRV_ACQUIRING;
  {
    std::lock_guard guard(FrameBufferLock());
    unsigned short* buffer = bufferOf(handle);
    if (!buffer) {
      // A handle that is neither camera copies nothing, and says so; the buffers still count
      // as the cameras' own.
      DataSource = 1;
      return code == DRV_SUCCESS ? DRV_P3INVALID : code;
    }
    unsigned short* slot = buffer + frame * static_cast<std::size_t>(frameIndex);
    if (code == DRV_SUCCESS) code = static_cast<int>(GetAcquiredData16(slot, count));
    // Half a copy, or whatever an earlier frame left, must never pass for this frame.
    if (code != DRV_SUCCESS) std::fill(slot, slot + count, 0);
  }
  if (code == DRV_SUCCESS) DataSource = 1;
  return code;
}
}  // namespace

// The slot is only touched when the start fails: the driver then still holds the previous
// frame, which must not be read into this one.
int TakeImage(int nh, int nv, long handle, int frameIndex) {
  const int code = static_cast<int>(StartAcquisition());
  if (code != DRV_SUCCESS) {
    MessagePopup("Error", "Start acquisition error");
    AbortAcquisition();
    zeroSlots(nh, nv, handle, frameIndex, 1);
  }
  return code;
}

int DataDump(int nh, int nv, long handle, int frameIndex) {
  return readInto(nh, nv, handle, frameIndex, 1);
}

int TakeImage_FTmode(int nh, int nv, int frameCount, long handle) {
  const int code = static_cast<int>(StartAcquisition());
  if (code != DRV_SUCCESS) {
    MessagePopup("Error", "Start acquisition error");
    AbortAcquisition();
    zeroSlots(nh, nv, handle, 0, frameCount);
    return code;
  }
  return readInto(nh, nv, handle, 0, frameCount);
}
