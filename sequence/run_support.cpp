// What the observation run and the flat-field sequence share: the image panel they load, the
// wait for the scanner to come back to its start, the wait for the last frame of a scan, and
// the buffers cleared with each camera's own size.
#include <cstdio>
#include <cstring>

#include "camera/camera.h"
#include "display/display.h"
#include "files/folder_script.h"
#include "platform/os/storage.h"
#include "platform/ui/wait.h"
#include "sequence/frames_not_read.h"
#include "sequence/sequence.h"
#include "state/HELX.h"
#include "state/camera_slot.h"
#include "state/monitor.h"
#include "state/observation_state.h"

std::atomic<int> run_frames_lost{0};
std::atomic<int> run_frames_dropped{0};
std::atomic<int> run_files_not_saved{0};
double scanner_return_limit = 120.0;

namespace {
// The scanner's position is refreshed by the monitoring loop every few milliseconds; looking
// as often is nothing against a return of the scanner, and leaves the cores to the controller.
constexpr double kScannerLookSeconds = 0.002;
// After the program ended, the monitoring loop may still be on the last step: at most its
// exposure, then the read-out of each camera the step exposed (each waited for as long as a
// camera may take, AcquisitionTimeLimit), and a margin for the loop to store the frame.
constexpr double kLastFrameMarginSeconds = 5.0;
}  // namespace

int LoadImagePanel(void) {
  std::lock_guard lock(displayLock);
  if (GraphicPanel != 0) {
    DiscardPanel(GraphicPanel);
    GraphicPanel = 0;
  }
  int panel = LoadPanel(0, "HELX.uir", GRAPHICPNL);
  if (panel < 0) return -1;
  int top = 0, left = 0, width = 0;
  GetPanelAttribute(mainPanel, ATTR_TOP, &top);
  GetPanelAttribute(mainPanel, ATTR_LEFT, &left);
  GetPanelAttribute(mainPanel, ATTR_WIDTH, &width);
  SetPanelAttribute(panel, ATTR_TOP, top);
  SetPanelAttribute(panel, ATTR_LEFT, left + width + 7);
  GraphicPanel = panel;
  DisplayPanel(panel);
  return panel;
}

void DiscardImagePanel(void) {
  std::lock_guard lock(displayLock);
  if (GraphicPanel != 0) DiscardPanel(GraphicPanel);
  GraphicPanel = 0;
}

void ClearFrames(int camera, int frames) {
  const CameraSlot& slot = Camera(camera);
  unsigned short* buffer = slot.frames;
  int nh = slot.width, nv = slot.height;
  if (!buffer || nh <= 0 || nv <= 0) return;
  std::size_t count = static_cast<std::size_t>(nh) * static_cast<std::size_t>(nv) *
                      static_cast<std::size_t>(frames > 1 ? frames : 1);
  std::lock_guard lock(FrameBufferLock());
  std::memset(buffer, 0, count * sizeof(unsigned short));
}

int WaitScannerAtStart(int honourStop, const char* what) {
  auto atStart = [] { return scanpos > -1.0f && scanpos < 1.0f && Scanner_InPosition == 1; };
  // Without the monitoring loop nobody refreshes the position: it would never come.
  helx::ui::WaitUntil(
      [&] { return atStart() || (honourStop && Run_thread_stop != 0) || monitoring_active == 0; },
      scanner_return_limit, kScannerLookSeconds);
  if (atStart()) return 1;
  if (honourStop && Run_thread_stop != 0) return 0;
  char text[200];
  std::snprintf(text, sizeof text, "The scanner did not come back to its start position: %s.\n",
                what);
  TellOperator("Warning", text);
  return -1;
}

int WaitScanFramesStored(int frames, float exposure, const char* cameras, int cameraCount) {
  const double lastStep = exposure + cameraCount * AcquisitionTimeLimit(exposure, 1);
  helx::ui::WaitUntil([] { return WaitScanStepsStored(0) == 1 || monitoring_active == 0; },
                      lastStep + kLastFrameMarginSeconds, kScannerLookSeconds, &ScanStepSettled());
  int stored = ScanStepsStored();
  int dropped = ScanStepsDropped();
  int announced = ScanStepsAnnounced();
  char text[240];
  if (dropped > 0) {
    run_frames_dropped += dropped * cameraCount;
    std::snprintf(text, sizeof text,
                  "\n%s: %d of %d frames were dropped because the scanner had moved on from "
                  "their step; their slots hold zeros.\n",
                  cameras, dropped, frames);
    AppendMonitor(text);
  }
  int missing = frames - stored - dropped;
  if (missing > 0) {
    std::snprintf(text, sizeof text,
                  "\n%s: %d of %d frames were not stored (%d steps announced, %d frames late); "
                  "their slots hold zeros.\n",
                  cameras, missing, frames, announced, announced - stored - dropped);
    AppendMonitor(text);
  }
  if (stored < frames) run_frames_lost += (frames - stored) * cameraCount;
  // Taken at their steps, but not handed over by their camera (already counted as lost).
  if (int notRead = FramesNotReadSinceBegin(); notRead > 0) {
    std::snprintf(text, sizeof text,
                  "\n%s: %d frames taken at their steps were not read from the camera; their "
                  "slots hold zeros.\n",
                  cameras, notRead);
    AppendMonitor(text);
  }
  return stored;
}

