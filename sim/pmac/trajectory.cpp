#include "sim/pmac/trajectory.h"

#include <algorithm>
#include <cmath>

namespace helx::sim::pmac {

namespace {
double positivePower(double x, int power) {
  if (x <= 0.0) return 0.0;
  double r = 1.0;
  for (int i = 0; i < power; ++i) r *= x;
  return r;
}
}  // namespace

MoveProfile::MoveProfile(double distance, double moveMs, double taMs, double tsMs)
    : distance_(distance) {
  double ts = std::max(0.0, tsMs);
  double ta = std::max({0.0, taMs, 2.0 * ts});
  double tm = std::max(std::max(0.0, moveMs), ta);
  // A zero-time move with no acceleration time still needs one servo tick to land.
  if (tm <= 0.0) tm = 1e-3;
  for (double w : {tm, ta - ts, ts})
    if (w > 0.0) widths_[boxes_++] = w;
  norm_ = 1.0;
  for (int i = 0; i < boxes_; ++i) norm_ *= widths_[i];
  duration_ = tm + ta;
}

double MoveProfile::corners(double t, int power) const {
  double sum = 0.0;
  for (int mask = 0; mask < (1 << boxes_); ++mask) {
    double shift = 0.0;
    int sign = 1;
    for (int i = 0; i < boxes_; ++i)
      if (mask & (1 << i)) {
        shift += widths_[i];
        sign = -sign;
      }
    sum += sign * positivePower(t - shift, power);
  }
  return sum;
}

double MoveProfile::position(double t) const {
  if (t <= 0.0) return 0.0;
  if (t >= duration_) return distance_;
  double factorial = boxes_ == 3 ? 6.0 : boxes_ == 2 ? 2.0 : 1.0;
  double fraction = std::clamp(corners(t, boxes_) / (factorial * norm_), 0.0, 1.0);
  return distance_ * fraction;
}

double MoveProfile::velocity(double t) const {
  if (t <= 0.0 || t >= duration_) return 0.0;
  double factorial = boxes_ == 3 ? 2.0 : 1.0;
  return distance_ * corners(t, boxes_ - 1) / (factorial * norm_);
}

double MoveProfile::acceleration(double t) const {
  if (t <= 0.0 || t >= duration_ || boxes_ < 2) return 0.0;
  return distance_ * corners(t, boxes_ - 2) / norm_;
}

}  // namespace helx::sim::pmac
