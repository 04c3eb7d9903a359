// Homing after power-up, one step per tick of the main panel's timer, and the test panel's
// slit-step and home buttons that jog the scanner relative to the home zero.
#include <climits>
#include <cmath>
#include <cstdio>
#include <limits>

#include "scanner/scanner.h"
#include "state/HELX.h"
#include "state/monitor.h"
#include "state/observation_state.h"

std::atomic<int> g_nAmpOnSeq{0};
std::atomic<int> zerostep{0};

namespace {
// Homing ends with the scanner this far beyond the home switch, declared the new zero: the
// scan range lies on that side of home.
constexpr int kZeroBeyondHomeCounts = 75000;

// Pauses the controller needs within the sequence, kept across timer ticks so that the panel
// stays live: the amplifier's settling after it is enabled, and the scanner's rest at the
// negative limit before the home search starts.
constexpr double kAmpSettleSeconds = 0.1;
constexpr double kRestAtLimitSeconds = 1.0;

constexpr double kNone = std::numeric_limits<double>::quiet_NaN();
// When the sequence entered its current state (NaN: not yet looked at since the start), and
// when its running pause ends (NaN: none runs). Written by the timer's ticks and HomingStop,
// both on the interface thread.
std::atomic<double> stateSince{kNone};
std::atomic<double> pauseEnds{kNone};

void enter(int state) {
  g_nAmpOnSeq = state;
  stateSince = Timer();
  pauseEnds = kNone;
}

// Back to the first state, with nothing pending: the next start sends the enabling commands
// again. The jog target counts from a home zero that is not set, so it starts again from 0 and
// the next homing jogs to the new zero, not beyond it.
void restartSequence() {
  g_nAmpOnSeq = 0;
  zerostep = 0;
  stateSince = kNone;
  pauseEnds = kNone;
}

void startPause(double seconds) { pauseEnds = Timer() + seconds; }
bool pausing() { return !std::isnan(pauseEnds.load()); }
// A running pause that has ended is cleared; the state then goes on.
bool pauseOver() {
  if (Timer() < pauseEnds.load()) return false;
  pauseEnds = kNone;
  return true;
}

void send(const char* command) {
  char reply[256];
  PmacCommand(command, reply);
}

// A query whose reply is there and does not start with '0'. A controller that does not answer
// never counts as having got there.
bool answeredNonZero(const char* command) {
  char reply[256];
  return PmacCommand(command, reply) >= 0 && reply[0] != '0';
}

void stopTimer() { SetCtrlAttribute(mainPanel, PANEL_TIMER, ATTR_ENABLED, 0); }

// Homing has failed: the timer stops first (the popup below is modal and lets ticks through),
// the sequence goes back to its first state so that the next Power On homes again, and scans
// are refused until then.
void failHoming(const char* why) {
  stopTimer();
  restartSequence();
  char text[512];
  std::snprintf(text, sizeof text,
                "Scanner homing failed: %s. The scanner's zero is not set: scans are refused "
                "until Power On has homed it again.\n",
                why);
  TellOperator("Error", text);
}

// A homing command the controller refused (its reply starts with the bell) or did not answer:
// homing has failed. `show`: the reply goes to the message box, as the operator's commands'
// replies do.
bool refused(const char* command, bool show = false) {
  char reply[256];
  if (PmacCommand(command, reply) >= 0 && reply[0] != '\a') {
    if (show) AppendMonitor(reply);
    return false;
  }
  char why[160];
  std::snprintf(why, sizeof why, "the controller %s \"%s\"",
                reply[0] == '\a' ? "refused" : "did not answer", command);
  failHoming(why);
  return true;
}

// A state that has waited longer than its limit: the motion homing started is stopped and
// homing fails, naming what did not happen.
bool overdue(double limitSeconds, const char* what) {
  if (Timer() - stateSince.load() < limitSeconds) return false;
  send("#1J/");
  char why[160];
  std::snprintf(why, sizeof why, "%s within %.0f s; the scanner was stopped", what, limitSeconds);
  failHoming(why);
  return true;
}

void jogToZerostep() {
  char command[32];
  std::snprintf(command, sizeof command, "#1J=%d", zerostep.load());
  getresponse(command);
}

void moveZerostep(int sign) {
  int size = 0;
  GetCtrlVal(testpanel, test_panel_SlitStepSize, &size);
  long long target = zerostep.load() + sign * 10LL * size;
  if (target > INT_MAX) target = INT_MAX;
  if (target < INT_MIN) target = INT_MIN;
  zerostep = static_cast<int>(target);
  jogToZerostep();
}

}  // namespace

int ScannerHoming(void) {
  int enabled = 0;
  GetCtrlAttribute(mainPanel, PANEL_TIMER, ATTR_ENABLED, &enabled);
  return enabled != 0 && g_nAmpOnSeq != 30 ? 1 : 0;
}

int ScannerHomed(void) { return g_nAmpOnSeq == 30 ? 1 : 0; }

