// OK of the setup dialog: the one place that turns the dialog's controls into the observation
// state — cameras configured with a fresh bias/dark reference, the day's data folders, the scan
// program on the controller, the grating at its wavelength, the summary on the main panel.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

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

namespace {
int page(int index) {
  GetPanelHandleFromTabPage(HELXpanelSetting, SetHELX_setTAB, index, &TabPanelHandle);
  return TabPanelHandle;
}

int textAsInt(int panel, int control) {
  char text[256] = "";
  GetCtrlVal(panel, control, text);
  return std::atoi(text);
}

float textAsFloat(int panel, int control) {
  char text[256] = "";
  GetCtrlVal(panel, control, text);
  return static_cast<float>(std::atof(text));
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
  std::size_t used = std::strlen(entire_directory);
  std::snprintf(entire_directory + used, sizeof entire_directory - used, "%s", part);
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

void configureCamera(long handle, int acquisition, int gain, int preAmp, float exposure,
                     int shutter, int fan, bool biasDark) {
  SetCurrentCamera(handle);
  if (biasDark) TakeBiasDark(gain, preAmp, ccd_HBin, ccd_VBin, exposure, handle, entire_directory);
  SetCameraParam(acquisition, 4, 0, gain, preAmp, ccd_HBin, ccd_VBin, exposure, shutter, fan,
                 g_nFrameNumber1, handle);
}
}  // namespace

int CVICALLBACK HELX_setOK(int panel, int control, int event, void* callbackData, int eventData1,
                           int eventData2) {
  (void)panel, (void)control, (void)callbackData, (void)eventData1, (void)eventData2;
  if (event != EVENT_COMMIT) return 0;

  if (temp_thread == 0) {
    MessagePopup("Warning", "CCD Temperature is not stabilized. Please wait");
    return 0;
  }
  // Homing jogs the scanner and sets its zero: no scan program may be downloaded under it.
  if (RefusedWhileHoming()) return 0;
  // A cube the last observation could not save still lies in the buffers released below.
  if (!SaveUnsavedBeforeRelease("OK", 1)) return 0;
  // The run thread uses the buffers this confirmation would release.
  if (Run_thread_stop == 0 || RunActive()) {
    MessagePopup("Warning", "An observation is running. Stop it before changing the setup.");
    return 0;
  }

  int ccdPage = page(0), miscPage = page(3);
  int target = -1;
  GetCtrlVal(miscPage, setMISC_MISC_TargetRing, &target);
  char targetName[256] = "";
  GetCtrlVal(miscPage, setMISC_MISC_Target, targetName);
  if (CCD_status == 1) {
    // Everything the operator typed is checked before any camera or folder is touched.
    int binning = 1;
    GetCtrlVal(ccdPage, setCCDTAB_CCD_setBinning, &binning);
    int configuration = 0;
    GetCtrlVal(ccdPage, setCCDTAB_CCD_setCamera, &configuration);
    // Camera 2's settings must never reach camera 1 through a camera that is not there.
    if (configuration != kCamera1Only && nNumberOfCameras == 1) {
      MessagePopup("Error",
                   "Only camera 1 was found at Power On: this configuration needs camera 2. "
                   "Choose Camera 1.");
      return 0;
    }
    if (binning == 4) {
      char h[256] = "", v[256] = "";
      GetCtrlVal(ccdPage, setCCDTAB_CCD_setHBin, h);
      GetCtrlVal(ccdPage, setCCDTAB_CCD_setVBin, v);
      const int columns = largestBinning(configuration, LargestHorizontalBinning);
      const int rows = largestBinning(configuration, LargestVerticalBinning);
      if (!validBinning(h, columns) || !validBinning(v, rows)) {
        char text[160];
        std::snprintf(text, sizeof text,
                      "Custom binning must be a whole number from 1 to %d horizontally and from "
                      "1 to %d vertically.",
                      columns, rows);
        MessagePopup("Error", text);
        return 0;
      }
    }
    if (target == 8 && !CheckTargetName(targetName)) return 0;
  }

  entire_directory[0] = '\0';
  data_folder_ok = 0;

  if (CCD_status == 1) {
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

    int configuration = 0;
    GetCtrlVal(ccdPage, setCCDTAB_CCD_setCamera, &configuration);
    ccd_camera = configuration;
    SetCurrentCamera(configuration == kCamera2Only ? nCameraHandle2 : nCameraHandle1);
    switch (configuration) {
      case kCamera1Only:
        AppendMonitor("Set Current Camera 1\n");
        break;
      case kCamera2Only:
        AppendMonitor("Set Current Camera 2\n");
        break;
      case kBothOneAfterTheOther:
        AppendMonitor("Use Both Cameras\n");
        break;
      case kBothAtEveryStep:
        AppendMonitor("Use Both Cameras 2 frame in 1 step\n");
        break;
      case kFlatFielding:
        AppendMonitor("Flat Fielding Mode\n");
        break;
      default:
        break;
    }

    int acquisition = kSingle;
    GetCtrlVal(ccdPage, setCCDTAB_CCD_setAcq, &acquisition);
    int cameraMode = acquisition;
    if (acquisition == kVideoFocus) {
      cameraMode = 1;
      g_nFrameNumber1 = 0;
    } else {
      g_nFrameNumber1 = textAsInt(ccdPage, setCCDTAB_CCD_setFrameNumber);
    }

    g_fExpTime1 = textAsFloat(ccdPage, setCCDTAB_CCD_setExpTime);
    g_fExpTime2 = textAsFloat(ccdPage, setCCDTAB_CCD_setExpTime2);
    ccd_Gain = textAsInt(ccdPage, setCCDTAB_CCD_setGain);
    ccd_Gain2 = textAsInt(ccdPage, setCCDTAB_CCD_setGain2);
    ccd_PGain1 = textAsInt(ccdPage, setCCDTAB_CCD_setPGain1);
    ccd_PGain2 = textAsInt(ccdPage, setCCDTAB_CCD_setPGain2);

    int binning = 1;
    GetCtrlVal(ccdPage, setCCDTAB_CCD_setBinning, &binning);
    char text[64];
    switch (binning) {
      case 1:
        ccd_HBin = ccd_VBin = 1;
        break;
      case 2:
        ccd_HBin = ccd_VBin = 2;
        break;
      case 3:
        ccd_HBin = ccd_VBin = 4;
        break;
      default:
        ccd_HBin = textAsInt(ccdPage, setCCDTAB_CCD_setHBin);
        ccd_VBin = textAsInt(ccdPage, setCCDTAB_CCD_setVBin);
        break;
    }
    std::snprintf(text, sizeof text, "%d x %d", ccd_HBin, ccd_VBin);
    SetCtrlVal(mainPanel, PANEL_info8, text);
    int runs = 0;
    GetCtrlVal(ccdPage, setCCDTAB_CCD_setSequence, &runs);
    sequential_number = runs;

    // The day's folder (UTC), then the target's subfolder; each level is created by its own
    // script so that it exists before anything is written into it.
    std::time_t now = std::time(nullptr);
    std::tm utc{};
    gmtime_r(&now, &utc);
    std::snprintf(entire_directory, sizeof entire_directory, "%s%.2d%.2d%.2d", data_directory,
                  utc.tm_year + 1900, utc.tm_mon + 1, utc.tm_mday);
    runFolderScript();
    if (configuration == kFlatFielding) {
      appendDirectory("\\cal");
      runFolderScript();
    } else if (target == 8) {
      appendDirectory("\\raw\\");
      appendDirectory(targetName);
    } else {
      appendDirectory(targetFolder(target));
    }
    runFolderScript();
    // The script runs on its own and says nothing when it fails: the folder must take files
    // before the first bias/dark is saved into it.
    CheckDataFolder(entire_directory);
    // The status page lists the night's files from here.
    helx::ui::PublishDataFolder(helx::os::MapPath(entire_directory).value_or(""));

    int shutter = 0, fan = 0;
    GetCtrlVal(ccdPage, setCCDTAB_CCD_setShutter, &shutter);
    GetCtrlVal(ccdPage, setCCDTAB_CCD_setFan, &fan);

    if (configuration == kBothOneAfterTheOther || configuration == kBothAtEveryStep ||
        configuration == kFlatFielding) {
      configureCamera(nCameraHandle1, cameraMode, ccd_Gain, ccd_PGain1, g_fExpTime1, shutter, fan,
                      true);
      configureCamera(nCameraHandle2, cameraMode, ccd_Gain2, ccd_PGain2, g_fExpTime2, shutter, fan,
                      true);
      SetCurrentCamera(nCameraHandle1);
    } else if (configuration == kCamera1Only) {
      configureCamera(nCameraHandle1, cameraMode, ccd_Gain, ccd_PGain1, g_fExpTime1, shutter, fan,
                      g_nFrameNumber1 != 0);
    } else if (configuration == kCamera2Only) {
      configureCamera(nCameraHandle2, cameraMode, ccd_Gain2, ccd_PGain2, g_fExpTime2, shutter, fan,
                      g_nFrameNumber1 != 0);
    }

    int scanPage = page(1);
    SetCtrlVal(scanPage, setScanTAB_Scan_Step_number,
               static_cast<unsigned>(g_nFrameNumber1.load()));
    SetCtrlVal(scanPage, setScanTAB_Scan_Frames, static_cast<unsigned>(g_nFrameNumber1.load()));

    if (acquisition == kScanStop) {
      scan_duration = 0.03f;
    } else if (configuration == kBothAtEveryStep || configuration == kFlatFielding) {
      scan_duration = 1000 * (g_fExpTime1 > g_fExpTime2 ? g_fExpTime1 : g_fExpTime2) + 70 + 10;
    } else if (configuration == kBothOneAfterTheOther) {
      // Each camera scans alone, one after the other, with the same scan program: its steps
      // must be long enough for the longer exposure.
      scan_duration = 1000 * (g_fExpTime1 > g_fExpTime2 ? g_fExpTime1 : g_fExpTime2) + 70;
    } else if (configuration == kCamera1Only) {
      scan_duration = 1000 * g_fExpTime1 + 70;
    } else if (configuration == kCamera2Only) {
      scan_duration = 1000 * g_fExpTime2 + 70;
    }
    SetCtrlVal(scanPage, setScanTAB_Scan_Step_duration, static_cast<double>(scan_duration));

    int frames = g_nFrameNumber1;
    if (acquisition == kScanStop) {
      double seconds = (configuration == kBothAtEveryStep || configuration == kFlatFielding)
                           ? (g_fExpTime1 + g_fExpTime2) * frames
                       : configuration == kCamera2Only ? g_fExpTime2 * frames
                                                       : g_fExpTime1 * frames;
      setText(PANEL_info10, "%.1f", seconds);
    } else {
      setText(PANEL_info10, "%.1f", 0.001 * scan_duration * frames);
    }

    static const char* const names[] = {"CCD 1", "CCD 2", "Both CCDs", "2CCD in 1 Step",
                                        "Flat Fielding"};
    if (configuration >= kCamera1Only && configuration <= kFlatFielding)
      SetCtrlVal(mainPanel, PANEL_info6, names[configuration]);
    if (configuration == kCamera2Only)
      SetCtrlVal(mainPanel, PANEL_info7, "N");
    else
      setText(PANEL_info7, "%.2f", g_fExpTime1);
    if (configuration == kCamera1Only)
      SetCtrlVal(mainPanel, PANEL_info7_1, "N");
    else
      setText(PANEL_info7_1, "%.2f", g_fExpTime2);
    std::snprintf(text, sizeof text, "%d", frames);
    SetCtrlVal(mainPanel, PANEL_info4, text);
    std::snprintf(text, sizeof text, "%d", sequential_number.load());
    SetCtrlVal(mainPanel, PANEL_info5, text);

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

  if (Scanner_status == 1) {
    int scanPage = page(1);
    int mode = 0;
    GetCtrlIndex(scanPage, setScanTAB_Scan_Mode, &mode);
    scan_mode = mode;
    int acquisition = kSingle;
    GetCtrlVal(ccdPage, setCCDTAB_CCD_setAcq, &acquisition);
    bool generate = CCD_status == 1 && g_nFrameNumber1 > 1 && acquisition != kScanStop;
    char text[64];
    if (mode == 0) {
      double duration = 0, size = 0;
      GetCtrlVal(scanPage, setScanTAB_Scan_Step_duration, &duration);
      GetCtrlVal(scanPage, setScanTAB_Scan_Step_size, &size);
      scan_duration = static_cast<float>(duration);
      scan_size = static_cast<float>(size / 2.0);
      if (generate && ScanCommandWrite(g_nFrameNumber1, scan_duration, scan_size, 0.0f, 0.0f))
        AppendMonitor("Spectrograph mode script of Scanner generated\n");
    } else {
      double speed = 0, stroke = 0;
      GetCtrlVal(scanPage, setScanTAB_Scan_speed, &speed);
      GetCtrlVal(scanPage, setScanTAB_Scan_stroke, &stroke);
      scan_speed = static_cast<float>(speed);
      scan_stroke = static_cast<float>(stroke);
      if (generate && ScanCommandWrite(g_nFrameNumber1, 0.0f, 0.0f, scan_speed, scan_stroke))
        AppendMonitor("\nImaging mode script of Scanner generated\n");
    }
    std::snprintf(text, sizeof text, "Scanner_status is %d\n", Scanner_status.load());
    AppendMonitor(text);
    int frames = g_nFrameNumber1;
    if (mode == 0) {
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

  if (Motor_status == 1) {
    int gratingPage = page(2);
    int index = -1;
    GetCtrlIndex(gratingPage, setMotoTAB_Motor_Wavelength, &index);
    CurrentSelect_Wv = index;
    int entry = SelectedWvEntry();
    if (entry >= 0) {
      Gratingtracking(2, Data[entry].step);
      // The wavelength is shown only where the grating stands: a refused or stopped move
      // leaves it elsewhere, and the summary must not say otherwise.
      if (MotorPos1E == Data[entry].step) {
        setText(PANEL_info9, "%.2f", Data[entry].wavelength);
      } else {
        char text[200];
        std::snprintf(text, sizeof text,
                      "The grating did not reach %.2f (step %d): it stands at step %d.\n",
                      static_cast<double>(Data[entry].wavelength), Data[entry].step, MotorPos1E);
        AppendMonitor(text);
        SetCtrlVal(mainPanel, PANEL_info9, "not reached");
      }
    } else {
      AppendMonitor("The wavelength list is empty: the grating was not moved.\n");
    }
  }

  SetCtrlAttribute(mainPanel, PANEL_cmd_Run, ATTR_DIMMED, 0);
  SetCtrlAttribute(mainPanel, PANEL_HELX_cmdStop, ATTR_DIMMED, 0);
  SetMenuBarAttribute(menubar, MENUBAR_TEST, ATTR_DIMMED, 0);
  SetMenuBarAttribute(menubar, MENUBAR_TEST_TEST, ATTR_DIMMED, 0);
  HidePanel(HELXpanelSetting);
  return 0;
}
