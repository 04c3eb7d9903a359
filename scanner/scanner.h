// The scanner: the link to its motion controller (the communication library loaded at run
// time), the controller's set-up and the generated scan program, scan execution with the step
// announcements for the cameras, the position and status read-out, homing, gathering of servo
// data and the operator's command line.
//
// Threads: the link is used from the user-interface thread (set-up, test panel, homing timer),
// the observation run (ExecuteProgram) and the monitoring loop (ReadPosition, Monitor). Every
// command and its reply, and every other library call, is one whole exchange under one lock;
// CloseDevice takes that lock too, so the library is never unloaded under a call in flight, and
// a call that comes after the close fails at once (-1 or 0, an empty reply).
//
// Scan steps (the contract with the monitoring loop, see scanner/step_handshake.h):
//  * ExecuteProgram calls ResetScanSteps(g_nFrameNumber1) before it starts the program, then
//    AnnounceScanStep() once per step, in order 1, 2, ... and never beyond the frames.
//  * Spectrograph mode: step k is announced once the program has counted k - 1 finished steps
//    (its p1) and the scanner has arrived within the in-position band (I128 / 16 counts, at
//    most half a step) of start + k x the step the program really moves, measured from the
//    position where the scan started; or, at the latest, once p1 counts step k as finished.
//  * Imaging mode: frame k is announced once the sweep has passed (k - 0.5) x step_size units.
//  * Before the first announcement it says where the steps lie (SetScanStepPositions): each
//    spectrograph step within half a step of its target, each imaging frame within half a
//    frame step of k x step_size, so that the monitoring loop stores only frames exposed
//    there.
//  * Several steps reached between two polls are announced together, in order.
//  * A scan that ends (program finished, aborted, controller silent) announces nothing more;
//    steps never reached are reported in the message box and stay unannounced.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>

#include "platform/pcomm/pcomm.h"
#include "platform/ui/userint.h"
#include "scanner/callbacks.h"

// ---- link state ----
extern void* h_PmacLib;               // the loaded library; null when not loaded
extern std::uint32_t dwDevice;        // controller device number: always 0
extern std::atomic<int> bDriverOpen;  // 1 while the device is open
// The library's file name as dlopen finds it (tests may point it elsewhere).
extern char PmacLibName[256];

// The entry-point table, filled by RunLink.
extern PfnOpenPmacDevice DeviceOpen;
extern PfnClosePmacDevice DeviceClose;
extern PfnPmacGetRomVersionA DeviceGetRomVersion;
extern PfnPmacGetRomDateA DeviceGetRomDate;
extern PfnPmacGetResponseA DeviceGetResponse;
extern PfnPmacDownloadA DeviceDownload;
extern PfnPmacGetBufferA DeviceGetBuffer;
extern PfnPmacSetQuickGather DeviceSetQuickGather;
extern PfnPmacCollectGatherData DeviceCollectGatherData;
extern PfnPmacGetGatherSamples DeviceGetGatherSamples;
extern PfnPmacGetIVariableLong DeviceGetIVariableLong;

// The one lock of the link: held around every library call and by CloseDevice.
extern std::mutex& pmac_lock;

// ---- scanner state ----
extern std::atomic<double> position;  // last scanner position, encoder counts
extern std::atomic<float> step_size;  // scan step in program units (set by ScanCommandWrite)
// The step the generated spectrograph program really moves, in whole units (what "x%4.f"
// wrote), or 0 before any program was generated.
extern std::atomic<float> step_moved;
extern std::atomic<float> step_duration;  // ms a spectrograph step lasts, as generated
extern std::atomic<int> g_nAmpOnSeq;      // homing state: 0, 10, 20, 21, 22, 23, 30
extern std::atomic<int> zerostep;         // jog target in counts, relative to the home zero

