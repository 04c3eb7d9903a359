// OK of the setup dialog: the one place that turns the dialog's controls into the observation
// state — cameras configured with a fresh bias/dark reference, the day's data folders, the scan
// program on the controller, the grating at its wavelength, the summary on the main panel.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "app/setup_controls.h"
#include "app/shell.h"
#include "camera/bias_dark.h"
#include "camera/camera.h"
#include "files/folder_script.h"
#include "motors/motors.h"
#include "platform/os/paths.h"
#include "platform/ui/published.h"
#include "scanner/scanner.h"
#include "sequence/sequence.h"
#include "state/observation_state.h"
#include "state/setup_in_force.h"

namespace {
int page(int index) {
  GetPanelHandleFromTabPage(HELXpanelSetting, SetHELX_setTAB, index, &TabPanelHandle);
  return TabPanelHandle;
}

// A custom binning must be a whole number from 1 to the largest binning that leaves a frame of
// one pixel along that axis: anything else would divide by zero, make an empty frame or
// configure a camera the operator did not mean.
bool validBinning(const char* text, int pixels) {
  char* end = nullptr;
  long value = std::strtol(text, &end, 10);
  while (end && *end == ' ') end++;
  return end != text && end && *end == '\0' && value >= 1 && value <= pixels;
}

// The largest binning along an axis for `configuration`, by each camera's frame geometry: the
// smaller one's when both cameras take part. Zero (nothing allowed) when a camera in use
// reported no size.
int largestBinning(int configuration, int (*largest)(int width, int height)) {
  const int one = largest(g_nXPixels1, g_nYPixels1), two = largest(g_nXPixels2, g_nYPixels2);
  if (configuration == kCamera1Only) return one;
  if (configuration == kCamera2Only) return two;
  return one < two ? one : two;
}

void setText(int control, const char* format, double value) {
  char text[64];
  std::snprintf(text, sizeof text, format, value);
  SetCtrlVal(mainPanel, control, text);
}

void runFolderScript() {
  makefolderscript(entire_directory);
  LaunchExecutableEx("makefolder.bat", LE_HIDE, nullptr);
}

void appendDirectory(const char* part) {
  // What does not fit is cut off; the folder check then finds the path unusable.
  const std::size_t used = std::strlen(entire_directory);
  const std::size_t room = sizeof entire_directory - 1 - used;
  const std::size_t n = std::min(std::strlen(part), room);
  std::memcpy(entire_directory + used, part, n);
  entire_directory[used + n] = '\0';
}

const char* targetFolder(int target) {
  switch (target) {
    case 0:
      return "\\raw\\dc";
    case 1:
      return "\\raw\\limb";
    case 2:
      return "\\raw\\qr";
    case 3:
      return "\\raw\\ar";
    case 4:
      return "\\raw\\ch";
    case 5:
      return "\\raw\\sunspot";
    case 6:
      return "\\raw\\fil";
    case 7:
      return "\\raw\\prom";
    default:
      return "";
  }
}

void configureCamera(long handle, const SetupInForce& next, const CameraSetupInForce& camera,
                     bool biasDark) {
  const int cameraMode = next.acquisition == kVideoFocus ? kSingle : next.acquisition;
  SetCurrentCamera(handle);
  if (biasDark)
    TakeBiasDark(camera.gain, camera.preAmpGain, next.hBin, next.vBin, camera.exposure, handle,
                 entire_directory);
  SetCameraParam(cameraMode, 4, 0, camera.gain, camera.preAmpGain, next.hBin, next.vBin,
                 camera.exposure, next.shutter, next.fan, next.frames, handle);
}

// OK waits while the cameras cool, the scanner homes, an unsaved cube lies in the buffers or an
// observation runs: each would be spoiled by a new setup.
bool mayConfirm() {
  // The run thread uses the buffers this confirmation would release. Asked first: a refused OK
  // must not have saved or discarded the cubes kept in memory on its way.
  if (Run_thread_stop == 0 || RunActive()) {
    MessagePopup("Warning", "An observation is running. Stop it before changing the setup.");
    return false;
  }
  if (temp_thread == 0) {
    MessagePopup("Warning", "CCD Temperature is not stabilized. Please wait");
    return false;
  }
  // Homing jogs the scanner and sets its zero: no scan program may be downloaded under it.
  if (RefusedWhileHoming()) return false;
  // A cube the last observation could not save still lies in the buffers released below.
  if (!SaveUnsavedBeforeRelease("OK", 1)) return false;
  return true;
}

// Everything the operator typed is checked before any camera or folder is touched.
bool setupIsSound(const SetupControls& controls, const SetupInForce& next) {
  if (CCD_status != 1) return true;
  // Camera 2's settings must never reach camera 1 through a camera that is not there.
  if (next.configuration != kCamera1Only && nNumberOfCameras == 1) {
    MessagePopup("Error",
                 "Only camera 1 was found at Power On: this configuration needs camera 2. "
                 "Choose Camera 1.");
    return false;
  }
  if (SetupControlOf(controls, setCCDTAB, setCCDTAB_CCD_setBinning).value == 4) {
    const int columns = largestBinning(next.configuration, LargestHorizontalBinning);
    const int rows = largestBinning(next.configuration, LargestVerticalBinning);
    if (!validBinning(SetupControlOf(controls, setCCDTAB, setCCDTAB_CCD_setHBin).text, columns) ||
        !validBinning(SetupControlOf(controls, setCCDTAB, setCCDTAB_CCD_setVBin).text, rows)) {
      char text[160];
      std::snprintf(text, sizeof text,
                    "Custom binning must be a whole number from 1 to %d horizontally and from "
                    "1 to %d vertically.",
                    columns, rows);
      MessagePopup("Error", text);
      return false;
    }
  }
  if (next.target == 8 && !CheckTargetName(next.targetName)) return false;
  return true;
}

void releaseBuffers() {
  Run_thread_stop = 1;
  ReleaseBuffer(g_pRawData);
  ReleaseBuffer(g_pRawData2);
  ReleaseBuffer(BiasDark1);
  ReleaseBuffer(BiasDark2);
  ReleasePlane(planeDataCCD);  // an alias of a frame buffer is only forgotten
  ReleasePlane(pusFitsData);
  ReleasePlane(pFitsData);
  ReleaseBuffer(flatdata1);
  ReleaseBuffer(flatdata2);
  setup_buffers_ok = 0;
}

void announceConfiguration(int configuration) {
  static const char* const said[] = {"Set Current Camera 1\n", "Set Current Camera 2\n",
                                     "Use Both Cameras\n", "Use Both Cameras 2 frame in 1 step\n",
                                     "Flat Fielding Mode\n"};
  SetCurrentCamera(configuration == kCamera2Only ? nCameraHandle2 : nCameraHandle1);
  if (configuration >= kCamera1Only && configuration <= kFlatFielding)
    AppendMonitor(said[configuration]);
}

// The globals every subsystem reads the cameras' setup from.
void applyCameraGlobals(const SetupInForce& next) {
  ccd_camera = next.configuration;
  g_nFrameNumber1 = next.frames;
  g_fExpTime1 = next.camera[0].exposure;
  g_fExpTime2 = next.camera[1].exposure;
  ccd_Gain = next.camera[0].gain;
  ccd_Gain2 = next.camera[1].gain;
  ccd_PGain1 = next.camera[0].preAmpGain;
  ccd_PGain2 = next.camera[1].preAmpGain;
  ccd_HBin = next.hBin;
  ccd_VBin = next.vBin;
  sequential_number = next.runs;
  scan_duration = next.stepDuration;
  char text[64];
  std::snprintf(text, sizeof text, "%d x %d", ccd_HBin, ccd_VBin);
  SetCtrlVal(mainPanel, PANEL_info8, text);
}

// The day's folder (UTC), then the target's subfolder; each level is created by its own script
// so that it exists before anything is written into it.
void makeDataFolders(const SetupInForce& next) {
  std::time_t now = std::time(nullptr);
  std::tm utc{};
  gmtime_r(&now, &utc);
  std::snprintf(entire_directory, sizeof entire_directory, "%s%.2d%.2d%.2d", data_directory,
                utc.tm_year + 1900, utc.tm_mon + 1, utc.tm_mday);
  runFolderScript();
  if (next.configuration == kFlatFielding) {
    appendDirectory("\\cal");
    runFolderScript();
  } else if (next.target == 8) {
    appendDirectory("\\raw\\");
    appendDirectory(next.targetName);
  } else {
    appendDirectory(targetFolder(next.target));
  }
  runFolderScript();
  // The script runs on its own and says nothing when it fails: the folder must take files
  // before the first bias/dark is saved into it.
  CheckDataFolder(entire_directory);
  // The status page lists the night's files from here.
  helx::ui::PublishDataFolder(helx::os::MapPath(entire_directory).value_or(""));
}

void configureCameras(const SetupInForce& next) {
  switch (next.configuration) {
    case kBothOneAfterTheOther:
    case kBothAtEveryStep:
    case kFlatFielding:
      configureCamera(nCameraHandle1, next, next.camera[0], true);
      configureCamera(nCameraHandle2, next, next.camera[1], true);
      SetCurrentCamera(nCameraHandle1);
      break;
    case kCamera1Only:
      configureCamera(nCameraHandle1, next, next.camera[0], next.frames != 0);
      break;
    case kCamera2Only:
      configureCamera(nCameraHandle2, next, next.camera[1], next.frames != 0);
      break;
    default:
      break;
  }
  int scanPage = page(1);
  SetCtrlVal(scanPage, setScanTAB_Scan_Step_number, static_cast<unsigned>(next.frames));
  SetCtrlVal(scanPage, setScanTAB_Scan_Frames, static_cast<unsigned>(next.frames));
  SetCtrlVal(scanPage, setScanTAB_Scan_Step_duration, static_cast<double>(next.stepDuration));
}

// The main panel's summary of the cameras' setup.
void showCameraSummary(const SetupInForce& next) {
  const int configuration = next.configuration, frames = next.frames;
  const float one = next.camera[0].exposure, two = next.camera[1].exposure;
  if (next.acquisition == kScanStop) {
    double seconds = (configuration == kBothAtEveryStep || configuration == kFlatFielding)
                         ? (one + two) * frames
                     : configuration == kCamera2Only ? two * frames
                                                     : one * frames;
    setText(PANEL_info10, "%.1f", seconds);
  } else {
    setText(PANEL_info10, "%.1f", 0.001 * next.stepDuration * frames);
  }
  static const char* const names[] = {"CCD 1", "CCD 2", "Both CCDs", "2CCD in 1 Step",
                                      "Flat Fielding"};
  if (configuration >= kCamera1Only && configuration <= kFlatFielding)
    SetCtrlVal(mainPanel, PANEL_info6, names[configuration]);
  if (configuration == kCamera2Only)
    SetCtrlVal(mainPanel, PANEL_info7, "N");
  else
    setText(PANEL_info7, "%.2f", one);
  if (configuration == kCamera1Only)
    SetCtrlVal(mainPanel, PANEL_info7_1, "N");
  else
    setText(PANEL_info7_1, "%.2f", two);
  char text[32];
  std::snprintf(text, sizeof text, "%d", frames);
  SetCtrlVal(mainPanel, PANEL_info4, text);
  std::snprintf(text, sizeof text, "%d", next.runs);
  SetCtrlVal(mainPanel, PANEL_info5, text);
}

// Run is refused unless every buffer the configuration needs is there.
void checkBuffers(int configuration) {
  bool flatOk = true;
  if (configuration == kFlatFielding) {
    std::size_t frame1 = static_cast<std::size_t>(nhDim1) * nvDim1;
    std::size_t frame2 = static_cast<std::size_t>(nhDim2) * nvDim2;
    ReleaseBuffer(flatdata1);
    ReleaseBuffer(flatcube1);
    ReleaseBuffer(flatdata2);
    ReleaseBuffer(flatcube2);
    flatdata1 = AllocateFloats(frame1);
    flatcube1 = AllocateFloats(7 * frame1);
    flatdata2 = AllocateFloats(frame2);
    flatcube2 = AllocateFloats(7 * frame2);
    flatOk = flatdata1 && flatcube1 && flatdata2 && flatcube2;
  }
  bool needs1 = configuration != kCamera2Only, needs2 = configuration != kCamera1Only;
  if ((needs1 && !g_pRawData) || (needs2 && !g_pRawData2) || !flatOk) {
    AppendMonitor("The frame buffers could not be allocated: Run is refused with this setup.\n");
    MessagePopup("Error",
                 "The frame buffers could not be allocated: Run is refused with this setup.");
  } else {
    setup_buffers_ok = 1;
  }
}

void applyCameras(const SetupInForce& next) {
  releaseBuffers();
  announceConfiguration(next.configuration);
  applyCameraGlobals(next);
  makeDataFolders(next);
  configureCameras(next);
  showCameraSummary(next);
  checkBuffers(next.configuration);
}

void applyScanner(const SetupInForce& next) {
  scan_mode = next.scanMode;
  scan_duration = next.stepDuration;
  scan_size = next.stepSizeHalf;
  scan_speed = next.speed;
  scan_stroke = next.stroke;
  const int frames = g_nFrameNumber1;
  const bool generate = CCD_status == 1 && frames > 1 && next.acquisition != kScanStop;
  if (next.scanMode == 0) {
    if (generate && ScanCommandWrite(frames, scan_duration, scan_size, 0.0f, 0.0f))
      AppendMonitor("Spectrograph mode script of Scanner generated\n");
  } else {
    if (generate && ScanCommandWrite(frames, 0.0f, 0.0f, scan_speed, scan_stroke))
      AppendMonitor("\nImaging mode script of Scanner generated\n");
  }
  char text[64];
  std::snprintf(text, sizeof text, "Scanner_status is %d\n", Scanner_status.load());
  AppendMonitor(text);
  if (next.scanMode == 0) {
    SetCtrlVal(mainPanel, PANEL_info1, "Spectrograph");
    setText(PANEL_info2, "%.1f", scan_duration);
    setText(PANEL_info3, "%.1f", 2 * scan_size);
    if (frames == 0) setText(PANEL_info10, "%.1f", 0.001 * scan_duration);
    setText(PANEL_info11, "%f", 0.08 * (2 * scan_size) * frames / 16.0);
  } else {
    SetCtrlVal(mainPanel, PANEL_info1, "Imaging");
    setText(PANEL_info2, "%.1f", scan_speed);
    setText(PANEL_info3, "%.1f", scan_stroke);
    setText(PANEL_info10, "%.1f", scan_stroke / scan_speed);
  }
}

// The grating goes to the chosen entry; the setup records whether it got there, and the summary
// shows the wavelength only where the grating stands.
void applyGrating(SetupInForce& next) {
  GratingSetupInForce& grating = next.grating;
  if (grating.index < 0) {
    AppendMonitor("The wavelength list is empty: the grating was not moved.\n");
    return;
  }
  CurrentSelect_Wv = grating.index;
  Gratingtracking(2, grating.step);
  grating.reached = MotorPos1E == grating.step;
  if (grating.reached) {
    setText(PANEL_info9, "%.2f", grating.wavelength);
    return;
  }
  char text[200];
  std::snprintf(text, sizeof text,
                "The grating did not reach %.2f (step %d): it stands at step %d.\n",
                static_cast<double>(grating.wavelength), grating.step, MotorPos1E);
  AppendMonitor(text);
  SetCtrlVal(mainPanel, PANEL_info9, "not reached");
}
}  // namespace

