// Scan execution: the pre-scan exposures, gathering armed, the scan program started and polled
// until it ends, each step it reaches announced to the monitoring loop; and the position and
// status read-out that loop calls on every pass.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "camera/camera.h"
#include "scanner/scanner.h"
#include "scanner/speed_estimate.h"
#include "scanner/step_handshake.h"
#include "state/HELX.h"
#include "state/monitor.h"
#include "state/observation_state.h"

std::atomic<double> position{0.0};

namespace {

// The scan's poll looks away from the controller at least this long between looks (a step
// lasts tens of milliseconds at least); an abort waits for the program to end at most
// kScanAbortLimitSeconds, looking every millisecond.
constexpr double kLeastLookAwaySeconds = 0.0001;
// Gathering of motor 1's commanded position, actual position and output, every servo cycle.
constexpr int kGatherMask = 0x10101;
// The in-position band is I128 in sixteenths of a count; 160 when the controller cannot say.
constexpr int kInPositionVariable = 128;
constexpr long kInPositionDefault = 160;
constexpr double kCountSixteenths = 16.0;
// The servo period is I10 in 1/8388608 ms; the controller's default when it cannot say.
constexpr int kServoPeriodVariable = 10;
constexpr long kServoPeriodDefault = 3713707;
constexpr double kServoUnitsPerSecond = 8388608.0 * 1000.0;
// The scanner's speed is measured over more than a servo period: a position read-out changes
// once per period.
constexpr double kSpeedSpanServoCycles = 1.25;
constexpr double kScanAbortLimitSeconds = 5.0;
constexpr double kAbortLookSeconds = 0.001;

std::atomic<int> scan_abort{0};    // AbortScan asks the running scan to end
std::atomic<int> scan_running{0};  // inside ExecuteProgram, pre-scan included

// Ends the scan when the controller stops answering.
int controllerSilent(const char* command) {
  char text[200];
  std::snprintf(text, sizeof text,
                "\nScanner controller did not answer \"%s\": the scan is stopped.\n", command);
  AppendMonitor(text);
  // If it comes back, the program must not run on unwatched.
  char reply[256];
  PmacCommand("&1A", reply);
  return 0;
}

// Cuts a reply of several answers, each ended by a carriage return, into its answers (at most
// `most`); returns how many it found. An error reply (BEL) has none.
int SplitReplies(char* reply, char** answers, int most) {
  if (std::strchr(reply, '\a')) return 0;
  int n = 0;
  char* at = reply;
  while (n < most && *at) {
    char* end = std::strchr(at, '\r');
    answers[n++] = at;
    if (!end) break;
    *end = '\0';
    at = end + 1;
  }
  return n;
}

// The pre-scan exposures: camera 2, then camera 1, each waited for; their data is not read.
int preScanExposures(void) {
  double limit = AcquisitionTimeLimit(g_fExpTime1 > g_fExpTime2 ? g_fExpTime1 : g_fExpTime2, 1);
  SetCurrentCamera(nCameraHandle1);
  StartAcquisition();
  SetCurrentCamera(nCameraHandle2);
  StartAcquisition();
  if (!CameraFinished(limit)) return 0;
  SetCurrentCamera(nCameraHandle1);
  StartAcquisition();
  if (!CameraFinished(limit)) return 0;
  return 1;
}

// The newest position reading, from ReadPositionNow or a look of the scan's poll.
// Never destroyed: a run thread QUIT leaves behind may still note a reading while the program
// exits.
std::mutex& readingLock = *new std::mutex;
PositionReading lastReading{std::nan(""), std::nan("")};

void noteReading(PositionReading reading) {
  std::lock_guard lock(readingLock);
  lastReading = reading;
}

int scanEnd(int result) {
  Scanning = 0;
  scan_running = 0;
  return result;
}

}  // namespace

// Fastest a scanner may move and still count as at rest at its step. The servo overshoots a
// step by up to a band and swings back through its target at 1-2 counts/ms: an exposure started
// during that swing would smear across it.
constexpr double kStillCountsPerMs = 0.5;

