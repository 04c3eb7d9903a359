// The simulated four-axis stepper controller: it executes commands of its language against four
// axes, four outputs (the slit hatch on outputs 3 and 4) and its stored programs.
//
// Commands with "!" run the moment they arrive. The others go through the command queue in
// order, and none of them starts while a stored program runs, a "T" delay is pending or a WAIT
// holds: "HOMING" followed by "PSET0,0,0,0" zeroes the counters once homing is over. "!S" and
// "!K" end the running program and empty the queue.
//
// Time is passed in (instrument seconds, never going backwards); advanceTo() runs everything
// that fell due by then, each at the exact time it fell due. Replies of report commands (TAS,
// TPE, ...) collect until takeReplies(); every reply ends with a line feed. Commands that are
// not understood are ignored and reported as "unknown" events, so that they never shift the
// replies a client reads at fixed offsets.
//
// Threads: not thread-safe; the server locks around every call.
#pragma once

#include <array>
#include <deque>
#include <functional>
#include <map>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sim/sixk/axis.h"
#include "sim/sixk/command.h"
#include "sim/sixk/hatch.h"

namespace helx::sim::sixk {

struct ControllerConfig {
  std::array<AxisConfig, 4> axes;
  double hatchSeconds = 1.5;
  // Stored programs by name; each line one command.
  std::map<std::string, std::vector<std::string>> programs;
  std::string revision = "HELX simulated 6K4 stepper controller 1.0";
};

// Four axes (the grating, two camera stages, a spare), SETUP and HOMING.
ControllerConfig defaultControllerConfig();

class Controller {
 public:
  // Events for the simulator log: name and fields ("at" is when it happened).
  using EventSink = std::function<void(const std::string& event, nlohmann::json fields)>;
  // Asked whether an injected fault applies now: "PositiveLimitStuck", "NegativeLimitStuck",
  // "EndlessMove", with the axis concerned.
  using FaultCheck = std::function<bool(const std::string& fault, int axis)>;

  explicit Controller(ControllerConfig config, EventSink events = {}, FaultCheck faults = {});

  // One command without its ":" (as the splitter gives it), arriving at t.
  void submit(std::string_view text, double t);
  void advanceTo(double t);
  std::vector<std::string> takeReplies();

  // A program runs, commands wait in the queue or a delay holds it.
  bool busy() const;
  std::string runningProgram() const;

  const Axis& axis(int n) const { return axes_.at(n - 1); }
  const Hatch& hatch() const { return hatch_; }
  std::string outputs() const;
  // The limit switches of axis n as the controller reads them (stuck faults included).
  Switches switches(int n, double t);

 private:
  struct Queued {
    Command command;
    double arrival;
  };
  struct Running {
    std::string name;
    std::vector<std::string> lines;
    std::size_t next = 0;
  };
  enum class HoldKind { None, Delay, WaitStopped };

  void execute(const Command& c, double t, bool inProgram);
  double holdReady() const;
  void stopAll(double t, bool abort);
  void applyOutputs(double t);
  void reply(std::string text);
  void event(const std::string& name, nlohmann::json fields);
  // Axes selected by an axis prefix or a pattern ("1100", "x1x0"); `pattern` receives the
  // character for each selected axis.
  template <typename F>
  void forPattern(const Command& c, bool emptyMeansAll, F&& f);
  template <typename F>
  void forValues(const Command& c, F&& f);
  std::string report(const Command& c, double t);

  ControllerConfig config_;
  EventSink events_;
  FaultCheck faults_;
  std::array<Axis, 4> axes_;
  Hatch hatch_;
  std::array<bool, 4> outputs_{};
  std::deque<Queued> queue_;
  std::optional<Running> program_;
  HoldKind hold_ = HoldKind::None;
  double holdUntil_ = 0.0;
  std::string holdMask_;
  double cursor_ = 0.0;
  std::vector<std::string> replies_;
};

}  // namespace helx::sim::sixk
