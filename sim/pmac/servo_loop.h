// One servo axis: the controller's PID filter with velocity and acceleration feed-forward
// (Ix30 proportional, Ix31 derivative, Ix32 velocity feed-forward, Ix33 integral, Ix34
// integration mode, Ix35 acceleration feed-forward, Ix08/Ix09 scale factors, Ix69 output
// limit) driving a motor and load: acceleration proportional to the 16-bit DAC output, less
// viscous damping. Steady motion therefore leaves a following error that the feed-forward and
// integral gains remove, and that grows when the gains are lowered.
//
// Units: counts, servo cycles. Threads: plain object, one caller.
#pragma once

#include "sim/pmac/ivars.h"

namespace helx::sim::pmac {

struct Plant {
  double accelPerDac = 9.2e-5;  // counts/cycle^2 per DAC bit
  double damping = 0.01;        // fraction of the velocity lost per cycle
};

struct Setpoint {
  double position = 0.0;      // counts
  double velocity = 0.0;      // counts/cycle
  double acceleration = 0.0;  // counts/cycle^2
};

class ServoLoop {
 public:
  explicit ServoLoop(Plant plant = {}) : plant_(plant) {}
  void setPlant(Plant plant) { plant_ = plant; }

  // Closed loop: filter output from the set point, then one cycle of the motor.
  void closedLoopCycle(const Setpoint& sp, const IVariables& i);
  // Open loop or amplifier off: the given output (0 with the amplifier off).
  void outputCycle(int dac);
  void resetFilter() { integrator_ = 0.0; }

  double position() const { return position_; }
  double velocity() const { return velocity_; }
  int output() const { return dac_; }
  // Mechanical constraints: a hard stop or a binding mechanism.
  void holdAt(double position) {
    position_ = position;
    velocity_ = 0.0;
  }
  void setPosition(double position) { position_ = position; }

 private:
  void move(int dac);

  Plant plant_;
  double position_ = 0.0;
  double velocity_ = 0.0;
  double integrator_ = 0.0;
  int dac_ = 0;
};

}  // namespace helx::sim::pmac