int RefusedWhileHoming(void) {
  if (!ScannerHoming()) return 0;
  AppendMonitor("The scanner is still homing.\n");
  MessagePopup("Warning", "The scanner is still homing.");
  return 1;
}

void HomingStop(void) {
  stopTimer();
  if (g_nAmpOnSeq == 30) return;
  // A jog or home search the sequence started must not run on unwatched.
  if (g_nAmpOnSeq != 0 || pausing()) send("#1J/");
  restartSequence();
}

// Each tick does one short exchange and returns: a state that waits for the controller looks
// again at the next tick, and a pause is the ticks until its end.
void ampon_timer(void) {
  // The controller refuses jogs and homing while a program runs: homing waits for the scan,
  // and that wait does not count against the state's limit.
  if (ScanProgramRunning()) {
    stateSince = Timer();
    return;
  }
  if (std::isnan(stateSince.load())) stateSince = Timer();
  char reply[256];
  switch (g_nAmpOnSeq) {
    case 0: {
      if (!pausing()) {
        if (refused("#1o0") || refused("#1j/")) break;
        startPause(kAmpSettleSeconds);
        break;
      }
      if (!pauseOver()) break;
      send("m139->Y:$814,14");
      send("m138->X:$3D,18");
      char amp[256], loop[256];
      int a = PmacCommand("m139", amp);
      int l = PmacCommand("m138", loop);
      if (a < 0 || l < 0 || amp[0] == '0' || loop[0] == '1') {
        stopTimer();
        restartSequence();
        AppendMonitor("Amp is not powered.");
        break;
      }
      AppendMonitor("Amp is turned ON\n");
      send("m132->X:$3D,22");
      if (refused("j-")) break;
      enter(10);
      break;
    }
    case 10:
      if (!pausing()) {
        if (answeredNonZero("m132"))
          startPause(kRestAtLimitSeconds);
        else
          overdue(kHomingNegativeLimitSeconds, "the scanner did not reach its negative limit");
        break;
      }
      if (!pauseOver()) break;
      if (refused("hm")) break;
      enter(20);
      break;
    case 20:
      send("m145->Y:$814,10");
      enter(21);
      break;
    case 21:
      if (answeredNonZero("m145"))
        enter(22);
      else
        overdue(kHomingHomeCompleteSeconds, "the controller did not report the home complete");
      break;
    case 22:
      if (!answeredNonZero("m140")) {
        overdue(kHomingRestAtHomeSeconds, "the scanner did not come to rest at home");
        break;
      }
      zerostep += kZeroBeyondHomeCounts;
      std::snprintf(reply, sizeof reply, "#1J=%d", zerostep.load());
      if (refused(reply)) break;
      enter(23);
      break;
    case 23:
      if (!answeredNonZero("m140")) {
        char what[96];
        std::snprintf(what, sizeof what, "the scanner did not come to rest %d counts beyond home",
                      kZeroBeyondHomeCounts);
        overdue(kHomingRestAtZeroSeconds, what);
        break;
      }
      if (refused("HMZ", true)) break;
      zerostep = 0;
      enter(30);
      AppendMonitor("\nScanner homed.\n");
      break;
    case 30:
      stopTimer();
      break;
    default:
      break;
  }
}

int CVICALLBACK Ampon_timer(int panel, int control, int event, void* callbackData, int eventData1,
                            int eventData2) {
  (void)panel, (void)control, (void)callbackData, (void)eventData1, (void)eventData2;
  if (event != EVENT_TIMER_TICK) return 0;
  ampon_timer();
  if (g_nAmpOnSeq == 30) stopTimer();
  SetCtrlAttribute(testpanel, test_panel_SlitStepDecrease, ATTR_DIMMED, 0);
  SetCtrlAttribute(testpanel, test_panel_SlitStepIncrease, ATTR_DIMMED, 0);
  SetCtrlAttribute(testpanel, test_panel_SetZero, ATTR_DIMMED, 0);
  return 0;
}

int CVICALLBACK SlitStepIncrease(int panel, int control, int event, void* callbackData,
                                 int eventData1, int eventData2) {
  (void)panel, (void)control, (void)callbackData, (void)eventData1, (void)eventData2;
  if (event != EVENT_COMMIT) return 0;
  moveZerostep(1);
  return 0;
}

int CVICALLBACK SlitStepDecrease(int panel, int control, int event, void* callbackData,
                                 int eventData1, int eventData2) {
  (void)panel, (void)control, (void)callbackData, (void)eventData1, (void)eventData2;
  if (event != EVENT_COMMIT) return 0;
  moveZerostep(-1);
  return 0;
}

int CVICALLBACK SetZero(int panel, int control, int event, void* callbackData, int eventData1,
                        int eventData2) {
  (void)panel, (void)control, (void)callbackData, (void)eventData1, (void)eventData2;
  if (event != EVENT_COMMIT) return 0;
  zerostep = 0;
  getresponse("HMZ");
  return 0;
}
