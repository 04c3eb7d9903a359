// The motion controller itself: variables, motor 1, coordinate system 1 with its programs,
// data gathering and the status words the M-variables point at, advanced servo cycle by servo
// cycle (I10) up to the instrument time it is asked about. It reads no clock of its own: the
// caller passes the time, so a test can run it at any pace and the device wrapper runs it on
// the one clock.
//
// Events (moves, homing, limits, program start and end, gathering, faults) go to an event sink
// with the instrument time at which they happened ("at", seconds).
//
// Threads: not thread-safe; the device wrapper serialises every call.
#pragma once

#include <array>
#include <functional>
#include <map>
#include <nlohmann/json.hpp>
#include <string>

#include "sim/pmac/coord_system.h"
#include "sim/pmac/gather.h"
#include "sim/pmac/ivars.h"
#include "sim/pmac/motor.h"
#include "sim/pmac/mvars.h"
#include "sim/pmac/program.h"

namespace helx::sim::pmac {

struct ControllerConfig {
  Mechanics mechanics;
  std::string romVersion = "1.17F";
  std::string romDate = "04/28/2004";
  std::size_t gatherCapacity = 200000;
  double settleShortCounts = 8.0;
};

// Faults that the controller asks about while it runs (the device wires them to its plan).
struct ControllerFaults {
  std::function<bool()> ampWillNotEnable;
  std::function<bool()> settleShort;
};

class Controller : public ProgramVariables {
 public:
  using EventSink = std::function<void(const std::string& event, nlohmann::json fields)>;

  explicit Controller(ControllerConfig config = {}, double startSeconds = 0.0);
  void setEventSink(EventSink sink) { sink_ = std::move(sink); }
  void setFaults(ControllerFaults faults) { faults_ = std::move(faults); }

  // Runs every servo cycle due up to `seconds` of instrument time.
  void advanceTo(double seconds);
  double nowSeconds() const { return timeMs_ / 1000.0; }
  double servoPeriodMs() const;
  long long servoCycles() const { return cycle_; }

  const ControllerConfig& config() const { return config_; }
  Motor& motor() { return motor_; }
  CoordinateSystem& coordinateSystem() { return cs_; }
  Gatherer& gatherer() { return gather_; }
  const IVariables& ivars() const { return i_; }
  Program& program(int number) { return programs_[number]; }
  bool hasProgram(int number) const { return programs_.count(number) != 0; }

  // Variables. Writing an I-variable can be refused (false) for a value it cannot take.
  double read(char kind, int number) override;
  void write(char kind, int number, double value) override;
  bool setI(int number, double value);
  void defineM(int number, const MDefinition& d) { mdefs_.at(number) = d; }
  const MDefinition& mDefinition(int number) const { return mdefs_.at(number); }
  std::uint32_t word(char space, unsigned address) const;

  // Motion commands for motor 1 at the present time; false when refused.
  bool ampWillEnable();
  bool jogTo(double target);
  // Runs program `number` in coordinate system 1: 0 started, else an error code (1 busy,
  // 3 not runnable).
  int run(int number);
  void abortProgram(const std::string& why);
  bool programRunning() const { return cs_.running(); }
  int runningProgram() const { return cs_.running() ? runningProgram_ : -1; }

  // Gathering, as DEF GAT / GAT / END GAT / DEL GAT and the host library use it.
  bool defineGather();
  bool startGather();
  void stopGather();
  void deleteGather();
  // Selects motor 1's commanded position (bit 0), actual position (bit 8) and output (bit 16)
  // as the gathered sources; false for a mask naming anything else.
  bool setQuickGather(unsigned mask);

  void emit(const std::string& event, nlohmann::json fields = nlohmann::json::object());

 private:
  void servoCycle(double dt);
  double gatherSource(long code) const;

  ControllerConfig config_;
  IVariables i_;
  std::array<double, 1024> p_{};
  std::array<double, 1024> q_{};
  std::array<double, 1024> mSelf_{};
  std::array<MDefinition, 1024> mdefs_{};
  std::map<unsigned long, std::uint32_t> memory_;
  std::map<int, Program> programs_;
  Motor motor_;
  CoordinateSystem cs_;
  Gatherer gather_;
  EventSink sink_;
  ControllerFaults faults_;
  double timeMs_ = 0.0;
  long long cycle_ = 0;
  int runningProgram_ = -1;
};

}  // namespace helx::sim::pmac
