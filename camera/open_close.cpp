// Bringing one camera up, describing it, and taking it down again.
#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "camera/camera.h"
#include "state/HELX.h"
#include "state/camera_slot.h"
#include "state/monitor.h"
#include "state/observation_state.h"

AndorCapabilities caps;
char ccd_path[256];

namespace {
// Appends one report line, never past the caller's 1024 characters.
void appendLine(char* text, const char* line) {
  std::size_t used = std::strlen(text);
  if (used < 1023) std::strncat(text, line, 1023 - used);
}
}  // namespace

void OpenCamera(long handle) {
  caps.ulSize = 48;
  if (!getcwd(ccd_path, sizeof ccd_path)) ccd_path[0] = '\0';
  if (Initialize(ccd_path) != DRV_SUCCESS) MessagePopup("Error", "Initialize Error");

  // A handle that names neither camera records no detector size.
  unsigned int result = DRV_SUCCESS;
  if (CameraSlot* camera = FindSlot(handle)) {
    int width = 0, height = 0;
    result = GetDetector(&width, &height);
    if (result == DRV_SUCCESS) camera->detectorWidth = width, camera->detectorHeight = height;
  }
  if (result != DRV_SUCCESS) MessagePopup("Error", "Get Detector information Error");

  for (int i = 0; i < 256; i++) colortable[i] = (i << 16) | (i << 8) | i;
  CCD_status = 1;

  char info[1024];
  GetCameraInfo(info);
}

