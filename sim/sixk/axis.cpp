#include "sim/sixk/axis.h"

#include <algorithm>
#include <cmath>

namespace helx::sim::sixk {

Axis::Axis(AxisConfig config) : config_(config), trajectory_(Trajectory::rest(0.0, config.start)) {
  // The counters read 0 at power-on, wherever the axis stands.
  commandedOffset_ = -std::lround(config.start);
  encoderOffset_ = -std::lround(config.start);
}

void Axis::setVelocity(double v) {
  if (v > 0.0) config_.velocity = v;
}

void Axis::setAcceleration(double a) {
  if (a > 0.0) config_.acceleration = a;
}

void Axis::start(Trajectory trajectory) {
  // A hard limit brakes the motor where it passes the switch.
  limitHit_ = false;
  auto up = trajectory.firstCrossing(config_.positiveLimit, +1);
  auto down = trajectory.firstCrossing(config_.negativeLimit, -1);
  std::optional<double> hit;
  if (up && (!down || *up <= *down)) hit = up;
  if (down && (!up || *down < *up)) hit = down;
  if (hit) {
    trajectory = trajectory.cutAndStop(*hit, config_.limitDeceleration);
    limitHit_ = true;
    endless_ = false;
  }
  trajectory_ = std::move(trajectory);
}

GoOutcome Axis::go(double t, Switches switches) {
  if (!drive_) return GoOutcome::DriveOff;
  MotionState now = motion(t);
  int direction;
  Trajectory next = Trajectory::rest(t, now.position);
  if (continuous_) {
    if (distance_ == 0.0) return GoOutcome::NoMotion;
    direction = distance_ > 0 ? 1 : -1;
    next = Trajectory::run(t, now, direction, config_.velocity, config_.acceleration);
  } else {
    // Incremental: D counts from where the motion in progress was going.
    double from = moving(t) && !endless_ ? trajectory_.endPosition() : now.position;
    if (std::isnan(from)) from = now.position;
    double target = from + distance_;
    if (target == now.position && now.velocity == 0.0) return GoOutcome::NoMotion;
    direction = target > now.position ? 1 : -1;
    next = Trajectory::moveTo(t, now, target, config_.velocity, config_.acceleration);
  }
  if ((direction > 0 && switches.positive) || (direction < 0 && switches.negative))
    return GoOutcome::AtLimit;
  direction_ = direction;
  homing_ = false;
  endless_ = false;
  start(std::move(next));
  return GoOutcome::Started;
}

void Axis::stop(double t) {
  MotionState now = motion(t);
  homing_ = false;
  endless_ = false;
  limitHit_ = false;
  trajectory_ = Trajectory::stop(t, now, config_.acceleration);
}

void Axis::kill(double t) {
  homing_ = false;
  endless_ = false;
  limitHit_ = false;
  trajectory_ = Trajectory::rest(t, position(t));
}

void Axis::setDrive(double t, bool on) {
  if (!on) kill(t);
  drive_ = on;
}

bool Axis::home(double t) {
  if (!drive_) return false;
  MotionState now = motion(t);
  // Search at speed towards the switch, brake past its edge, then creep back onto the edge.
  double overrun = config_.homeVelocity * config_.homeVelocity / (2.0 * config_.acceleration);
  Trajectory path = now.position > 0.0 ? Trajectory::moveTo(t, now, -overrun, config_.homeVelocity,
                                                            config_.acceleration)
                                       : Trajectory::stop(t, now, config_.acceleration);
  path = path.followedBy(Trajectory::moveTo(path.endTime(), {path.endPosition(), 0.0, 0.0}, 0.0,
                                            config_.homeFinalVelocity, config_.acceleration));
  direction_ = now.position > 0.0 ? -1 : 1;
  endless_ = false;
  start(std::move(path));
  homing_ = !limitHit_;
  return true;
}

bool Axis::moving(double t) const { return endless_ || t < trajectory_.endTime(); }

double Axis::restTime() const { return endless_ ? Trajectory::kForever : trajectory_.endTime(); }

long Axis::commandedPosition(double t) const { return std::lround(position(t)) + commandedOffset_; }

long Axis::encoderPosition(double t) const { return std::lround(position(t)) + encoderOffset_; }

void Axis::setCommandedPosition(double t, long value) {
  commandedOffset_ = value - std::lround(position(t));
}

void Axis::setEncoderPosition(double t, long value) {
  encoderOffset_ = value - std::lround(position(t));
}

bool Axis::statusBit(double t, Switches switches, int bit) const {
  MotionState m = motion(t);
  bool mov = moving(t);
  switch (bit) {
    case 1:
      return mov;
    case 2:
      return mov && m.velocity != 0.0 ? m.velocity < 0.0 : direction_ < 0;
    case 3:
      return mov && m.acceleration * m.velocity > 0.0;
    case 4:
      return mov && m.acceleration == 0.0 && m.velocity != 0.0;
    case 5:
      return homed(t);
    case 7:
      return continuous_;
    case 13:
      return !drive_;
    case 15:
      return switches.positive || positiveSwitch(t);
    case 16:
      return switches.negative || negativeSwitch(t);
    default:
      return false;
  }
}

std::string Axis::status(double t, Switches switches) const {
  std::string s;
  for (int bit = 1; bit <= 32; ++bit) {
    s += statusBit(t, switches, bit) ? '1' : '0';
    if (bit % 4 == 0 && bit < 32) s += '_';
  }
  return s;
}

}  // namespace helx::sim::sixk