int ExecuteProgram(long cameraHandle, int takeMode) {
  (void)cameraHandle, (void)takeMode;
  scan_abort = 0;
  scan_running = 1;
  char reply[256];
  // The counts belong to this scan from the start, so a scan that fails before its program runs
  // reports its own frames lost, never the last scan's counts.
  ResetScanSteps(g_nFrameNumber1);

  // The monitoring loop reads the current camera in take mode 0: the run's choice must be the
  // current one again once the pre-scan exposures are done.
  long current = 0;
  GetCurrentCamera(&current);
  int exposed = preScanExposures();
  SetCurrentCamera(current);
  if (!exposed) return scanEnd(0);
  // An abort that came during the pre-scan exposures (QUIT right after Run) starts no program.
  if (scan_abort) {
    AppendMonitor("\nScan aborted.\n");
    return scanEnd(0);
  }

  int armed = 0;
  {
    std::lock_guard guard(pmac_lock);
    armed = DeviceSetQuickGather ? DeviceSetQuickGather(dwDevice, kGatherMask, 1) : 0;
  }
  if (!armed) {
    InformationMessageBox("Error", "Set gathering failed.");
    return scanEnd(0);
  }

  const int frames = g_nFrameNumber1;
  const int mode = scan_mode;
  static const char* const start_commands[] = {"I19=5",       "I20=7",          "CLOSE",
                                               "END GAT",     "DEL GAT",        "DEF GAT",
                                               "GAT &1 b1 r", "m180->X:$818,0", "m145->Y:$814,10"};
  double start = 0;
  for (int i = 0; i < 9; ++i) {
    if (i == 3) {
      // With no program buffer open any more: the step counter still holds the last scan's
      // count until the program clears it, so clear it first; no stale count may pass for a
      // step of this scan. Then the position the steps are measured from.
      if (PmacCommand("p1=0", reply) < 0) return scanEnd(controllerSilent("p1=0"));
      if (PmacCommand("#1P", reply) < 0) return scanEnd(controllerSilent("#1P"));
      start = std::atof(reply);
      ResetScanSteps(frames);
      if (scan_abort) return scanEnd(0);
    }
    if (PmacCommand(start_commands[i], reply) < 0)
      return scanEnd(controllerSilent(start_commands[i]));
  }
  // A step counts as reached within the in-position band, but never within half a step of
  // the one before.
  double band = kInPositionDefault / kCountSixteenths;
  double servoSeconds = kServoPeriodDefault / kServoUnitsPerSecond;
  {
    std::lock_guard guard(pmac_lock);
    if (DeviceGetIVariableLong) {
      band = DeviceGetIVariableLong(dwDevice, kInPositionVariable, kInPositionDefault) /
             kCountSixteenths;
      servoSeconds = DeviceGetIVariableLong(dwDevice, kServoPeriodVariable, kServoPeriodDefault) /
                     kServoUnitsPerSecond;
    }
  }
  const double moved = 10.0 * step_moved.load();  // counts per spectrograph step
  const double direction = moved < 0 ? -1.0 : 1.0;
  const double tolerance = std::fmin(band, std::fabs(moved) / 2.0);
  // At rest: slower than this, in counts per millisecond. A small step moves slowly all the way,
  // so its limit scales with it: twice the step's mean speed over a whole step duration.
  const double duration_ms = step_duration > 0 ? step_duration.load() : 100.0;
  const double still = std::fmin(kStillCountsPerMs, 2.0 * std::fabs(moved) / duration_ms);
  const double sweep = 10.0 * step_size.load();  // counts per imaging frame
  const double sweep_direction = sweep < 0 ? -1.0 : 1.0;
  // Where a frame belongs: a spectrograph step while the scanner is nearer its target than any
  // other step's (within half a step). The controller's in-position band is too narrow for
  // this: the scan program rests the scanner for 0.3 of the step duration only, so an exposure
  // of more than about a third of it runs into the start of the next move, and the servo
  // overshoots a 160-count step by 10-12 counts right after it. An imaging frame while the
  // sweep is within half a frame step of its centre (frame k is announced at k - 0.5 steps,
  // frame k + 1 at k + 0.5).
  const double atStep = moved == 0 ? band : std::fabs(moved) / 2.0;
  if (mode == 0) SetScanStepPositions(start, moved, atStep);
  if (mode == 1) SetScanStepPositions(0.0, sweep, std::fabs(sweep) / 2.0);

  AppendMonitor("\nStarting Scan.\n");
  Scanning = 1;
  // One exchange per look: whether the program runs, the steps it has finished (step scan)
  // and the position, all from the same servo cycle.
  const char* const look = mode == 0 ? "m180 p1 #1P" : "m180 #1P";
  const int answers = mode == 0 ? 3 : 2;
  // Speed over a little more than a servo period, from when each look was asked (the controller
  // answers with the position of that moment).
  SpeedEstimate speedOf(kSpeedSpanServoCycles * servoSeconds);
  bool settling = false;  // in the next step's band, not yet at rest
  int counter = 0;
  int result = 1;
  while (true) {
    if (scan_abort) {
      // The abort may have reached the controller before the program started.
      PmacCommand("&1A", reply);
      AppendMonitor("\nScan aborted.\n");
      result = 0;
      break;
    }
    const double asked = Timer();
    char* answer[3] = {};
    if (PmacCommand(look, reply) < 0 || SplitReplies(reply, answer, 3) < answers)
      return scanEnd(controllerSilent(look));
    const double now = Timer();
    if (answer[0][0] == '0') {
      // QUIT's abort (another thread) may have ended the program before this look saw its flag:
      // the flag is raised before the abort is sent, so an aborted scan is never called complete.
      if (scan_abort) {
        AppendMonitor("\nScan aborted.\n");
        result = 0;
      } else {
        AppendMonitor("\nScanning complete.\n");
      }
      break;
    }
    if (mode == 0) {
      SetCtrlVal(mainPanel, PANEL_P1, answer[1]);
      int p = std::atoi(answer[1]);
      const double counts = std::atof(answer[2]);
      noteReading({counts, now});
      double progress = direction * (counts - start);
      const double speed = speedOf.look(asked, progress);
      // Step k: the program is on it (p1 counts k - 1 finished) and the scanner has arrived
      // (within the band of the step's target and at rest), or the program has finished it.
      // Several at once when the poll came late.
      settling = false;
      for (int k = ScanStepsAnnounced() + 1; k <= frames; ++k) {
        const bool inBand = p >= k - 1 && std::fabs(progress - k * std::fabs(moved)) <= tolerance;
        if (!((inBand && speed <= still) || p >= k)) {
          settling = inBand;
          break;
        }
        if (!AnnounceScanStep()) break;
      }
    } else if (mode == 1) {
      char text[32];
      std::snprintf(text, sizeof text, "%d", counter);
      SetCtrlVal(mainPanel, PANEL_P1, text);
      double at = std::atof(answer[1]);
      noteReading({at, now});
      // Frame k once the sweep has passed k - 0.5 frame steps.
      while (sweep != 0 && counter < frames &&
             sweep_direction * (at - sweep * counter) >= std::fabs(sweep) / 2.0) {
        if (!AnnounceScanStep()) break;
        ++counter;
      }
    }
    // Between looks the link is free for as long as a look holds it, never less than
    // kLeastLookAwaySeconds: the monitoring loop's reading before an exposure then never
    // waits behind more than one look. While the scanner settles in a step's band the poll
    // looks as often as it may: the servo's swing through its target comes to rest for well
    // under a millisecond, and a look that misses it waits for the swing back. An abort ends
    // the pause at once.
    const double lookAway =
        settling ? kLeastLookAwaySeconds : std::fmax(kLeastLookAwaySeconds, now - asked);
    helx::ui::WaitUntil([] { return scan_abort != 0; }, lookAway, lookAway);
  }
  if (mode == 0 || mode == 1) {
    int missed = frames - ScanStepsAnnounced();
    if (missed > 0 && result == 1) {
      char text[120];
      std::snprintf(text, sizeof text, "\n%d of %d scan steps were not reached.\n", missed, frames);
      AppendMonitor(text);
    }
  }
  return scanEnd(result);
}

