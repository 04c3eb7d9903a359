// The thermo-electric cooler and the sensor's temperature.
//
// With the cooler on, the sensor runs towards its goal, the set point, at a constant rate (the
// controller's ramp, coolRate going down, warmRate going up) and settles onto it exponentially
// over the last rate x settle degrees, so the approach is smooth. The cooler can pull the sensor
// at most reach[fan] degrees below ambient (fan 0 high, 1 low, 2 off); a set point below that
// floor is never reached. With the cooler off the sensor relaxes towards ambient with time
// constant passiveTau.
//
// Status with the cooler on: "not reached" while the temperature is outside +-band of the set
// point, "not stabilised" during the first hold seconds inside it, then "stabilised". Changing
// the set point or switching the cooler restarts that sequence; a fan change keeps a stability
// that the new floor does not break.
//
// The state is a segment (start time, start temperature, constant controls); every query
// computes from it, so time may be read at any instant at or after the last change.
// Threads: not thread-safe; the owner locks.
#pragma once

#include <array>
#include <functional>
#include <optional>

namespace helx::sim::camera {

struct ThermalConfig {
  double ambient = 20.0;     // C
  double coolRate = 2.0;     // C/s, controlled cooling
  double warmRate = 2.0;     // C/s, controlled warming (set point above the temperature)
  double settle = 3.0;       // s, time constant of the final approach
  double passiveTau = 60.0;  // s, cooler off
  double band = 1.0;         // C
  double hold = 5.0;         // s
  std::array<double, 3> reach{100.0, 90.0, 60.0};  // C below ambient, per fan mode
};

enum class ThermalStatus { Off, NotReached, NotStabilised, Stabilised };

class ThermalModel {
 public:
  ThermalModel(ThermalConfig config, double now);

  void setCooler(bool on, double now);
  void setTarget(double celsius, double now);
  void setFan(int mode, double now);  // 0 high, 1 low, 2 off

  bool coolerOn() const { return cooler_; }
  double target() const { return target_; }
  const ThermalConfig& config() const { return config_; }

  double temperature(double now) const;
  ThermalStatus status(double now) const;

 private:
  // A new segment from `now`: the temperature carries on, `change` alters the controls.
  void restart(double now, bool mayKeepStability, const std::function<void()>& change);
  void rebase(double now, bool mayKeepStability);
  // Time after t0 at which the distance to the goal has fallen to `distance` (controlled mode).
  double timeToDistance(double distance) const;

  ThermalConfig config_;
  double t0_;
  double start_;  // temperature at t0
  bool cooler_ = false;
  double target_ = -60.0;
  int fan_ = 0;
  double goal_;                       // where the temperature is heading (cooler on)
  double rate_ = 1.0;                 // C/s towards the goal
  std::optional<double> inBandFrom_;  // when |T - target| < band starts (cooler on)
};

}  // namespace helx::sim::camera
