// The flat-field sequence: a whole scan with both cameras at seven grating positions around the
// first wavelength entry, each averaged and bias/dark-subtracted into one plane of a seven-plane
// float cube per camera; both cubes saved, the grating returned to its base.
#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <cstring>

#include "camera/camera.h"
#include "display/display.h"
#include "files/fits_files.h"
#include "files/time_marks.h"
#include "motors/motors.h"
#include "platform/os/clock.h"
#include "scanner/scanner.h"
#include "sequence/frames_not_read.h"
#include "sequence/sequence.h"
#include "state/HELX.h"
#include "state/monitor.h"
#include "state/observation_state.h"

namespace {

const int kOffsets[7] = {-110, -90, -30, 0, 20, 80, 115};

// Plane `position` of the cube: the mean of the scan's stored frames, minus the bias/dark
// frame. A frame that was not stored (its step was lost or dropped) is all zeros, never a
// reading (the bias alone lifts every sample), and would drag the mean down: it is left out.
void averageInto(const unsigned short* frames, int nh, int nv, int count, float* accumulator,
                 const unsigned short* biasDark, float* cube, int position) {
  std::size_t pixels = static_cast<std::size_t>(nh) * static_cast<std::size_t>(nv);
  int used = 0;
  for (int f = 0; f < count; f++) {
    const unsigned short* frame = frames + pixels * static_cast<std::size_t>(f);
    if (std::all_of(frame, frame + pixels, [](unsigned short v) { return v == 0; })) continue;
    for (std::size_t k = 0; k < pixels; k++) accumulator[k] += static_cast<float>(frame[k]);
    ++used;
  }
  float* plane = cube + pixels * static_cast<std::size_t>(position);
  for (std::size_t k = 0; k < pixels; k++) {
    accumulator[k] = used == 0 ? 0.0f
                               : accumulator[k] / static_cast<float>(used) -
                                     (biasDark ? static_cast<float>(biasDark[k]) : 0.0f);
    plane[k] = accumulator[k];
  }
}

void clearAccumulator(float* accumulator, int nh, int nv) {
  std::memset(accumulator, 0,
              static_cast<std::size_t>(nh) * static_cast<std::size_t>(nv) * sizeof(float));
}

void refuse(const char* why) { TellOperator("Error", why); }

}  // namespace

int TakingFlat(void) {
  if (CCD_status != 1 || Scanner_status != 1) return -1;
  const int frames = g_nFrameNumber1;
  // No frames would divide by zero, and one frame generates no scan program, so the controller
  // would run a stale one.
  if (frames < 2) {
    refuse(
        "A flat field needs at least 2 frames: set Frames to 2 or more and confirm the "
        "setup again.\n");
    return -1;
  }
  if (!g_pRawData || !g_pRawData2 || !flatdata1 || !flatdata2 || !flatcube1 || !flatcube2) {
    refuse("The flat-field buffers are missing: confirm the setup again.\n");
    return -1;
  }
  if (nWV_FileIO <= 0) {
    refuse("The wavelength list is empty: no flat field was taken.\n");
    return -1;
  }
  Run_thread_stop = 1;
  if (LoadImagePanel() < 0) return -1;

  SetCtrlAttribute(mainPanel, PANEL_viewCCD1, ATTR_DIMMED, 1);
  SetCtrlAttribute(mainPanel, PANEL_viewCCD2, ATTR_DIMMED, 1);
  gliFreq = helx::os::PerformanceFrequency();
  if (gliFreq <= 0) MessagePopup("Error", "Cannot support the timer of high resolution");
  SetCtrlAttribute(mainPanel, PANEL_viewCCD1, ATTR_DIMMED, 0);
  SetCtrlAttribute(mainPanel, PANEL_viewCCD2, ATTR_DIMMED, 0);

  run_active = 1;
  run_frames_lost = 0;
  run_frames_dropped = 0;
  run_frames_not_read = 0;
  const int base = Data[0].step;
  char startText[52] = "", endText[52] = "";
  float elapsed = 0;
  bool complete = true;
  for (int i = 0; i < 7; i++) {
    int target = base + kOffsets[i];
    Gratingtracking(2, target);
    char text[96];
    std::snprintf(text, sizeof text, "%d th Grating Position : %d\n", i + 1, target);
    AppendMonitor(text);
    std::snprintf(text, sizeof text, "%d", i + 1);
    SetCtrlVal(mainPanel, PANEL_S1, text);
    helx_take_mode = 1;
    ClearFrames(1, frames);
    ClearFrames(2, frames);
    clearAccumulator(flatdata1, nhDim1, nvDim1);
    clearAccumulator(flatdata2, nhDim2, nvDim2);

    // Stop cannot reach this sequence (it holds the interface thread), so only the time limit
    // ends a wait for a scanner that does not come back.
    if (WaitScannerAtStart(0, "the flat field was stopped and no flat file was written") != 1) {
      complete = false;
      break;
    }
    marktime_start(startText);
    SetCurrentCamera(nCameraHandle1);
    BeginFramesNotRead();
    ExecuteProgram(nCameraHandle1, 1);
    WaitScanFramesStored(frames, g_fExpTime1 > g_fExpTime2 ? g_fExpTime1 : g_fExpTime2,
                         "Cameras 1 and 2", 2);
    marktime_end(endText);
    elapsed = time_difference();

    averageInto(g_pRawData, nhDim1, nvDim1, frames, flatdata1, BiasDark1, flatcube1, i);
    averageInto(g_pRawData2, nhDim2, nvDim2, frames, flatdata2, BiasDark2, flatcube2, i);
    DisplayCCDImage(nhDim1, nvDim1, frames, nCameraHandle1);
  }

  if (complete) {
    SaveFlatFits(nhDim1, nvDim1, 7, g_fExpTime1, nCameraHandle1, startText, endText, elapsed,
                 entire_directory);
    SaveFlatFits(nhDim2, nvDim2, 7, g_fExpTime2, nCameraHandle2, startText, endText, elapsed,
                 entire_directory);
  }
  Gratingtracking(2, base);

  // The last scan, as many frames as the buffer holds.
  SetCurrentCamera(nCameraHandle1);
  DisplayCCDImage(nhDim1, nvDim1, frames, nCameraHandle1);
  DataSource = 1;
  SetCtrlAttribute(mainPanel, PANEL_viewCCD1, ATTR_DIMMED, 0);
  SetCtrlAttribute(mainPanel, PANEL_viewCCD2, ATTR_DIMMED, 0);
  // Camera 1's data are shown: its button alone is on, whichever camera was viewed before.
  SetCtrlVal(mainPanel, PANEL_viewCCD1, 1);
  SetCtrlVal(mainPanel, PANEL_viewCCD2, 0);
  AppendMonitor(complete ? "\nFlat field ended.\n" : "\nFlat field stopped.\n");
  run_active = 0;
  return 1;
}