int ScanProgramRunning(void) { return scan_running != 0 || Scanning != 0 ? 1 : 0; }

int AbortScan(void) {
  if (!ScanProgramRunning()) return 1;
  scan_abort = 1;
  char reply[256];
  PmacCommand("&1A", reply);
  return helx::ui::WaitUntil([] { return !ScanProgramRunning(); }, kScanAbortLimitSeconds,
                             kAbortLookSeconds)
             ? 1
             : 0;
}

void ReadPosition(void) { ReadPositionNow(); }

PositionReading ReadPositionNow(void) {
  char reply[256];
  // A failed read keeps the last position: a closed link must not look like the start.
  if (PmacCommand("#1P", reply) < 0) return {std::nan(""), std::nan("")};
  const PositionReading reading{std::atof(reply), Timer()};
  noteReading(reading);
  position = reading.counts;
  scanpos = static_cast<float>(position / 10.0);
  char text[64];
  std::snprintf(text, sizeof text, "%.1f", position / 10.0);
  SetCtrlVal(mainPanel, PANEL_Position, text);
  return reading;
}

PositionReading RecentPosition(double maxAgeSeconds) {
  PositionReading newest;
  {
    std::lock_guard lock(readingLock);
    newest = lastReading;
  }
  if (!(Timer() - newest.time <= maxAgeSeconds)) return ReadPositionNow();
  position = newest.counts;
  return newest;
}

void Monitor(void) {
  // In position, running, positive and negative limit: one exchange.
  char reply[256];
  char* answer[4] = {};
  if (PmacCommand("m140 m137 m131 m132", reply) < 0 || SplitReplies(reply, answer, 4) < 4) return;
  int value[4];
  for (int i = 0; i < 4; ++i) value[i] = std::atoi(answer[i]);
  Scanner_InPosition = value[0];
  SetCtrlVal(mainPanel, PANEL_INPOSITION, value[0]);
  SetCtrlVal(mainPanel, PANEL_MOTORRUN, value[1]);
  SetCtrlVal(mainPanel, PANEL_PLIMIT, value[2]);
  SetCtrlVal(mainPanel, PANEL_NLIMIT, value[3]);
}
