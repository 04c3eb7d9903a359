// A point-to-point move as the controller plans it: the ideal constant-velocity move of time
// `moveMs` (distance / feedrate), smoothed by an acceleration of total time max(TA, 2 TS) whose
// first and last TS milliseconds ramp the acceleration (S-curve). A move shorter than TA is
// stretched to TA, so it takes 2 TA from rest to rest.
//
// The profile is the distribution of a sum of uniform delays: position(t) / distance is the
// cumulative probability that U(0, moveMs) + U(0, TA' - TS) + U(0, TS) <= t. This gives exact,
// continuous position, velocity and acceleration at any instant without stepping.
//
// Threads: immutable after construction; safe to share.
#pragma once

#include <array>

namespace helx::sim::pmac {

class MoveProfile {
 public:
  MoveProfile() = default;
  // distance in counts, times in milliseconds (negative times count as 0).
  MoveProfile(double distance, double moveMs, double taMs, double tsMs);

  double durationMs() const { return duration_; }
  double distance() const { return distance_; }
  // Offset from the start, in counts, and its derivatives per millisecond.
  double position(double tMs) const;
  double velocity(double tMs) const;
  double acceleration(double tMs) const;
  bool done(double tMs) const { return tMs >= duration_; }

 private:
  // Sum over the corners of the box convolution of (t - corner)_+^power times its sign.
  double corners(double t, int power) const;

  double distance_ = 0.0;
  double duration_ = 0.0;
  std::array<double, 3> widths_{};  // nonzero box widths first
  int boxes_ = 0;
  double norm_ = 1.0;  // product of the widths
};

}  // namespace helx::sim::pmac
