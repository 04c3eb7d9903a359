// The grating and slit-hatch motors on the networked stepper controller: connect and
// disconnect, drive power, the stored start-up programs, the hatch, stop, grating positioning
// with its limit guard, and the test panel's manual jog.
//
// Threads: everything here runs on the user-interface thread.
#pragma once

#include "motors/callbacks.h"
#include "motors/wavelength_list.h"
#include "platform/dll6k/dll6k.h"
#include "platform/ui/userint.h"

extern short M_Open_status;
extern short M_Init_status;
extern char motor_str[1024];
extern float DelayTime;
extern int MotorPos1E, MotorPos1E_Pre;
extern int SelectMotor;
extern int GratingLimitCurrentState[2];

// ---- the link's health ----
// 1 from a MotorConnect that opened the link until a write fails or an expected reply does not
// come. A link lost is reported once (an "Error" popup and the message box naming the step),
// closed, and Motor_status set to 0; nothing is sent on it again until Power On connects anew,
// so no wait is ever spent on a dead link.
extern int motor_link_up;
// Writes `command` while the link is up; a failed write is the link lost at `step`. Returns 1
// when written.
int MotorSend(const char* command, const char* step);
void MotorLinkLost(const char* step);

// ---- link and fixed sequences ----
char* ArpSetF(void);
// 1 when the link opened and every step of the start-up sequence was sent; 0 (named) otherwise.
int MotorConnect(void);
int MotorDisconnect(void);
int DriveEnable(void);
int DriveDisable(void);
int InitMotor(void);
int SlitHatchOpen(void);
int SlitHatchClose(void);

// ---- grating ----
// The grating's travel in controller steps from home: between its end-limit switches, which
// the stepper controller's axis 1 has at -2000 and +150000 (the simulated controller's axis
// defaults). A site whose switches lie elsewhere sets these to them. A move to a step outside
// is refused, and Wv.ini entries outside are left out of the list.
inline constexpr int kGratingTravelLow = -2000;
inline constexpr int kGratingTravelHigh = 150000;
// 1 when `step` lies within the travel (its ends included).
int GratingStepInTravel(long long step);
// Moves the grating by `value` steps (mode 1) or to `value` (mode 2), unless the target lies
// outside the travel (refused in an "Error" popup) or an active end limit lies in the way (said
// in a "Warning" popup); a move that has not ended within its limit is stopped and said in an
// "Error" popup. The limit follows the distance, at most the whole travel's (moveTimeLimit).
// Targets and distances are reckoned in 64 bits.
int Gratingtracking(int mode, int value);
// The same within `limitSeconds` of instrument time, without the travel check: the park drives
// onto the negative end switch when it is nearer than the park's distance. `what` names the
// move in the popups.
int GratingMoveWithin(int mode, int value, double limitSeconds, const char* what);
// The park at Power Off and QUIT (50000 steps towards the negative end, about 5 s at the
// grating's speed) is given this long.
inline constexpr double kParkLimitSeconds = 10.0;
int LimitIndicate(int axis);
int MotorMovingCheck(void);
int GratingMotorPosCheck(void);
int MotorMove(int direction, int steps);

// The stepper-controller branch of the operator's command line: echoes the command to the test
// panel's status window, sends it, and shows the reply.
void MotorCommandLine(const char* command);
