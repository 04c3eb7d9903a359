// Coordinate system 1 running a motion program in real time: axis X is motor 1 scaled by the
// `#1->nX` definition (counts per unit). Non-motion statements run at once; a move or a dwell
// holds the program until its time has passed (moves are not blended: each ends at rest, so a
// DWELL's following statements run only after it). At most a few hundred statements run per
// servo cycle, so a loop without motion keeps the controller responsive.
//
// Times are milliseconds of instrument time. Threads: plain object, under the controller's lock.
#pragma once

#include <functional>
#include <string>

#include "sim/pmac/expression.h"
#include "sim/pmac/program.h"
#include "sim/pmac/trajectory.h"

namespace helx::sim::pmac {

class ProgramVariables : public VariableSource {
 public:
  virtual void write(char kind, int number, double value) = 0;
};

struct AxisCommand {
  double position = 0.0;      // motor counts relative to its zero
  double velocity = 0.0;      // counts/ms
  double acceleration = 0.0;  // counts/ms^2
  bool moving = false;
};

struct MoveEvent {
  double startMs = 0.0;
  double from = 0.0;  // counts
  double to = 0.0;
  double durationMs = 0.0;
};

class CoordinateSystem {
 public:
  using MoveSink = std::function<void(const MoveEvent&)>;
  void setMoveSink(MoveSink sink) { moveSink_ = std::move(sink); }

  void defineAxis(double countsPerUnit) { countsPerUnit_ = countsPerUnit; }
  bool axisDefined() const { return countsPerUnit_ != 0.0; }
  double countsPerUnit() const { return countsPerUnit_; }

  // Starts the program from its beginning with the motor's commanded position (counts).
  void start(const Program& program, double tMs, double motorCommand, double defaultTa,
             double defaultTs, double defaultFeed);
  void abort() { running_ = false; }
  bool running() const { return running_; }
  bool moving(double tMs) const {
    return running_ && inMove_ && tMs < moveStart_ + move_.durationMs();
  }

  // Runs the program up to time t and gives the motor's set point. Throws SyntaxError for a
  // statement that cannot be evaluated (the controller stops the program).
  AxisCommand step(double tMs, ProgramVariables& vars, double feedTimeMs);

 private:
  AxisCommand command(double tMs) const;

  const Program* program_ = nullptr;
  MoveSink moveSink_;
  double countsPerUnit_ = 0.0;
  bool running_ = false;
  std::size_t pc_ = 0;
  bool incremental_ = false;
  bool timedMoves_ = false;  // TM given after F
  double ta_ = 0.0, ts_ = 0.0, tm_ = 0.0, feed_ = 0.0;
  double base_ = 0.0;  // commanded counts at the start of the current move
  bool inMove_ = false;
  MoveProfile move_;
  double moveStart_ = 0.0;
  double dwellEnd_ = -1.0;
};

}  // namespace helx::sim::pmac
