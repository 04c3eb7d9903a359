// The cameras as the program uses them: open, describe and close; acquisition settings; frame
// acquisition; cooling and the temperature watch. Every operation acts on the driver's current
// camera, which the caller selects just before (the selection is process-wide).
#pragma once

#include "camera/frame_geometry.h"
#include "platform/atmcd/atmcd.h"
#include "platform/ui/userint.h"

// ---- module state ----
extern AndorCapabilities caps;
extern char ccd_path[256];
extern int colortable[256];  // grey palette for the display: entry i is i, i, i, 0
extern int temp_thread_id;

// ---- open, information and shutdown ----
void OpenCamera(long handle);
void GetCameraInfo(char* text);  // the caller supplies at least 1024 characters
void CloseCamera(long handle);

// ---- acquisition settings ----
void SetCameraParam(int acquisitionMode, int readMode, int triggerMode, int emGain, int preAmpGain,
                    int hbin, int vbin, float exposure, int shutterMode, int fanMode,
                    int frameCount, long handle);

// ---- frame acquisition ----
void TakeImage(int nh, int nv, long handle, int frameIndex);
void DataDump(int nh, int nv, long handle, int frameIndex);
void TakeImage_FTmode(int nh, int nv, int frameCount, long handle);

// Waits until the current camera is idle, polling with a short pause. Returns 1 when idle, 0
// when the status could not be read or the camera did not finish within `limitSeconds` of the
// instrument clock (it is then aborted).
int WaitCameraIdle(double limitSeconds);
// A generous limit for `frames` frames of `exposure` seconds: far beyond exposure and read-out.
double AcquisitionTimeLimit(float exposure, int frames);

// ---- cooling ----
int TempSet(int cooler1Off, int cooler2Off, int setPoint1, int setPoint2);
int CVICALLBACK setTempThread(void* data);
