// The live monitoring loop: the scanner's position for the display and the run's waits, and
// the frames of every scan step, each stored only when it was exposed at its step.

#include <cmath>
#include <cstdio>

#include "camera/camera.h"
#include "platform/os/clock.h"
#include "platform/ui/wait.h"
#include "scanner/scanner.h"
#include "sequence/frame_record.h"
#include "sequence/frames_not_read.h"
#include "sequence/sequence.h"
#include "state/camera_slot.h"
#include "state/monitor.h"
#include "state/observation_state.h"

int monitor_thread_id = 0;
std::atomic<int> monitoring_active{0};

namespace {
// The position read-out and the status queries come round this often (instrument time): the
// display and the waits for the scanner's start position read them. In between the loop waits
// for a step, and an announcement ends that wait at once, so a step's exposure never queues
// behind them.
constexpr double kRefreshSeconds = 0.02;
// A reading this young is the scanner's position now: at rest the scanner moves less than half
// a count in it.
constexpr double kFreshReadingSeconds = 0.001;

// An exposure started: when, for how long, and the driver's answer to the start.
struct Started {
  double start, exposure;
  int code;
  double end() const { return start + exposure; }
  bool ok() const { return code == DRV_SUCCESS; }
};

// Starts the current camera into frame `slot`. The driver's own timings, asked while the camera
// is idle, include what the settings add to the exposure; the configured time stands in when it
// cannot say.
Started expose(const CameraSlot& camera, int slot) {
  float exposure = DriverExposure(camera.exposure);
  const int code = TakeImage(camera.width, camera.height, camera.handle, slot);
  // Read once the start has returned: the post-exposure reading is never early.
  return {Timer(), exposure, code};
}

// Whether a reading puts the scanner at the step; a reading that did not come never does.
bool atStep(int step, const PositionReading& reading) {
  return !std::isnan(reading.counts) && ScannerAtScanStep(step, reading.counts) == 1;
}

// A position read now, once the exposure has ended, says whether the scanner stayed at the step.
bool stayedAt(int step, double exposureEnd, PositionReading* after) {
  double wait = exposureEnd - Timer();
  if (wait > 0) helx::os::Clock::instance().sleepForSeconds(wait);
  *after = ReadPositionNow();
  return atStep(step, *after);
}

// The frame of a step that stayed: read into its slot, or counted as not read (its slot
// zeroed) when the camera did not start or did not hand it over.
bool readFrame(const Started& s, const CameraSlot& camera, int step) {
  const int code = s.ok() ? DataDump(camera.width, camera.height, camera.handle, step - 1) : s.code;
  if (code == DRV_SUCCESS) return true;
  FrameNotRead(camera, step, code);
  return false;
}

// A frame that is not stored still has to finish before the camera can start again; its data
// stay in the driver, and the step's slot keeps its zeros.
void letFinish(const CameraSlot& camera) {
  WaitCameraIdle(AcquisitionTimeLimit(camera.exposure, 1));
}

// One camera, the current one (take mode 0). A step that stayed is taken (true) whether or not
// the camera handed its frame over: a frame not read is counted apart (FrameNotRead).
bool takeFrame(int step, const CameraSlot& camera, PositionReading before) {
  Started s = expose(camera, step - 1);
  PositionReading after{};
  bool stayed = stayedAt(step, s.end(), &after);
  if (!stayed) {
    RecordFrame(camera, step - 1, step, s.start, static_cast<float>(s.exposure), before, after,
                false);
    if (s.ok()) letFinish(camera);
    return false;
  }
  const bool read = readFrame(s, camera, step);
  RecordFrame(camera, step - 1, step, s.start, static_cast<float>(s.exposure), before, after, read);
  return true;
}

// Both cameras start one right after the other, so both frames of a step are exposed together,
// and only then are they read (take mode 1).
bool takeBothFrames(int step, PositionReading before) {
  const int slot = step - 1;
  const CameraSlot& camera1 = Camera(1);
  const CameraSlot& camera2 = Camera(2);
  SetCurrentCamera(camera1.handle);
  Started s1 = expose(camera1, slot);
  SetCurrentCamera(camera2.handle);
  Started s2 = expose(camera2, slot);
  PositionReading after{};
  bool stayed = stayedAt(step, s1.end() > s2.end() ? s1.end() : s2.end(), &after);
  bool read1 = false, read2 = false;
  SetCurrentCamera(camera1.handle);
  if (stayed)
    read1 = readFrame(s1, camera1, step);
  else if (s1.ok())
    letFinish(camera1);
  SetCurrentCamera(camera2.handle);
  if (stayed)
    read2 = readFrame(s2, camera2, step);
  else if (s2.ok())
    letFinish(camera2);
  RecordFrame(camera1, slot, step, s1.start, static_cast<float>(s1.exposure), before, after, read1);
  RecordFrame(camera2, slot, step, s2.start, static_cast<float>(s2.exposure), before, after, read2);
  return stayed;
}

// Take mode 0 with neither camera current: the step's frame is not read from any camera (its
// slot keeps its zeros), which is a loss of its own, not the scanner moving on. Told once a scan.
void noCameraCurrent(int step, bool* told) {
  ++run_frames_lost;
  ++run_frames_not_read;
  if (*told) return;
  *told = true;
  char text[200];
  std::snprintf(text, sizeof text,
                "No camera was current when scan step %d was reached: its frame was not read and "
                "its slot holds zeros.\n",
                step);
  TellOperator("Error", text);
}

}  // namespace

int CVICALLBACK MonitoringThreadFunction(void* data) {
  (void)data;
  monitoring_active = 1;
  double refreshed = -HUGE_VAL;
  bool noCameraTold = false;  // in this scan
  while (PmacAccessible != 0) {
    if (Timer() - refreshed >= kRefreshSeconds) {
      ReadPosition();
      Monitor();
      refreshed = Timer();
    }

    int step = NextScanStep();
    if (step == 0) {
      const double untilRefresh = refreshed + kRefreshSeconds - Timer();
      if (untilRefresh > 0)
        helx::ui::WaitUntil([] { return NextScanStep() != 0 || PmacAccessible == 0; }, untilRefresh,
                            untilRefresh, &ScanStepAnnounced());
      continue;
    }
    // The position must be the scanner's now: the poll's reading that announced the step, or
    // one read now. A step whose successor is already announced, or that the scanner has left,
    // is dropped unexposed.
    const PositionReading before = RecentPosition(kFreshReadingSeconds);
    if (!atStep(step, before)) {
      ScanStepDropped();
      continue;
    }
    bool stored = false;
    if (step == 1) noCameraTold = false;
    if (helx_take_mode == 0) {
      // A word of this thread's own: the run thread writes nUnknownCameraHandle in video mode.
      long current = 0;
      GetCurrentCamera(&current);
      if (const CameraSlot* camera = FindSlot(current)) {
        stored = takeFrame(step, *camera, before);
      } else {
        // The scanner was at the step; no camera could take it.
        noCameraCurrent(step, &noCameraTold);
        stored = true;
      }
    } else {
      stored = takeBothFrames(step, before);
    }
    if (stored)
      ScanStepStored();
    else
      ScanStepDropped();
  }
  monitoring_active = 0;
  return 1;
}
