// One stepper axis of the controller: drive power, the move parameters (A, V, D, MC), a motor
// whose physical position is counted in steps from the home switch's edge, the positive and
// negative end-limit switches, and the commanded and encoder counters the controller reports.
//
// The home switch is active on the negative side of home (position <= 0). A limit switch is
// active while the axis stands at or beyond it; running onto one brakes the axis at the hard
// limit deceleration, so it comes to rest a little past the switch, and no move further in that
// direction starts while the switch is active.
//
// Every query takes the instrument time; state is computed from the trajectory, never stepped.
// Times passed in must not go backwards. Threads: not thread-safe; the owner locks.
#pragma once

#include <string>

#include "sim/sixk/trajectory.h"

namespace helx::sim::sixk {

struct AxisConfig {
  double velocity = 10000.0;        // steps/s
  double acceleration = 50000.0;    // steps/s^2, also the braking rate of S
  double limitDeceleration = 5e5;   // steps/s^2 when a hard limit is hit
  double positiveLimit = 150000.0;  // switch positions, steps from home
  double negativeLimit = -2000.0;
  double start = 6000.0;              // where the axis stands at power-on
  double homeVelocity = 5000.0;       // search for the home switch
  double homeFinalVelocity = 1000.0;  // final approach to its edge
};

// Limit switches as the controller reads them (a stuck switch reads active).
struct Switches {
  bool positive = false;
  bool negative = false;
};

enum class GoOutcome { Started, NoMotion, DriveOff, AtLimit };

class Axis {
 public:
  explicit Axis(AxisConfig config);

  const AxisConfig& config() const { return config_; }
  void setVelocity(double v);
  void setAcceleration(double a);
  void setDistance(double d) { distance_ = d; }
  double distance() const { return distance_; }
  void setContinuous(bool on) { continuous_ = on; }
  bool continuous() const { return continuous_; }

  // Starts the move set by D (preset: D steps from where the last move was going; continuous:
  // runs in the direction of D's sign).
  GoOutcome go(double t, Switches switches);
  // The motion under way never reports done (a motor that keeps hunting), until stopped.
  void neverSettle() { endless_ = true; }
  // Brakes to a stop at the acceleration rate.
  void stop(double t);
  // Stops dead (kill, drive off).
  void kill(double t);
  void setDrive(double t, bool on);
  bool driveOn() const { return drive_; }
  // Seeks the home switch and stops on its edge; false when the drive is off.
  bool home(double t);

  void setCommandedPosition(double t, long value);
  void setEncoderPosition(double t, long value);

  MotionState motion(double t) const { return trajectory_.at(t); }
  double position(double t) const { return motion(t).position; }
  bool moving(double t) const;
  // When the current motion ends: kForever for a run or an endless move.
  double restTime() const;
  long commandedPosition(double t) const;
  long encoderPosition(double t) const;
  bool positiveSwitch(double t) const { return position(t) >= config_.positiveLimit; }
  bool negativeSwitch(double t) const { return position(t) <= config_.negativeLimit; }
  bool homeSwitch(double t) const { return position(t) <= 0.0; }
  bool homed(double t) const { return homing_ && t >= trajectory_.endTime(); }
  // Set when the last motion was braked by a hard limit.
  bool stoppedByLimit() const { return limitHit_; }
  const Trajectory& trajectory() const { return trajectory_; }

  // The 32 axis status bits, bit 1 first, as "0000_0000_..." (TAS).
  std::string status(double t, Switches switches) const;
  // One status bit, 1 to 32.
  bool statusBit(double t, Switches switches, int bit) const;

 private:
  void start(Trajectory trajectory);

  AxisConfig config_;
  Trajectory trajectory_;
  double distance_ = 0.0;
  bool continuous_ = false;
  bool drive_ = false;
  bool endless_ = false;
  bool homing_ = false;  // the current motion is a homing that ends on the switch edge
  bool limitHit_ = false;
  int direction_ = 1;
  long commandedOffset_ = 0;
  long encoderOffset_ = 0;
};

}  // namespace helx::sim::sixk
