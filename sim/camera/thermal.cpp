#include "sim/camera/thermal.h"

#include <algorithm>
#include <cmath>

namespace helx::sim::camera {

ThermalModel::ThermalModel(ThermalConfig config, double now)
    : config_(config), t0_(now), start_(config.ambient), goal_(config.ambient) {}

void ThermalModel::setCooler(bool on, double now) {
  if (on != cooler_) restart(now, false, [&] { cooler_ = on; });
}

void ThermalModel::setTarget(double celsius, double now) {
  if (celsius != target_) restart(now, false, [&] { target_ = celsius; });
}

void ThermalModel::setFan(int mode, double now) {
  if (mode != fan_ && mode >= 0 && mode <= 2) restart(now, true, [&] { fan_ = mode; });
}

void ThermalModel::restart(double now, bool mayKeepStability, const std::function<void()>& change) {
  start_ = temperature(now);
  t0_ = now;
  change();
  rebase(now, mayKeepStability);
}

void ThermalModel::rebase(double now, bool mayKeepStability) {
  const double floor = config_.ambient - config_.reach[static_cast<std::size_t>(fan_)];
  goal_ = std::max(target_, floor);
  rate_ = start_ > goal_ ? config_.coolRate : config_.warmRate;
  auto previous = inBandFrom_;
  inBandFrom_.reset();
  if (!cooler_) return;
  // |T - target| < band, with T = goal + sigma d and d the distance to the goal.
  const double offset = goal_ - target_;
  if (std::fabs(offset) >= config_.band) return;
  const double sigma = start_ > goal_ ? 1.0 : start_ < goal_ ? -1.0 : 0.0;
  const double threshold = config_.band - sigma * offset;
  const double d0 = std::fabs(start_ - goal_);
  const double entry = d0 < threshold ? now : t0_ + timeToDistance(threshold);
  inBandFrom_ = entry;
  if (mayKeepStability && previous && *previous <= now && entry <= now) inBandFrom_ = previous;
}

double ThermalModel::timeToDistance(double distance) const {
  const double d0 = std::fabs(start_ - goal_);
  const double knee = rate_ * config_.settle;  // distance where the ramp turns exponential
  if (distance >= knee) return (d0 - distance) / rate_;
  const double linear = std::max(0.0, (d0 - knee) / rate_);
  const double from = std::min(d0, knee);
  return linear + config_.settle * std::log(from / distance);
}

double ThermalModel::temperature(double now) const {
  const double dt = std::max(0.0, now - t0_);
  if (!cooler_)
    return config_.ambient + (start_ - config_.ambient) * std::exp(-dt / config_.passiveTau);
  const double d0 = std::fabs(start_ - goal_);
  const double sign = start_ > goal_ ? 1.0 : -1.0;
  const double knee = rate_ * config_.settle;
  double d;
  if (d0 > knee) {
    const double linear = (d0 - knee) / rate_;
    d = dt < linear ? d0 - rate_ * dt : knee * std::exp(-(dt - linear) / config_.settle);
  } else {
    d = d0 * std::exp(-dt / config_.settle);
  }
  return goal_ + sign * d;
}

ThermalStatus ThermalModel::status(double now) const {
  if (!cooler_) return ThermalStatus::Off;
  if (!inBandFrom_ || now < *inBandFrom_) return ThermalStatus::NotReached;
  return now - *inBandFrom_ < config_.hold ? ThermalStatus::NotStabilised
                                           : ThermalStatus::Stabilised;
}

}  // namespace helx::sim::camera
