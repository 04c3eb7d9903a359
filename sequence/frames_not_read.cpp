#include "sequence/frames_not_read.h"

#include <cstdio>

#include "camera/camera.h"
#include "sequence/sequence.h"
#include "state/camera_slot.h"
#include "state/monitor.h"
#include "state/observation_state.h"

std::atomic<int> run_frames_not_read{0};

namespace {
std::atomic<int> sinceBegin{0};
}  // namespace

void BeginFramesNotRead(void) { sinceBegin = 0; }

void FrameNotRead(const CameraSlot& camera, int step, int code) {
  ++run_frames_lost;
  ++run_frames_not_read;
  if (sinceBegin++ > 0) return;
  char text[200];
  std::snprintf(text, sizeof text,
                "Camera %d did not hand over its frame of step %d (driver code %d): the frame is "
                "lost and its slot holds zeros.\n",
                camera.number, step, code);
  TellOperator("Error", text);
}

int FramesNotReadSinceBegin(void) { return sinceBegin; }
