// The observation state: one flat set of module-level variables shared by every module of the
// program (settings, device readiness, camera geometry and buffers, the run's stop flag, the
// scan-step handshake, the time marks).
//
// Threads: the user-interface thread, the observation run, the monitoring loop and the
// temperature watch share these variables, in two kinds.
// * The settings, the camera geometry and handles: written on the user-interface thread by OK
//   (from the setup in force, setup_in_force.h) and by Power On/Off, both of which refuse or
//   wait while a run is active; the workers only read them, after the run has started.
// * The words that change while the workers run are std::atomic, each with one writer
//   direction:
//     Run_thread_stop           interface -> run thread
//     take, Scanpos_CCDframe    scan execution -> monitoring loop (which clears take)
//     scanpos, Scanner_InPosition  monitoring loop -> run thread
//     PmacAccessible            interface -> monitoring loop
//     temp_thread, temp_warming interface <-> temperature watch
//     run_active                interface (Run) -> run thread (which clears it at its end)
// The frame buffers are written by the monitoring loop during a scan (under FrameBufferLock) and
// read by the run thread only after the scan has ended. Buffers are released only through the
// helpers in buffers.h.
#pragma once

#include <atomic>
#include <cstdint>

#include "state/buffers.h"

// ---- panel and menu handles ----
extern int mainPanel, HELXpanelSetting, testpanel, aboutPanel, menubar;
extern std::atomic<int> GraphicPanel;
extern int TabPanelHandle;
extern int panelwidth, panelheight;

// ---- observation settings ----
// The camera configuration (`ccd_camera`, the setup's "Current Cam"): which cameras take part.
constexpr int kCamera1Only = 0;
constexpr int kCamera2Only = 1;
constexpr int kBothOneAfterTheOther = 2;  // each camera scans alone, camera 1 first
constexpr int kBothAtEveryStep = 3;       // both cameras take a frame at every scan step
constexpr int kFlatFielding = 4;
// The acquisition mode (the setup's "CCD Control" ring); the driver takes 1 and 6 as they are.
constexpr int kVideoFocus = 0;
constexpr int kSingle = 1;
constexpr int kFrameTransfer = 6;
constexpr int kScanStop = 8;
extern std::atomic<int> ccd_camera;
extern std::atomic<int> g_nFrameNumber1;
extern std::atomic<int> sequential_number;
extern float g_fExpTime1, g_fExpTime2;
extern int ccd_HBin, ccd_VBin;
extern int ccd_Gain, ccd_Gain2;
extern int ccd_PGain1, ccd_PGain2;
extern std::atomic<int> scan_mode;
extern float scan_size;
extern float scan_duration;
extern float scan_speed;
extern float scan_stroke;
extern char data_directory[32];
extern char entire_directory[252];

// ---- camera geometry, handles and buffers (a camera's together: state/camera_slot.h) ----
extern long nCameraHandle1, nCameraHandle2;
extern int nNumberOfCameras;
extern long nUnknownCameraHandle;
extern int g_nXPixels1, g_nYPixels1, g_nXPixels2, g_nYPixels2;
extern int nhDim1, nvDim1, nhDim2, nvDim2;
extern int nhDim, nvDim;
extern unsigned short* g_pRawData;
extern unsigned short* g_pRawData2;
extern unsigned short* BiasDark1;
extern unsigned short* BiasDark2;
extern float* flatdata1;
extern float* flatdata2;
extern float* flatcube1;
extern float* flatcube2;
extern Plane pFitsData;     // the whole file read last (width NAXIS1, height NAXIS2 x NAXIS3)
extern Plane pusFitsData;   // the current plane of a file cube, always an owned copy
extern Plane planeDataCCD;  // the camera plane shown; refers to a frame buffer or owns a copy
extern std::atomic<int> DataSource;
extern int colortable[256];  // grey palette for the display: entry i is i, i, i, 0

// ---- status and run control ----
extern std::atomic<int> CCD_status;
extern std::atomic<int> Scanner_status;
extern std::atomic<int> Motor_status;
extern std::atomic<int> PmacAccessible;
extern std::atomic<int> Run_thread_stop;
extern std::atomic<int> Run_thread_id;
extern std::atomic<int> temp_thread;
extern std::atomic<int> temp_warming;
extern std::atomic<int> coolingStatus;
// 1 when the last setup confirmation left every frame buffer its cameras need; Run refuses
// otherwise.
extern std::atomic<int> setup_buffers_ok;
// 1 from the moment Run is pressed (or a flat sequence starts) until the run thread has let go
// of every buffer and the image panel; commands that switch the driver's camera or release
// buffers are refused (or wait) while it is 1.
extern std::atomic<int> run_active;
int RunActive(void);

// ---- scan-step handshake ----
extern std::atomic<int> helx_take_mode;
extern std::atomic<int> take;
extern std::atomic<int> Scanpos_CCDframe;
extern std::atomic<float> scanpos;
extern std::atomic<int> Scanner_InPosition;
extern std::atomic<int> Scanning;

// ---- timing ----
extern std::int64_t gliFreq, gliStart, gliEnd;
extern std::uint32_t timeget1, timeget2;
extern char strt[32];

// The graph's one plot (histogram, line profile or gathered data), 0 when none.
extern std::atomic<int> plotHandle;