// Read, check, apply: the dialog's pages are read once into the next setup, which is checked
// whole before any device, folder or buffer is touched, then applied device by device and kept
// as the setup in force.
int CVICALLBACK HELX_setOK(int panel, int control, int event, void* callbackData, int eventData1,
                           int eventData2) {
  (void)panel, (void)control, (void)callbackData, (void)eventData1, (void)eventData2;
  if (event != EVENT_COMMIT) return 0;
  if (!mayConfirm()) return 0;
  const SetupControls controls = ReadSetupControls();
  SetupInForce next = SetupFromControls(controls, setup_in_force);
  if (!setupIsSound(controls, next)) return 0;

  entire_directory[0] = '\0';
  data_folder_ok = 0;
  // The bias/dark files written while the cameras are set up already name this setup's observer
  // and target; its grating entry counts once the grating has moved.
  const GratingSetupInForce standing = setup_in_force.grating;
  setup_in_force = next;
  setup_in_force.grating = standing;
  if (CCD_status == 1) applyCameras(next);
  if (Scanner_status == 1) applyScanner(next);
  if (Motor_status == 1) applyGrating(next);
  next.confirmed = true;
  setup_in_force = next;
  RememberConfirmedControls();

  SetCtrlAttribute(mainPanel, PANEL_cmd_Run, ATTR_DIMMED, 0);
  SetCtrlAttribute(mainPanel, PANEL_HELX_cmdStop, ATTR_DIMMED, 0);
  SetMenuBarAttribute(menubar, MENUBAR_TEST, ATTR_DIMMED, 0);
  SetMenuBarAttribute(menubar, MENUBAR_TEST_TEST, ATTR_DIMMED, 0);
  HidePanel(HELXpanelSetting);
  return 0;
}