// ---- link ----
// Loads the library and fetches its eleven entry points; 1 when all are there. A missing
// library or entry point is reported by name and leaves the library unloaded.
int RunLink(void);
// Sends one command and appends the reply to the main panel's message box.
void getresponse(const char* command);
// One whole exchange: the reply (at most 255 characters, NUL-terminated) into `reply`, which
// holds 256 bytes. Returns the number of characters, or -1 when the link is closed or the
// controller did not answer (the reply is then empty).
int PmacCommand(const char* command, char* reply);
// Closes and unloads the link; safe against calls in flight on other threads.
void CloseDevice(void);

// ---- set-up and scan program ----
int ScanOpen(void);
// Generates HELX.pmc from the templates and downloads it: 1 when the controller holds the new
// program; otherwise 0, the operator told which step failed, and scan_program_loaded stays 0
// so that Run never starts the program of an earlier setup.
int ScanCommandWrite(int frames, float duration, float step, float speed, float stroke);
// Downloads `path`; 1 when the controller accepted it.
int OpenScript(const char* path);
// 1 while the controller holds the program the last ScanCommandWrite generated.
extern std::atomic<int> scan_program_loaded;

// ---- scan execution and read-out ----
// Runs one scan; 1 when the scan program has ended, 0 on a camera, gathering or controller
// failure or an abort. The arguments are not used.
int ExecuteProgram(long cameraHandle, int takeMode);
// Stops a running scan program on the controller and makes a running ExecuteProgram end
// promptly (within one poll). Returns 1 when no scan runs any more, 0 when ExecuteProgram did
// not end within 5 s.
int AbortScan(void);
// 1 from the start of ExecuteProgram (pre-scan exposures included) until the scan has ended.
int ScanProgramRunning(void);
void ReadPosition(void);
// One position reading: controller counts and the instrument time the reply came (both NaN
// when the controller did not answer).
struct PositionReading {
  double counts, time;
};
// ReadPosition, returning what it read.
PositionReading ReadPositionNow(void);
// The newest reading, the scan poll's included, when it is at most `maxAgeSeconds` old (it is
// then also the last position); otherwise ReadPositionNow. The scan poll reads the position at
// every look, so a step's exposure need not wait for a reading of its own.
PositionReading RecentPosition(double maxAgeSeconds);
void Monitor(void);

// ---- homing ----
// One step of the homing sequence, run by the main panel's timer (Ampon_timer) on the
// interface thread. Every tick returns at once: the controller's pauses are kept across ticks,
// and each waiting state has a limit after which homing fails (popup and message box), the
// scanner is stopped, the timer stops and the scanner is left not homed.
void ampon_timer(void);
// Stops the homing timer (Power Off, QUIT). An unfinished homing is abandoned, the motion it
// started stopped, and the next enabling of the timer starts it at its first state; a finished
// one stays finished, since the controller keeps its zero across power-ups.
void HomingStop(void);
// How long each waiting state of homing may wait, in instrument seconds. The jog and the home
// search run at 32 counts/ms (I122, I123): the whole travel of some 250000 counts takes 8 s,
// the jog to the new zero 2.5 s. The limits leave several times that for a slower set-up, yet
// end a homing that never finishes (a switch that never trips, a home flag never found) while
// the operator still waits for it.
inline constexpr double kHomingNegativeLimitSeconds = 60.0;  // state 10: jog to the limit
inline constexpr double kHomingHomeCompleteSeconds = 60.0;   // state 21: search and return
inline constexpr double kHomingRestAtHomeSeconds = 20.0;     // state 22: at rest on home
inline constexpr double kHomingRestAtZeroSeconds = 30.0;     // state 23: jog to the new zero
// 1 while the homing sequence runs (its timer enabled and the scanner not yet homed): the setup
// and Run are refused then, since homing jogs the scanner and sets its zero.
int ScannerHoming(void);
// 1 once homing has set the scanner's zero (state 30); 0 before, and after a failed homing.
int ScannerHomed(void);
// While homing runs, says "The scanner is still homing." (popup and message box) and returns 1;
// otherwise 0. The setup's OK and Run refuse then.
int RefusedWhileHoming(void);

// ---- gathering ----
int UploadQuickGather(int writeFile);
