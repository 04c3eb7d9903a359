// Motor 1 of the controller: amplifier, open/closed loop, the jog and home moves the controller
// generates itself, the set point a running motion program hands it, end-of-travel limit
// switches, a home flag, hard stops, and the status bits the M-variables read.
//
// Positions are kept in raw encoder counts of the mechanism; the reported position is raw minus
// the zero set by homing (HM, HMZ). Times are milliseconds of instrument time.
//
// Threads: plain object, used under the controller's lock.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "sim/pmac/ivars.h"
#include "sim/pmac/servo_loop.h"
#include "sim/pmac/trajectory.h"

namespace helx::sim::pmac {

struct Mechanics {
  double startPosition = 0.0;      // raw counts at power-on
  double negativeLimit = -100000;  // raw counts where the limit switches trip
  double positiveLimit = 150000;
  double hardStopMargin = 4000;  // counts beyond a limit switch to the mechanical end
  double homeFlag = -90000;      // raw counts where the home flag rises (moving up)
  double homeFlagWidth = 2000;
  Plant plant;
};

class Motor {
 public:
  using EventSink = std::function<void(const std::string& event, double tMs, double value)>;

  Motor(const Mechanics& mechanics, IVariables& ivars);
  void setEventSink(EventSink sink) { sink_ = std::move(sink); }

  // On-line commands at time t. They return false when the controller refuses them.
  bool openLoop(double percent, bool ampWillEnable);
  bool closeLoop(bool ampWillEnable);
  void kill();
  bool jog(int direction, double t, bool ampWillEnable);
  bool jogTo(double target, double t, bool ampWillEnable);
  bool home(double t, bool ampWillEnable);
  void homeZero();
  // The next move binds `counts` short of its end (a servo that settles short).
  void bindNextMoveShort(double counts) { bindShort_ = counts; }
  // A move towards `target` (relative counts) over `distance` counts begins.
  void moveStarted(double target, double distance);

  // A motion program drives the set point (relative counts, per ms, per ms^2).
  void drive(double position, double velocity, double acceleration, bool moving);
  // The program ended or was aborted: the motor holds (or ramps down from) where it is.
  void releaseFromProgram();
  bool programAbortRequested() {
    bool r = abortProgram_;
    abortProgram_ = false;
    return r;
  }

  // One servo cycle ending at time t (ms), cycle length dt (ms).
  void cycle(double t, double dt);

  double position() const { return servo_.position() - zero_; }  // actual, counts
  double commanded() const { return command_ - zero_; }
  double followingError() const { return command_ - servo_.position(); }
  double rawPosition() const { return servo_.position(); }
  int output() const { return servo_.output(); }
  double velocityPerMs() const { return commandVelocity_; }

  bool ampEnabled() const { return amp_; }
  bool openLoopMode() const { return !closedLoop_; }
  bool moving() const;
  bool inPosition() const;
  bool homeComplete() const { return homeComplete_; }
  bool homing() const { return mode_ == Mode::HomeSearch || homeReturnPending_; }
  bool positiveLimit() const { return servo_.position() >= mech_.positiveLimit; }
  bool negativeLimit() const { return servo_.position() <= mech_.negativeLimit; }
  bool fatalFollowingError() const { return fatalFollowing_; }
  bool quiescent() const;

 private:
  enum class Mode { Hold, Velocity, Profile, HomeSearch, Program };

  bool ready(bool ampWillEnable);
  void startProfile(double rawTarget, double t);
  void rampTo(double velocity, double rate);
  void stopAtLimits(double t);
  double jogRate() const;
  bool homeFlagAt(double raw) const {
    return raw >= mech_.homeFlag && raw <= mech_.homeFlag + mech_.homeFlagWidth;
  }
  void emit(const std::string& event, double t, double value = 0.0) {
    if (sink_) sink_(event, t, value);
  }

  Mechanics mech_;
  IVariables& i_;
  ServoLoop servo_;
  EventSink sink_;

  bool amp_ = false;
  bool closedLoop_ = false;
  int openLoopDac_ = 0;
  Mode mode_ = Mode::Hold;
  double zero_ = 0.0;
  double command_ = 0.0;              // raw counts
  double commandVelocity_ = 0.0;      // counts/ms
  double commandAcceleration_ = 0.0;  // counts/ms^2
  double targetVelocity_ = 0.0;
  double rampRate_ = 0.0;
  MoveProfile profile_;
  double profileStart_ = 0.0;
  double profileOrigin_ = 0.0;
  bool profileIsHomeReturn_ = false;
  bool programMoving_ = false;
  bool homeComplete_ = false;
  bool homeReturnPending_ = false;
  bool limitStopping_ = false;
  bool lastFlag_ = false;
  bool abortProgram_ = false;
  bool fatalFollowing_ = false;
  double bindShort_ = 0.0;
  std::optional<double> bindAt_;
  int bindDirection_ = 0;
};

}  // namespace helx::sim::pmac
