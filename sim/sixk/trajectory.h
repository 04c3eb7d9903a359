// Motion of one stepper axis as pieces of constant acceleration starting at known instrument
// times, so that position and velocity at any moment are computed, never stepped. Positions are
// in motor steps, times in instrument seconds.
//
// Threads: a value type; no shared state.
#pragma once

#include <limits>
#include <optional>
#include <vector>

namespace helx::sim::sixk {

struct MotionState {
  double position = 0.0;
  double velocity = 0.0;
  double acceleration = 0.0;
};

class Trajectory {
 public:
  static constexpr double kForever = std::numeric_limits<double>::infinity();

  // At rest at x from t on.
  static Trajectory rest(double t, double x);
  // From `from` at t to rest at `target`, never faster than `speed` nor accelerating harder
  // than `accel`; a start moving away from the target first brakes to a stop.
  static Trajectory moveTo(double t, MotionState from, double target, double speed, double accel);
  // Brakes from `from` to rest at `decel`.
  static Trajectory stop(double t, MotionState from, double decel);
  // Runs towards `direction` (+1/-1) at `speed` and never ends (continuous mode).
  static Trajectory run(double t, MotionState from, int direction, double speed, double accel);

  MotionState at(double t) const;
  double startTime() const { return start_; }
  // When the axis comes to rest; kForever for a run.
  double endTime() const;
  double endPosition() const { return endPosition_; }

  // The first moment the position passes `level` travelling in `direction` (+1 upwards, -1
  // downwards), if it ever does.
  std::optional<double> firstCrossing(double level, int direction) const;
  // This motion, then `next` (which starts where and when this one comes to rest).
  Trajectory followedBy(const Trajectory& next) const;
  // This motion up to t, then braking at `decel` from wherever it is at t.
  Trajectory cutAndStop(double t, double decel) const;

 private:
  struct Piece {
    double t0, x0, v0, a, t1;
  };
  void add(double duration, double accel);
  void append(const Trajectory& next);
  static MotionState eval(const Piece& p, double t);

  double start_ = 0.0;
  double startPosition_ = 0.0;
  double startVelocity_ = 0.0;
  std::vector<Piece> pieces_;
  double endPosition_ = 0.0;
};

}  // namespace helx::sim::sixk
