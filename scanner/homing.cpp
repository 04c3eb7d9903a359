// Homing after power-up, one step per tick of the main panel's timer, and the test panel's
// slit-step and home buttons that jog the scanner relative to the home zero.
#include <climits>
#include <cstdio>

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

// A homing command the controller refused (its reply starts with the bell) or did not answer:
// homing has failed, and the scanner's zero is not set. The state goes back to 0 so that the
// next Power On homes again; scans are refused until then.
// `show`: the reply goes to the message box, as the operator's commands' replies do.
bool refused(const char* command, bool show = false) {
  char reply[256];
  if (PmacCommand(command, reply) >= 0 && reply[0] != '\a') {
    if (show) AppendMonitor(reply);
    return false;
  }
  stopTimer();
  g_nAmpOnSeq = 0;
  char text[512];
  std::snprintf(text, sizeof text,
                "Scanner homing failed: the controller %s \"%s\". The scanner's zero is not "
                "set: scans are refused until Power On has homed it again.\n",
                reply[0] == '\a' ? "refused" : "did not answer", command);
  TellOperator("Error", text);
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

void ampon_timer(void) {
  // The controller refuses jogs and homing while a program runs: homing waits for the scan.
  if (ScanProgramRunning()) return;
  char reply[256];
  switch (g_nAmpOnSeq) {
    case 0: {
      if (refused("#1o0") || refused("#1j/")) break;
      Delay(0.1);
      send("m139->Y:$814,14");
      send("m138->X:$3D,18");
      char amp[256], loop[256];
      int a = PmacCommand("m139", amp);
      int l = PmacCommand("m138", loop);
      if (a < 0 || l < 0 || amp[0] == '0' || loop[0] == '1') {
        stopTimer();
        AppendMonitor("Amp is not powered.");
        break;
      }
      AppendMonitor("Amp is turned ON\n");
      send("m132->X:$3D,22");
      if (refused("j-")) break;
      g_nAmpOnSeq = 10;
      break;
    }
    case 10:
      if (!answeredNonZero("m132")) break;
      Delay(1.0);
      if (refused("hm")) break;
      g_nAmpOnSeq = 20;
      break;
    case 20:
      send("m145->Y:$814,10");
      g_nAmpOnSeq = 21;
      break;
    case 21:
      if (answeredNonZero("m145")) g_nAmpOnSeq = 22;
      break;
    case 22:
      if (!answeredNonZero("m140")) break;
      zerostep += kZeroBeyondHomeCounts;
      std::snprintf(reply, sizeof reply, "#1J=%d", zerostep.load());
      if (refused(reply)) break;
      g_nAmpOnSeq = 23;
      break;
    case 23:
      if (!answeredNonZero("m140")) break;
      if (refused("HMZ", true)) break;
      zerostep = 0;
      g_nAmpOnSeq = 30;
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
