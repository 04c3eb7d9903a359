// The cameras as the program uses them: open, describe and close; acquisition settings; frame
// acquisition; cooling and the temperature watch. Every operation acts on the driver's current
// camera, which the caller selects just before (the selection is process-wide).
#pragma once

#include <atomic>

#include "camera/callbacks.h"
#include "camera/frame_geometry.h"
#include "platform/atmcd/atmcd.h"
#include "platform/ui/userint.h"

// ---- module state ----
extern AndorCapabilities caps;
extern char ccd_path[256];
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
// Each returns DRV_SUCCESS when it did its part, otherwise the driver's code that stopped it
// (DRV_ACQUIRING for a camera that did not finish in time). A frame that was not read leaves
// its slot zeroed, never holding the previous acquisition, so the caller counts it as lost.
int TakeImage(int nh, int nv, long handle, int frameIndex);
int DataDump(int nh, int nv, long handle, int frameIndex);
int TakeImage_FTmode(int nh, int nv, int frameCount, long handle);

// How long a camera may take before it counts as hung: every frame twice its exposure plus a
// read-out allowance, and a margin for the driver's start of an acquisition.
constexpr double kCameraWaitMarginSeconds = 5.0;
constexpr double kCameraReadoutAllowanceSeconds = 0.5;

// Waits until the current camera is idle, polling with a short pause. Returns 1 when idle, 0
// when the status could not be read, -1 when the camera did not finish within `limitSeconds`
// of the instrument clock (it is then aborted, and the operator told which camera hung).
int WaitCameraIdle(double limitSeconds);
// WaitCameraIdle that also names a status failure ("Status" / "System not initialized").
// Returns 1 when idle.
int CameraFinished(double limitSeconds);
// The limit for `frames` frames of `exposure` seconds (see kCameraWaitMarginSeconds).
double AcquisitionTimeLimit(float exposure, int frames);
// The limit for a series of `frames` frames of `kinetic` seconds each (exposure and read-out,
// as the driver gives them).
double SeriesTimeLimit(float kinetic, int frames);

// ---- cooling ----
// Instrument seconds Power Off and QUIT let the cameras warm towards 5 C before they are shut
// down all the same (said in a popup): a cooler that cannot warm must not hold the shutdown.
extern double warm_up_limit;
int TempSet(int cooler1Off, int cooler2Off, int setPoint1, int setPoint2);
int CVICALLBACK setTempThread(void* data);
// The temperature watches running (0 or 1, more only while one outlives its stop): counted up by
// TempSet as it schedules a watch, down by the watch as it returns. A watch switches the
// driver's current camera on every reading, so nothing else may use the cameras meanwhile.
extern std::atomic<int> temp_watch_active;
// Tells a running watch to stop (temp_thread = 1) and waits, processing events, until it has
// returned; 1 when no watch runs any more, 0 when one still ran after a few seconds.
int StopTemperatureWatch(void);
