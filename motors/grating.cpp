// Grating positioning with the software guard against driving further into an active end
// limit, and the test panel's manual jog of every axis.
#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "motors/motors.h"
#include "platform/ui/wait.h"
#include "state/HELX.h"
#include "state/monitor.h"
#include "state/observation_state.h"

int MotorPos1E = 0, MotorPos1E_Pre = 0;
int SelectMotor = 0;
int GratingLimitCurrentState[2] = {0, 0};

namespace {
// A query: write, settle, read the pending reply. A reply that does not come is the link
// lost, never a state of the motors. Returns 1 with a reply.
int query(const char* command, char* reply) {
  reply[0] = '\0';
  if (!MotorSend(command, command)) return 0;
  Delay(DelayTime);
  int n = Read_HS(reply);
  reply[1023] = '\0';
  if (n > 0) return 1;
  MotorLinkLost(command);
  return 0;
}

// A status digit at a fixed offset; a reply too short to hold it counts as no limit.
int statusDigit(const char* reply, std::size_t offset) {
  if (std::strlen(reply) <= offset) return 0;
  return reply[offset] == '1' ? 1 : 0;
}

// The target of a move, in 64 bits: a relative move added to an absurd base (a corrupt list
// entry, a garbled encoder reply) passes the range of int.
long long targetOf(int mode, int value) {
  return mode == 1 ? static_cast<long long>(MotorPos1E_Pre) + value : value;
}

// The longest a grating move may take: the controller's slowest believable speed over the
// distance, plus a generous margin for acceleration and homing of the axis. No move is longer
// than the whole travel, whatever the position read before it.
double moveTimeLimit(long long distance) {
  const long long travel = static_cast<long long>(kGratingTravelHigh) - kGratingTravelLow;
  return 30.0 + static_cast<double>(std::min(std::llabs(distance), travel)) / 500.0;
}
}  // namespace

int GratingStepInTravel(long long step) {
  return step >= kGratingTravelLow && step <= kGratingTravelHigh ? 1 : 0;
}

int Gratingtracking(int mode, int value) {
  if (mode != 1 && mode != 2) return 1;
  const long long target = targetOf(mode, value);
  if (!GratingStepInTravel(target)) {
    char text[200];
    std::snprintf(text, sizeof text,
                  "Grating move refused: step %lld lies outside the grating's travel (steps %d "
                  "to %d).\n",
                  target, kGratingTravelLow, kGratingTravelHigh);
    TellOperator("Error", text);
    MotorPos1E_Pre = MotorPos1E;
    return 1;
  }
  return GratingMoveWithin(mode, value, moveTimeLimit(target - MotorPos1E), "Grating move");
}

int GratingMoveWithin(int mode, int value, double limitSeconds, const char* what) {
  if (mode != 1 && mode != 2) return 1;
  const long long target = targetOf(mode, value);
  LimitIndicate(1);
  const long long distance = target - MotorPos1E;
  const char* limit = (GratingLimitCurrentState[0] && distance > 0)   ? "positive"
                      : (GratingLimitCurrentState[1] && distance < 0) ? "negative"
                                                                      : nullptr;
  char text[200];
  if (limit) {
    std::snprintf(text, sizeof text, "%s refused: the grating's %s end limit is active.\n", what,
                  limit);
    TellOperator("Warning", text);
  } else if (distance < INT_MIN || distance > INT_MAX) {
    std::snprintf(text, sizeof text,
                  "%s refused: a move of %lld steps from step %d is more than the controller "
                  "counts.\n",
                  what, distance, MotorPos1E);
    TellOperator("Error", text);
  } else if (distance != 0) {
    std::snprintf(motor_str, sizeof motor_str, "1D%lld:", distance);
    bool sent = MotorSend(motor_str, what) && MotorSend("1GO:", what);
    // The moving bit is polled; a controller that stops answering (the link is then lost and
    // the check reads "stopped") or a move that never ends must not hold the interface.
    if (sent &&
        !helx::ui::WaitUntil([] { return MotorMovingCheck() == 0; }, limitSeconds, DelayTime)) {
      MotorSend("!S:", "stop");
      std::snprintf(text, sizeof text, "%s did not end in time: motion stopped\n", what);
      AppendMonitor(text);
      text[std::strlen(text) - 1] = '\0';
      MessagePopup("Error", text);
    }
    LimitIndicate(1);
  }
  MotorPos1E_Pre = MotorPos1E;
  return 1;
}