void GetCameraInfo(char* text) {
  char line[128];
  text[0] = '\0';

  caps.ulSize = 48;
  if (GetCapabilities(&caps) != DRV_SUCCESS)
    MessagePopup("Error", "Get Andor Capabilities information Error");

  char model[32] = "";
  if (GetHeadModel(model) != DRV_SUCCESS) MessagePopup("Error", "Get Head Model information Error");
  snprintf(line, sizeof line, "Head Model : %s\n", model);
  appendLine(text, line);

  int width = 0, height = 0;
  if (GetDetector(&width, &height) != DRV_SUCCESS)
    MessagePopup("Error", "Get Detector information Error");
  snprintf(line, sizeof line, "Size of CCD : %d X %d pixels\n", width, height);
  appendLine(text, line);

  // The fastest vertical shift; the first of equal maxima wins.
  int vsCount = 0, vsIndex = 0;
  float speed = 0, best = 0;
  GetNumberVSSpeeds(&vsCount);
  for (int i = 0; i < vsCount; i++) {
    GetVSSpeed(i, &speed);
    if (speed > best) best = speed, vsIndex = i;
  }
  snprintf(line, sizeof line, "VSNumber is %d\n", vsIndex);
  appendLine(text, line);
  speed = 0;
  GetVSSpeed(vsIndex, &speed);
  snprintf(line, sizeof line, "Vertical Speed : %g microseconds per pixel shift\n", speed);
  appendLine(text, line);

  // The fastest horizontal read-out over every AD channel.
  int channels = 0, adChannel = 0, hsIndex = 0;
  best = 0;
  if (GetNumberADChannels(&channels) != DRV_SUCCESS) {
    MessagePopup("Error", "Get number AD Channel Error\n");
  } else {
    for (int channel = 0; channel < channels; channel++) {
      int hsCount = 0;
      GetNumberHSSpeeds(channel, 0, &hsCount);
      for (int i = 0; i < hsCount; i++) {
        GetHSSpeed(channel, 0, i, &speed);
        if (speed > best) best = speed, hsIndex = i, adChannel = channel;
      }
    }
  }
  snprintf(line, sizeof line, "ADNumber is %d\n", adChannel);
  appendLine(text, line);
  snprintf(line, sizeof line, "HSNumber is %d\n", hsIndex);
  appendLine(text, line);
  speed = 0;
  GetHSSpeed(0, 0, hsIndex, &speed);
  if (caps.ulCameraType == 1)
    snprintf(line, sizeof line, "Horizontal Speed : %g MHz\n", speed);
  else
    snprintf(line, sizeof line, "Horizontal Speed : %g microseconds per pixel shift\n", speed);
  appendLine(text, line);

  unsigned int v[6] = {0, 0, 0, 0, 0, 0};
  GetHardwareVersion(&v[0], &v[1], &v[2], &v[3], &v[4], &v[5]);
  snprintf(line, sizeof line, "Plug-in card version : %.2f\n", static_cast<double>(v[0]));
  appendLine(text, line);
  snprintf(line, sizeof line, "Flex 10K file version : %.1f\n", static_cast<double>(v[1]));
  appendLine(text, line);
  snprintf(line, sizeof line, "Camera FirmWare Version :%.2f\n", static_cast<double>(v[4]));
  appendLine(text, line);
  snprintf(line, sizeof line, "Cam Firmware Build No : %.2f\n", static_cast<double>(v[5]));
  appendLine(text, line);

  unsigned int s[6] = {0, 0, 0, 0, 0, 0};
  GetSoftwareVersion(&s[0], &s[1], &s[2], &s[3], &s[4], &s[5]);
  const char* softwareLines[6] = {"EPROM_ver : %.1f\n",           "COF_file_ver : %.1f\n",
                                  "Driver_revision_num : %.1f\n", "Driver_ver : %.1f\n",
                                  "DLL_revision_number : %.1f\n", "DLL_ver : %.1f\n"};
  for (int i = 0; i < 6; i++) {
    snprintf(line, sizeof line, softwareLines[i], static_cast<double>(s[i]));
    appendLine(text, line);
  }

  int tmin = 0, tmax = 0;
  GetTemperatureRange(&tmin, &tmax);
  snprintf(line, sizeof line, "Temperature range : From %d C to %d C\n", tmin, tmax);
  appendLine(text, line);

  int low = 0, high = 0;
  GetEMGainRange(&low, &high);
  snprintf(line, sizeof line, "EM Gain range : From %d to %d\n", low, high);
  appendLine(text, line);

  int gain = 0;
  GetEMCCDGain(&gain);
  snprintf(line, sizeof line, "Current EMGain value :%d\n", gain);
  appendLine(text, line);

  int preAmps = 0;
  GetNumberPreAmpGains(&preAmps);
  snprintf(line, sizeof line, "pre amp gain :%d\n", preAmps);
  appendLine(text, line);

  appendLine(text, (caps.ulTriggerModes & 8) ? "Correct Hardware for Continuous Mode\n"
                                             : "InCorrect HardWare for Continuous Mode\n");
  appendLine(text, IsTriggerModeAvailable(10) == DRV_SUCCESS
                       ? "Software Trigger Mode Available\n"
                       : "Not Valid Mode for Software Trigger\n");
}

void CloseCamera(long handle) {
  // A camera still in a series (a bias/dark series is 100 frames) is given the time that series
  // can take, then aborted.
  int frames = g_nFrameNumber1 > 100 ? g_nFrameNumber1.load() : 100;
  float exposure = g_fExpTime1 > g_fExpTime2 ? g_fExpTime1 : g_fExpTime2;
  // A camera that does not become idle (hung, named by the wait, or its status unreadable) is
  // still shut down: Power Off marks it closed, and the driver must not be left open under it.
  if (WaitCameraIdle(AcquisitionTimeLimit(exposure, frames)) == 0)
    MessagePopup("Status", "System not initialized1");
  unsigned int result = SetShutter(1, 0, 1, 1);
  AppendMonitor("Set to Shutter Auto Mode\n");
  if (result != DRV_SUCCESS) MessagePopup("Error", "Shutter Error");
  SetFanMode(2);
  if (ShutDown() != DRV_SUCCESS) MessagePopup("Error", "Error shutting down");

  if (CameraSlot* camera = FindSlot(handle)) ReleaseBuffer(camera->frames);
  ReleasePlane(pusFitsData);
  ReleasePlane(pFitsData);
  ReleasePlane(planeDataCCD);
  ReleaseBuffer(BiasDark1);
  ReleaseBuffer(BiasDark2);

  AppendMonitor("Complete Shut Down\n");
  CCD_status = 0;
}