std::string ObservationEndLine(void) {
  char text[200];
  int lost = run_frames_lost.load(), dropped = run_frames_dropped.load();
  int notRead = run_frames_not_read.load();
  int unsaved = run_files_not_saved.load();
  int n = std::snprintf(text, sizeof text, "\nObservation ended: %d frames lost", lost);
  if (dropped > 0)
    n += std::snprintf(text + n, sizeof text - static_cast<std::size_t>(n),
                       " (%d dropped because the scanner had moved on)", dropped);
  if (notRead > 0)
    n += std::snprintf(text + n, sizeof text - static_cast<std::size_t>(n),
                       " (%d not read from the camera)", notRead);
  if (unsaved > 0)
    n += std::snprintf(text + n, sizeof text - static_cast<std::size_t>(n), ", %d files not saved",
                       unsaved);
  std::snprintf(text + n, sizeof text - static_cast<std::size_t>(n), ".\n");
  return text;
}

namespace {
// A FITS file: its header (the observation header fills two blocks; four leave room) and its
// data, each in whole 2880-byte blocks.
constexpr std::uintmax_t kFitsBlock = 2880;
constexpr std::uintmax_t kFitsHeaderBlocks = 4;

std::uintmax_t fitsBytes(std::uintmax_t samples, std::uintmax_t bytesPerSample) {
  return kFitsHeaderBlocks * kFitsBlock +
         (samples * bytesPerSample + kFitsBlock - 1) / kFitsBlock * kFitsBlock;
}

std::uintmax_t cubeSamples(int camera, int frames) {
  int nh = Camera(camera).width, nv = Camera(camera).height;
  if (nh <= 0 || nv <= 0) return 0;
  return static_cast<std::uintmax_t>(nh) * static_cast<std::uintmax_t>(nv) *
         static_cast<std::uintmax_t>(frames > 1 ? frames : 1);
}
}  // namespace

std::uintmax_t ObservationBytes(int configuration, int frames, int acquisitionMode, int runs) {
  if (configuration == kFlatFielding)
    return fitsBytes(cubeSamples(1, 7), 4) + fitsBytes(cubeSamples(2, 7), 4);
  if (frames == 0 || acquisitionMode == kVideoFocus || runs <= 0) return 0;  // video writes no file
  if (acquisitionMode == kScanStop && frames > 1 && configuration != kCamera1Only) return 0;
  std::uintmax_t perRun = 0;
  if (configuration != kCamera2Only) perRun += fitsBytes(cubeSamples(1, frames), 2);
  if (configuration == kCamera2Only || configuration == kBothOneAfterTheOther ||
      configuration == kBothAtEveryStep)
    perRun += fitsBytes(cubeSamples(2, frames), 2);
  return perRun * static_cast<std::uintmax_t>(runs);
}

int StorageReadyForRun(int configuration, int frames, int acquisitionMode, int runs) {
  char text[600];
  if (data_folder_ok == 0) {
    std::snprintf(text, sizeof text,
                  "Run refused: the data folder %s cannot be written: %s. Confirm the setup "
                  "again once it can.\n",
                  entire_directory, data_folder_problem[0] ? data_folder_problem : "not checked");
    TellOperator("Error", text);
    return 0;
  }
  std::uintmax_t needed = ObservationBytes(configuration, frames, acquisitionMode, runs);
  auto free = helx::os::FreeBytes(entire_directory);
  // A drive that cannot be asked is not a reason to refuse; every save still checks itself.
  if (!free || needed <= *free) return 1;
  std::snprintf(text, sizeof text,
                "Run refused: the observation needs %.1f MB on the data drive (%s) and only "
                "%.1f MB are free. Free some space or take fewer runs or frames.\n",
                static_cast<double>(needed) / 1e6, entire_directory,
                static_cast<double>(*free) / 1e6);
  TellOperator("Error", text);
  return 0;
}
