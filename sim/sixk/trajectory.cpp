#include "sim/sixk/trajectory.h"

#include <algorithm>
#include <cmath>

namespace helx::sim::sixk {

namespace {
int sign(double v) { return (v > 0) - (v < 0); }
}  // namespace

MotionState Trajectory::eval(const Piece& p, double t) {
  double tau = t - p.t0;
  return {p.x0 + p.v0 * tau + 0.5 * p.a * tau * tau, p.v0 + p.a * tau, p.a};
}

void Trajectory::add(double duration, double accel) {
  if (!(duration > 0.0)) return;
  double t0 = pieces_.empty() ? start_ : pieces_.back().t1;
  MotionState s =
      pieces_.empty() ? MotionState{startPosition_, startVelocity_, 0.0} : eval(pieces_.back(), t0);
  pieces_.push_back({t0, s.position, s.velocity, accel, t0 + duration});
}

void Trajectory::append(const Trajectory& next) {
  for (const Piece& p : next.pieces_) pieces_.push_back(p);
  endPosition_ = next.endPosition_;
}

Trajectory Trajectory::rest(double t, double x) {
  Trajectory r;
  r.start_ = t;
  r.startPosition_ = x;
  r.endPosition_ = x;
  return r;
}

Trajectory Trajectory::stop(double t, MotionState from, double decel) {
  Trajectory r = rest(t, from.position);
  r.startVelocity_ = from.velocity;
  if (from.velocity == 0.0 || !(decel > 0.0)) {
    r.startVelocity_ = 0.0;
    return r;
  }
  double v = from.velocity;
  r.add(std::abs(v) / decel, -sign(v) * decel);
  r.endPosition_ = from.position + v * std::abs(v) / (2.0 * decel);
  return r;
}

Trajectory Trajectory::moveTo(double t, MotionState from, double target, double speed,
                              double accel) {
  double d = target - from.position;
  int dir = sign(d);
  double toward = from.velocity * dir;  // speed component towards the target
  double braking = from.velocity * from.velocity / (2.0 * accel);
  if (from.velocity != 0.0 && (dir == 0 || toward < 0.0 || braking > std::abs(d))) {
    // Cannot stop in time or heading the wrong way: brake first, then start afresh.
    Trajectory r = stop(t, from, accel);
    r.append(moveTo(r.endTime(), {r.endPosition_, 0.0, 0.0}, target, speed, accel));
    return r;
  }
  Trajectory r = rest(t, from.position);
  r.startVelocity_ = from.velocity;
  r.endPosition_ = target;
  if (dir == 0) return r;
  double dist = std::abs(d);
  double v0 = std::max(0.0, toward);
  double peak = std::sqrt(accel * dist + v0 * v0 / 2.0);
  double top = std::min(speed, peak);
  if (v0 > speed) top = speed;
  double rampUp = (top * top - v0 * v0) / (2.0 * accel);  // negative when braking to `top`
  double rampDown = top * top / (2.0 * accel);
  double cruise = std::max(0.0, dist - rampUp - rampDown);
  r.add(std::abs(top - v0) / accel, (top >= v0 ? 1 : -1) * dir * accel);
  if (top > 0.0) r.add(cruise / top, 0.0);
  r.add(top / accel, -dir * accel);
  return r;
}

Trajectory Trajectory::run(double t, MotionState from, int direction, double speed, double accel) {
  direction = direction < 0 ? -1 : 1;
  if (from.velocity * direction < 0.0) {
    Trajectory r = stop(t, from, accel);
    r.append(run(r.endTime(), {r.endPosition_, 0.0, 0.0}, direction, speed, accel));
    return r;
  }
  Trajectory r = rest(t, from.position);
  r.startVelocity_ = from.velocity;
  double v0 = std::abs(from.velocity);
  r.add(std::abs(speed - v0) / accel, (speed >= v0 ? 1 : -1) * direction * accel);
  r.add(kForever, 0.0);
  r.endPosition_ = std::numeric_limits<double>::quiet_NaN();
  return r;
}

double Trajectory::endTime() const { return pieces_.empty() ? start_ : pieces_.back().t1; }

MotionState Trajectory::at(double t) const {
  if (pieces_.empty()) return {startPosition_, 0.0, 0.0};
  if (t <= start_) return {startPosition_, startVelocity_, pieces_.front().a};
  if (t >= endTime()) return {endPosition_, 0.0, 0.0};
  auto it = std::upper_bound(pieces_.begin(), pieces_.end(), t,
                             [](double time, const Piece& p) { return time < p.t1; });
  return eval(*it, t);
}

std::optional<double> Trajectory::firstCrossing(double level, int direction) const {
  for (const Piece& p : pieces_) {
    double duration = p.t1 - p.t0;
    double roots[2];
    int n = 0;
    double c = p.x0 - level;
    if (p.a == 0.0) {
      if (p.v0 != 0.0) roots[n++] = -c / p.v0;
    } else {
      double disc = p.v0 * p.v0 - 2.0 * p.a * c;
      if (disc < 0.0) continue;
      double s = std::sqrt(disc);
      roots[n++] = (-p.v0 - s) / p.a;
      roots[n++] = (-p.v0 + s) / p.a;
      if (roots[0] > roots[1]) std::swap(roots[0], roots[1]);
    }
    for (int i = 0; i < n; ++i) {
      double tau = roots[i];
      if (tau < 0.0 || tau > duration) continue;
      if ((p.v0 + p.a * tau) * direction > 0.0) return p.t0 + tau;
    }
  }
  return std::nullopt;
}

Trajectory Trajectory::followedBy(const Trajectory& next) const {
  Trajectory r = *this;
  r.append(next);
  return r;
}

Trajectory Trajectory::cutAndStop(double t, double decel) const {
  Trajectory r = rest(start_, startPosition_);
  r.startVelocity_ = startVelocity_;
  for (const Piece& p : pieces_) {
    if (p.t0 >= t) break;
    Piece cut = p;
    cut.t1 = std::min(p.t1, t);
    r.pieces_.push_back(cut);
  }
  MotionState s = at(t);
  r.endPosition_ = s.position;
  if (t <= start_) r.startVelocity_ = s.velocity;
  r.append(stop(t, s, decel));
  return r;
}

}  // namespace helx::sim::sixk