int LimitIndicate(int axis) {
  char reply[1024] = "";
  int positive = 0, negative = 0;
  if (axis >= 1 && axis <= 4) {
    char command[16];
    std::snprintf(command, sizeof command, "!%dTAS:", axis);
    query(command, reply);
    if (axis == 1) {
      positive = statusDigit(reply, 17);
      negative = statusDigit(reply, 18);
    }
  }
  GratingLimitCurrentState[0] = positive;
  GratingLimitCurrentState[1] = negative;
  GratingMotorPosCheck();
  return 1;
}

int MotorMovingCheck(void) {
  char reply[1024];
  if (!query("!1TAS.1:", reply)) return 0;  // a lost link moves nothing any more
  return reply[0] == '0' ? 0 : 1;
}

int GratingMotorPosCheck(void) {
  char reply[1024];
  query("!1TPE:", reply);
  char position[12];
  std::size_t n = 0;
  while (n < 11 && reply[n] != '\0' && reply[n] != '\n') {
    position[n] = reply[n];
    n++;
  }
  position[n] = '\0';
  SetCtrlVal(testpanel, test_panel_Motor_Position, position);
  char* end = nullptr;
  errno = 0;
  long long value = std::strtoll(position, &end, 10);
  if (end == position) return 1;
  // Eleven characters hold more than an int: such a reply is no step of the grating's.
  if (errno == ERANGE || value < INT_MIN || value > INT_MAX) {
    char text[128];
    std::snprintf(text, sizeof text,
                  "The grating's position reply \"%s\" is out of range: the position read "
                  "before (step %d) is kept.\n",
                  position, MotorPos1E);
    AppendMonitor(text);
    return 1;
  }
  MotorPos1E = static_cast<int>(value);
  return 1;
}

int MotorMove(int direction, int steps) {
  if (direction != 1 && direction != 2) return 1;
  MotorSend("!S:", "the jog");
  if (SelectMotor == 1) {
    // -INT_MIN is no int: the jog is held to int's range, far outside the travel either way.
    const long long jog = direction == 1 ? steps : -static_cast<long long>(steps);
    Gratingtracking(1, static_cast<int>(std::clamp<long long>(jog, INT_MIN, INT_MAX)));
  } else if (SelectMotor >= 2 && SelectMotor <= 4) {
    if (direction == 1)
      std::snprintf(motor_str, sizeof motor_str, "%dD%d :", SelectMotor, steps);
    else
      std::snprintf(motor_str, sizeof motor_str, "%dD-%d :", SelectMotor, steps);
    MotorSend(motor_str, "the jog");
    std::snprintf(motor_str, sizeof motor_str, "%dGO:", SelectMotor);
    MotorSend(motor_str, "the jog");
  }
  LimitIndicate(SelectMotor);
  return 1;
}

int CVICALLBACK motor_step_increase(int panel, int control, int event, void* callbackData,
                                    int eventData1, int eventData2) {
  (void)panel, (void)control, (void)callbackData, (void)eventData1, (void)eventData2;
  if (event != EVENT_COMMIT) return 0;
  int distance = 0;
  GetCtrlVal(testpanel, test_panel_Motor_Moving_Distance, &distance);
  MotorMove(1, distance);
  return 0;
}

int CVICALLBACK motor_step_decrease(int panel, int control, int event, void* callbackData,
                                    int eventData1, int eventData2) {
  (void)panel, (void)control, (void)callbackData, (void)eventData1, (void)eventData2;
  if (event != EVENT_COMMIT) return 0;
  int distance = 0;
  GetCtrlVal(testpanel, test_panel_Motor_Moving_Distance, &distance);
  MotorMove(2, distance);
  return 0;
}

int CVICALLBACK motor_device_select(int panel, int control, int event, void* callbackData,
                                    int eventData1, int eventData2) {
  (void)callbackData, (void)eventData1, (void)eventData2;
  if (event != EVENT_COMMIT) return 0;
  GetCtrlVal(panel, control, &SelectMotor);
  return 0;
}
