#include "sim/sixk/controller.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

namespace helx::sim::sixk {

namespace {

std::string number(double v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.10g", v);
  return buf;
}

std::string signedCount(long v) {
  char buf[24];
  std::snprintf(buf, sizeof buf, "%+ld", v);
  return buf;
}

std::optional<double> parseNumber(const std::string& text) {
  if (text.empty()) return std::nullopt;
  char* end = nullptr;
  double v = std::strtod(text.c_str(), &end);
  if (end != text.c_str() + text.size() || !std::isfinite(v)) return std::nullopt;
  return v;
}

// Stepper counters are 32-bit in the controller; keep values where they stay meaningful.
constexpr double kMaxCount = 2147483647.0;

}  // namespace

ControllerConfig defaultControllerConfig() {
  ControllerConfig c;
  AxisConfig stage;
  stage.velocity = 2000.0;
  stage.acceleration = 10000.0;
  stage.limitDeceleration = 1e5;
  stage.positiveLimit = 20000.0;
  stage.negativeLimit = -1000.0;
  stage.start = 1500.0;
  stage.homeVelocity = 1500.0;
  stage.homeFinalVelocity = 300.0;
  c.axes = {AxisConfig{}, stage, stage, stage};
  return c;
}

Controller::Controller(ControllerConfig config, EventSink events, FaultCheck faults)
    : config_(std::move(config)),
      events_(std::move(events)),
      faults_(std::move(faults)),
      axes_{Axis(config_.axes[0]), Axis(config_.axes[1]), Axis(config_.axes[2]),
            Axis(config_.axes[3])},
      hatch_(config_.hatchSeconds) {
  if (!config_.programs.count("SETUP")) {
    std::string a = "A", v = "V";
    for (int i = 0; i < 4; ++i) {
      a += (i ? "," : "") + number(config_.axes[i].acceleration);
      v += (i ? "," : "") + number(config_.axes[i].velocity);
    }
    config_.programs["SETUP"] = {"MC0000", a, v};
  }
  if (!config_.programs.count("HOMING"))
    config_.programs["HOMING"] = {"HOM1111", "WAIT(MOV=b0000)"};
}

void Controller::event(const std::string& name, nlohmann::json fields) {
  if (events_) events_(name, std::move(fields));
}

void Controller::reply(std::string text) { replies_.push_back(std::move(text) + "\n"); }

std::vector<std::string> Controller::takeReplies() { return std::exchange(replies_, {}); }

bool Controller::busy() const {
  return program_.has_value() || !queue_.empty() || hold_ != HoldKind::None;
}

std::string Controller::runningProgram() const { return program_ ? program_->name : ""; }

std::string Controller::outputs() const {
  std::string s;
  for (bool o : outputs_) s += o ? '1' : '0';
  return s;
}

Switches Controller::switches(int n, double t) {
  const Axis& a = axis(n);
  Switches s{a.positiveSwitch(t), a.negativeSwitch(t)};
  if (faults_ && faults_("PositiveLimitStuck", n)) s.positive = true;
  if (faults_ && faults_("NegativeLimitStuck", n)) s.negative = true;
  return s;
}

double Controller::holdReady() const {
  switch (hold_) {
    case HoldKind::None:
      return -std::numeric_limits<double>::infinity();
    case HoldKind::Delay:
      return holdUntil_;
    case HoldKind::WaitStopped: {
      double ready = -std::numeric_limits<double>::infinity();
      for (std::size_t i = 0; i < 4 && i < holdMask_.size(); ++i)
        if (holdMask_[i] == '0') ready = std::max(ready, axes_[i].restTime());
      return ready;
    }
  }
  return 0.0;
}

void Controller::submit(std::string_view text, double t) {
  auto c = parseCommand(text);
  if (!c) {
    event("unknown", {{"text", std::string(text)}, {"at", t}});
    return;
  }
  if (c->immediate) {
    advanceTo(t);
    cursor_ = std::max(cursor_, t);
    execute(*c, cursor_, false);
    return;
  }
  queue_.push_back({std::move(*c), t});
  advanceTo(t);
}

void Controller::advanceTo(double t) {
  for (;;) {
    double ready = std::max(cursor_, holdReady());
    if (program_) {
      if (ready > t) return;
      cursor_ = ready;
      hold_ = HoldKind::None;
      if (program_->next >= program_->lines.size()) {
        event("program_end", {{"name", program_->name}, {"at", cursor_}});
        program_.reset();
        continue;
      }
      const std::string& line = program_->lines[program_->next++];
      if (auto c = parseCommand(line))
        execute(*c, cursor_, true);
      else
        event("unknown", {{"text", line}, {"at", cursor_}});
      continue;
    }
    if (queue_.empty()) {
      if (hold_ != HoldKind::None && ready <= t) hold_ = HoldKind::None;
      return;
    }
    ready = std::max(ready, queue_.front().arrival);
    if (ready > t) return;
    cursor_ = ready;
    hold_ = HoldKind::None;
    Queued q = std::move(queue_.front());
    queue_.pop_front();
    execute(q.command, cursor_, false);
  }
}

template <typename F>
void Controller::forPattern(const Command& c, bool emptyMeansAll, F&& f) {
  if (c.axis) {
    f(c.axis, c.argument.empty() ? '1' : c.argument[0]);
    return;
  }
  if (c.argument.empty()) {
    if (emptyMeansAll)
      for (int n = 1; n <= 4; ++n) f(n, '1');
    return;
  }
  for (std::size_t i = 0; i < 4 && i < c.argument.size(); ++i)
    if (c.argument[i] == '0' || c.argument[i] == '1') f(static_cast<int>(i) + 1, c.argument[i]);
}

template <typename F>
void Controller::forValues(const Command& c, F&& f) {
  std::vector<std::string> fields =
      c.axis ? std::vector<std::string>{c.argument} : splitFields(c.argument);
  for (std::size_t i = 0; i < fields.size(); ++i) {
    int n = c.axis ? c.axis : static_cast<int>(i) + 1;
    if (fields[i].empty()) continue;
    auto v = parseNumber(fields[i]);
    if (!v || std::abs(*v) > kMaxCount) {
      event("unknown", {{"text", c.text}, {"field", fields[i]}});
      continue;
    }
    f(n, *v);
  }
}

void Controller::stopAll(double t, bool abort) {
  for (auto& a : axes_) a.stop(t);
  if (abort) {
    if (program_) event("program_end", {{"name", program_->name}, {"at", t}, {"aborted", true}});
    program_.reset();
    queue_.clear();
    hold_ = HoldKind::None;
  }
}

void Controller::applyOutputs(double t) {
  int direction = outputs_[2] && !outputs_[3] ? 1 : outputs_[3] && !outputs_[2] ? -1 : 0;
  if (direction == hatch_.direction()) return;
  hatch_.drive(t, direction);
  event("hatch", {{"direction", direction > 0   ? "open"
                                : direction < 0 ? "close"
                                                : "hold"},
                  {"at", t},
                  {"arrival", hatch_.arrival()}});
}

std::string Controller::report(const Command& c, double t) {
  auto each = [&](auto&& one, const char* separator) {
    if (c.axis) return one(c.axis);
    std::string s;
    for (int n = 1; n <= 4; ++n) s += (n > 1 ? separator : "") + one(n);
    return s;
  };
  if (c.name == "TAS") {
    return each(
        [&](int n) {
          Switches sw = switches(n, t);
          return c.bit ? std::string(1, axis(n).statusBit(t, sw, c.bit) ? '1' : '0')
                       : axis(n).status(t, sw);
        },
        ",");
  }
  if (c.name == "TPE")
    return each([&](int n) { return signedCount(axis(n).encoderPosition(t)); }, ",");
  if (c.name == "TPC")
    return each([&](int n) { return signedCount(axis(n).commandedPosition(t)); }, ",");
  if (c.name == "TLIM") {
    return each(
        [&](int n) {
          Switches sw = switches(n, t);
          return std::string{sw.positive ? '1' : '0', sw.negative ? '1' : '0',
                             axis(n).homeSwitch(t) ? '1' : '0'};
        },
        "_");
  }
  if (c.name == "TOUT") return outputs();
  if (c.name == "TIN")
    return std::string{hatch_.open(t) ? '1' : '0', hatch_.closed(t) ? '1' : '0', '0', '0'};
  if (c.name == "TREV") return config_.revision;
  return {};
}

void Controller::execute(const Command& c, double t, bool inProgram) {
  const std::string& n = c.name;
  if (n == "TAS" || n == "TPE" || n == "TPC" || n == "TLIM" || n == "TOUT" || n == "TIN" ||
      n == "TREV") {
    reply(report(c, t));
  } else if (n == "D") {
    forValues(c, [&](int a, double v) { axes_[a - 1].setDistance(v); });
  } else if (n == "A") {
    forValues(c, [&](int a, double v) { axes_[a - 1].setAcceleration(v); });
  } else if (n == "V") {
    forValues(c, [&](int a, double v) { axes_[a - 1].setVelocity(v); });
  } else if (n == "GO") {
    forPattern(c, true, [&](int a, char bit) {
      if (bit != '1') return;
      Axis& ax = axes_[a - 1];
      double from = ax.position(t);
      GoOutcome o = ax.go(t, switches(a, t));
      if (o == GoOutcome::DriveOff || o == GoOutcome::AtLimit) {
        event("refused", {{"axis", a},
                          {"at", t},
                          {"reason", o == GoOutcome::DriveOff ? "drive shut down" : "limit"}});
        return;
      }
      if (o != GoOutcome::Started) return;
      bool endless = !ax.stoppedByLimit() && faults_ && faults_("EndlessMove", a);
      if (endless) ax.neverSettle();
      const Trajectory& tr = ax.trajectory();
      event("move", {{"axis", a},
                     {"at", t},
                     {"from", from},
                     {"to", tr.endPosition()},
                     {"end", ax.restTime()},
                     {"limit", ax.stoppedByLimit()},
                     {"endless", endless}});
    });
  } else if (n == "S" || n == "K") {
    bool all = c.axis == 0 && c.argument.empty();
    if (all) {
      if (n == "S")
        stopAll(t, c.immediate);
      else {
        for (auto& a : axes_) a.kill(t);
        stopAll(t, true);
      }
    } else {
      forPattern(c, false, [&](int a, char bit) {
        if (bit == '1') (n == "S") ? axes_[a - 1].stop(t) : axes_[a - 1].kill(t);
      });
    }
    event(n == "S" ? "stop" : "kill", {{"at", t}, {"text", c.text}});
  } else if (n == "MC") {
    forPattern(c, false, [&](int a, char bit) { axes_[a - 1].setContinuous(bit == '1'); });
  } else if (n == "DRIVE") {
    forPattern(c, false, [&](int a, char bit) { axes_[a - 1].setDrive(t, bit == '1'); });
    event("drive", {{"at", t}, {"text", c.text}});
  } else if (n == "OUT" && c.axis == 0) {
    for (std::size_t i = 0; i < 4 && i < c.argument.size(); ++i)
      if (c.argument[i] == '0' || c.argument[i] == '1') outputs_[i] = c.argument[i] == '1';
    event("outputs", {{"at", t}, {"outputs", outputs()}});
    applyOutputs(t);
  } else if (n == "PSET" || n == "PESET") {
    forValues(c, [&](int a, double v) {
      Axis& ax = axes_[a - 1];
      if (ax.moving(t)) {
        event("refused", {{"axis", a}, {"at", t}, {"reason", n + " while moving"}});
        return;
      }
      long value = std::lround(v);
      n == "PSET" ? ax.setCommandedPosition(t, value) : ax.setEncoderPosition(t, value);
    });
    event(n == "PSET" ? "pset" : "peset", {{"at", t}, {"text", c.text}});
  } else if (n == "HOM") {
    forPattern(c, true, [&](int a, char bit) {
      (void)bit;
      Axis& ax = axes_[a - 1];
      if (!ax.home(t)) {
        event("refused", {{"axis", a}, {"at", t}, {"reason", "drive shut down"}});
        return;
      }
      event("home", {{"axis", a}, {"at", t}, {"end", ax.restTime()}, {"ok", !ax.stoppedByLimit()}});
    });
  } else if ((n == "T" || n == "WAIT") && !c.immediate) {
    if (n == "T") {
      auto s = parseNumber(c.argument);
      if (!s || *s < 0.0 || *s > 1e6) {
        event("unknown", {{"text", c.text}, {"at", t}});
        return;
      }
      hold_ = HoldKind::Delay;
      holdUntil_ = t + *s;
    } else {
      // WAIT(MOV=b0000): until every axis marked 0 has come to rest.
      auto eq = c.argument.find("=B");
      if (eq == std::string::npos) eq = c.argument.find("=b");
      if (c.argument.rfind("(MOV", 0) != 0 || eq == std::string::npos) {
        event("unknown", {{"text", c.text}, {"at", t}});
        return;
      }
      hold_ = HoldKind::WaitStopped;
      holdMask_ = c.argument.substr(eq + 2, 4);
    }
  } else if ((config_.programs.count(n) && c.argument.empty() && c.axis == 0) ||
             (n == "RUN" && config_.programs.count(c.argument))) {
    std::string name = n == "RUN" ? c.argument : n;
    if (c.immediate || inProgram) {
      event("refused", {{"at", t}, {"text", c.text}, {"reason", "program from here"}});
      return;
    }
    program_ = Running{name, config_.programs[name], 0};
    event("program", {{"name", name}, {"at", t}});
  } else {
    event("unknown", {{"text", c.text}, {"at", t}});
  }
}

}  // namespace helx::sim::sixk
