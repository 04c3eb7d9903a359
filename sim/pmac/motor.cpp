#include "sim/pmac/motor.h"

#include <algorithm>
#include <cmath>

namespace helx::sim::pmac {

namespace {
double sign(double x) { return x > 0.0 ? 1.0 : x < 0.0 ? -1.0 : 0.0; }
}  // namespace

Motor::Motor(const Mechanics& mechanics, IVariables& ivars)
    : mech_(mechanics), i_(ivars), servo_(mechanics.plant) {
  servo_.setPosition(mech_.startPosition);
  command_ = mech_.startPosition;
  zero_ = mech_.startPosition;
  lastFlag_ = homeFlagAt(mech_.startPosition);
}

bool Motor::ready(bool ampWillEnable) {
  if (i_[iv::kActivated] == 0.0) return false;
  if (!amp_) {
    if (!ampWillEnable) {
      emit("amp_enable_failed", 0.0);
      closedLoop_ = false;
      return false;
    }
    amp_ = true;
    emit("amp_enabled", 0.0);
  }
  fatalFollowing_ = false;
  if (!closedLoop_) {
    closedLoop_ = true;
    command_ = servo_.position();
    commandVelocity_ = commandAcceleration_ = 0.0;
    servo_.resetFilter();
    mode_ = Mode::Hold;
  }
  return true;
}

bool Motor::openLoop(double percent, bool ampWillEnable) {
  if (mode_ == Mode::Program) return false;
  if (i_[iv::kActivated] == 0.0) return false;
  if (!amp_ && !ampWillEnable) {
    emit("amp_enable_failed", 0.0);
    return true;  // accepted; the amplifier simply does not come on
  }
  if (!amp_) emit("amp_enabled", 0.0);
  amp_ = true;
  closedLoop_ = false;
  mode_ = Mode::Hold;
  homeReturnPending_ = false;
  commandVelocity_ = commandAcceleration_ = 0.0;
  double limit = std::clamp(i_[iv::kDacLimit], 0.0, 32767.0);
  openLoopDac_ = static_cast<int>(std::lround(std::clamp(percent, -100.0, 100.0) * limit / 100.0));
  return true;
}

bool Motor::closeLoop(bool ampWillEnable) {
  if (mode_ == Mode::Program) return false;
  if (!ready(ampWillEnable)) return true;
  if (mode_ != Mode::Hold) {
    // J/ ends a jog or a home search with the jog deceleration.
    if (mode_ == Mode::Profile) mode_ = Mode::Velocity;
    homeReturnPending_ = false;
    profileIsHomeReturn_ = false;
    mode_ = Mode::Velocity;
    rampTo(0.0, jogRate());
  }
  return true;
}

void Motor::kill() {
  if (mode_ == Mode::Program) abortProgram_ = true;
  amp_ = false;
  closedLoop_ = false;
  mode_ = Mode::Hold;
  homeReturnPending_ = false;
  profileIsHomeReturn_ = false;
  limitStopping_ = false;
  commandVelocity_ = commandAcceleration_ = 0.0;
  bindAt_.reset();
}

double Motor::jogRate() const {
  double t = std::max({i_[iv::kJogAccelTime], 2.0 * i_[iv::kJogSCurve], 1.0});
  return std::fabs(i_[iv::kJogSpeed]) / t;
}

void Motor::rampTo(double velocity, double rate) {
  targetVelocity_ = velocity;
  rampRate_ = rate > 0.0 ? rate : 0.25;
}

bool Motor::jog(int direction, double t, bool ampWillEnable) {
  (void)t;
  if (mode_ == Mode::Program) return false;
  if (!ready(ampWillEnable)) return true;
  if ((direction > 0 && positiveLimit()) || (direction < 0 && negativeLimit())) return true;
  homeReturnPending_ = false;
  profileIsHomeReturn_ = false;
  limitStopping_ = false;
  if (mode_ == Mode::Hold || mode_ == Mode::Profile) commandAcceleration_ = 0.0;
  mode_ = Mode::Velocity;
  rampTo(direction * std::fabs(i_[iv::kJogSpeed]), jogRate());
  return true;
}

bool Motor::jogTo(double target, double t, bool ampWillEnable) {
  if (mode_ == Mode::Program) return false;
  if (!ready(ampWillEnable)) return true;
  double raw = zero_ + target;
  double d = raw - command_;
  if ((d > 0 && positiveLimit()) || (d < 0 && negativeLimit())) return true;
  homeReturnPending_ = false;
  profileIsHomeReturn_ = false;
  limitStopping_ = false;
  startProfile(raw, t);
  return true;
}

void Motor::startProfile(double rawTarget, double t) {
  double d = rawTarget - command_;
  double speed = std::max(std::fabs(i_[iv::kJogSpeed]), 1e-6);
  profile_ = MoveProfile(d, std::fabs(d) / speed, i_[iv::kJogAccelTime], i_[iv::kJogSCurve]);
  profileStart_ = t;
  profileOrigin_ = command_;
  mode_ = Mode::Profile;
  moveStarted(rawTarget - zero_, d);
}

void Motor::moveStarted(double target, double distance) {
  bindAt_.reset();
  if (bindShort_ > 0.0 && distance != 0.0) {
    bindDirection_ = static_cast<int>(sign(distance));
    bindAt_ = zero_ + target - bindDirection_ * bindShort_;
  }
  bindShort_ = 0.0;
}

bool Motor::home(double t, bool ampWillEnable) {
  if (mode_ == Mode::Program) return false;
  if (!ready(ampWillEnable)) return true;
  double direction = i_[iv::kHomeSpeed] >= 0.0 ? 1.0 : -1.0;
  if ((direction > 0 && positiveLimit()) || (direction < 0 && negativeLimit())) return true;
  homeComplete_ = false;
  homeReturnPending_ = false;
  profileIsHomeReturn_ = false;
  limitStopping_ = false;
  bindAt_.reset();
  lastFlag_ = homeFlagAt(servo_.position());
  mode_ = Mode::HomeSearch;
  rampTo(direction * std::max(std::fabs(i_[iv::kHomeSpeed]), 1e-3), jogRate());
  emit("home_start", t, position());
  return true;
}

void Motor::homeZero() {
  zero_ = command_;
  homeComplete_ = true;
}

void Motor::drive(double position, double velocity, double acceleration, bool moving) {
  mode_ = Mode::Program;
  command_ = zero_ + position;
  commandVelocity_ = velocity;
  commandAcceleration_ = acceleration;
  programMoving_ = moving;
}

void Motor::releaseFromProgram() {
  programMoving_ = false;
  if (mode_ != Mode::Program) return;
  if (commandVelocity_ != 0.0) {
    mode_ = Mode::Velocity;
    rampTo(0.0, i_[iv::kLimitDecel]);
  } else {
    mode_ = Mode::Hold;
  }
}

bool Motor::moving() const {
  if (mode_ == Mode::Program) return programMoving_;
  return mode_ != Mode::Hold;
}

bool Motor::inPosition() const {
  return amp_ && closedLoop_ && !moving() &&
         std::fabs(followingError()) < i_[iv::kInPositionBand] / 16.0;
}

bool Motor::quiescent() const {
  if (mode_ != Mode::Hold) return false;
  if (std::fabs(servo_.velocity()) > 1e-7) return false;
  if (!amp_ || !closedLoop_) return servo_.output() == 0 || !amp_;
  return bindAt_.has_value() || std::fabs(followingError()) < 1e-4;
}

void Motor::stopAtLimits(double t) {
  if (limitStopping_) return;
  bool intoPositive = positiveLimit() && commandVelocity_ > 0.0;
  bool intoNegative = negativeLimit() && commandVelocity_ < 0.0;
  if (!intoPositive && !intoNegative) return;
  emit("limit", t, intoPositive ? 1.0 : -1.0);
  if (mode_ == Mode::Program) abortProgram_ = true;
  if (mode_ == Mode::HomeSearch || homeReturnPending_) emit("home_failed", t, position());
  homeReturnPending_ = false;
  profileIsHomeReturn_ = false;
  programMoving_ = false;
  mode_ = Mode::Velocity;
  rampTo(0.0, i_[iv::kLimitDecel]);
  limitStopping_ = true;
}

void Motor::cycle(double t, double dt) {
  switch (mode_) {
    case Mode::Hold:
      commandVelocity_ = commandAcceleration_ = 0.0;
      break;
    case Mode::Velocity:
    case Mode::HomeSearch: {
      double dv = targetVelocity_ - commandVelocity_;
      double step = rampRate_ * dt;
      if (std::fabs(dv) <= step) {
        commandVelocity_ = targetVelocity_;
        commandAcceleration_ = 0.0;
      } else {
        commandVelocity_ += sign(dv) * step;
        commandAcceleration_ = sign(dv) * rampRate_;
      }
      command_ += commandVelocity_ * dt;
      if (mode_ == Mode::HomeSearch) {
        bool flag = homeFlagAt(servo_.position());
        if (flag && !lastFlag_) {
          // The trigger position becomes the motor's zero (plus the home offset).
          zero_ = servo_.position() + i_[iv::kHomeOffset] / 16.0;
          emit("home_trigger", t, servo_.position());
          mode_ = Mode::Velocity;
          rampTo(0.0, jogRate());
          homeReturnPending_ = true;
        }
        lastFlag_ = flag;
      } else if (targetVelocity_ == 0.0 && commandVelocity_ == 0.0) {
        mode_ = Mode::Hold;
        limitStopping_ = false;
        if (homeReturnPending_) {
          homeReturnPending_ = false;
          startProfile(zero_, t);
          profileIsHomeReturn_ = true;
        }
      }
      break;
    }
    case Mode::Profile: {
      double tt = t - profileStart_;
      command_ = profileOrigin_ + profile_.position(tt);
      commandVelocity_ = profile_.velocity(tt);
      commandAcceleration_ = profile_.acceleration(tt);
      if (profile_.done(tt)) {
        mode_ = Mode::Hold;
        commandVelocity_ = commandAcceleration_ = 0.0;
        if (profileIsHomeReturn_) {
          profileIsHomeReturn_ = false;
          homeComplete_ = true;
          emit("home_complete", t, position());
        }
      }
      break;
    }
    case Mode::Program:
      break;
  }
  stopAtLimits(t);

  if (amp_ && closedLoop_)
    servo_.closedLoopCycle({command_, commandVelocity_ * dt, commandAcceleration_ * dt * dt}, i_);
  else
    servo_.outputCycle(amp_ ? openLoopDac_ : 0);

  if (bindAt_ && (servo_.position() - *bindAt_) * bindDirection_ >= 0.0) servo_.holdAt(*bindAt_);
  double low = mech_.negativeLimit - mech_.hardStopMargin;
  double high = mech_.positiveLimit + mech_.hardStopMargin;
  if (servo_.position() < low) servo_.holdAt(low);
  if (servo_.position() > high) servo_.holdAt(high);

  if (amp_ && closedLoop_ && i_[iv::kFatalFollowing] > 0.0 &&
      std::fabs(followingError()) > i_[iv::kFatalFollowing] / 16.0) {
    emit("following_error_fault", t, followingError());
    kill();
    fatalFollowing_ = true;
  }
}

}  // namespace helx::sim::pmac
