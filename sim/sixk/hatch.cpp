#include "sim/sixk/hatch.h"

#include <algorithm>

namespace helx::sim::sixk {

Hatch::Hatch(double travelSeconds) : travel_(travelSeconds > 0.0 ? travelSeconds : 1e-9) {}

void Hatch::drive(double t, int direction) {
  opening0_ = opening(t);
  t0_ = t;
  direction_ = direction > 0 ? 1 : direction < 0 ? -1 : 0;
}

double Hatch::opening(double t) const {
  double moved = std::max(0.0, t - t0_) / travel_ * direction_;
  return std::clamp(opening0_ + moved, 0.0, 1.0);
}

double Hatch::arrival() const {
  if (direction_ > 0) return t0_ + (1.0 - opening0_) * travel_;
  if (direction_ < 0) return t0_ + opening0_ * travel_;
  return t0_;
}

}  // namespace helx::sim::sixk
