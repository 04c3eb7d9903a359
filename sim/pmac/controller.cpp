#include "sim/pmac/controller.h"

#include <cmath>

namespace helx::sim::pmac {

namespace {
constexpr unsigned kMotorStatus1 = 0x003D;  // X: limits, open loop, move running
constexpr unsigned kMotorStatus2 = 0x0814;  // Y: in position, home complete, amplifier
constexpr unsigned kCsStatus = 0x0818;      // X: program running
constexpr long kSkipCycles = 2000;          // idle stretch worth jumping over

std::uint32_t bit(bool on, int n) { return on ? (1u << n) : 0u; }
}  // namespace

Controller::Controller(ControllerConfig config, double startSeconds)
    : config_(std::move(config)),
      i_(powerOnIVariables()),
      motor_(config_.mechanics, i_),
      gather_(config_.gatherCapacity),
      timeMs_(startSeconds * 1000.0) {
  // Defined at power-on, as the saved configuration of the instrument has them.
  mdefs_[131] = {'X', kMotorStatus1, 21, 1};
  mdefs_[132] = {'X', kMotorStatus1, 22, 1};
  mdefs_[137] = {'X', kMotorStatus1, 17, 1};
  mdefs_[140] = {'Y', kMotorStatus2, 0, 1};
  motor_.setEventSink([this](const std::string& event, double tMs, double value) {
    (void)tMs;  // emit stamps every event with the controller's own time
    emit(event, {{"position", motor_.position()}, {"value", value}});
  });
  cs_.setMoveSink([this](const MoveEvent& m) {
    if (faults_.settleShort && faults_.settleShort()) {
      motor_.bindNextMoveShort(config_.settleShortCounts);
      emit("fault", {{"fault", "settle_short"}, {"counts", config_.settleShortCounts}});
    }
    motor_.moveStarted(m.to, m.to - m.from);
    emit("move", {{"from", m.from}, {"to", m.to}, {"duration_ms", m.durationMs}});
  });
}

void Controller::emit(const std::string& event, nlohmann::json fields) {
  if (!sink_) return;
  fields["at"] = timeMs_ / 1000.0;
  sink_(event, std::move(fields));
}

double Controller::servoPeriodMs() const {
  // A servo period below 50 us would make the simulation crawl; the controller cannot run
  // that fast either.
  return std::max(i_[iv::kServoPeriod] / 8388608.0, 0.05);
}

void Controller::advanceTo(double seconds) {
  const double target = seconds * 1000.0;
  while (true) {
    const double dt = servoPeriodMs();
    if (timeMs_ + dt > target) return;
    long long due = static_cast<long long>((target - timeMs_) / dt);
    if (due > kSkipCycles && !cs_.running() && !gather_.running() && motor_.quiescent()) {
      // Nothing changes while the motor rests: jump over the idle cycles.
      timeMs_ += static_cast<double>(due) * dt;
      cycle_ += due;
      continue;
    }
    timeMs_ += dt;
    ++cycle_;
    servoCycle(dt);
  }
}

void Controller::servoCycle(double dt) {
  const double t = timeMs_;
  if (cs_.running()) {
    AxisCommand c;
    bool ok = true;
    try {
      c = cs_.step(t, *this, i_[iv::kFeedTime] > 0 ? i_[iv::kFeedTime] : 1000.0);
    } catch (const SyntaxError& e) {
      ok = false;
      cs_.abort();
      emit("program_error", {{"program", runningProgram_}, {"what", e.what()}});
    }
    if (ok) motor_.drive(c.position, c.velocity, c.acceleration, c.moving);
    if (!cs_.running()) {
      motor_.releaseFromProgram();
      if (ok) emit("program_end", {{"program", runningProgram_}, {"position", motor_.position()}});
    }
  }
  motor_.cycle(t, dt);
  if (motor_.programAbortRequested() && cs_.running()) abortProgram("motor stopped");
  if (gather_.cycle(cycle_, static_cast<int>(i_[iv::kGatherPeriod]),
                    [this](long code) { return gatherSource(code); }))
    emit("gather_full", {{"samples", gather_.samples()}});
}

double Controller::gatherSource(long code) const {
  const double scale = 32.0 * i_[iv::kPositionScale];
  switch (code) {
    case source::kCommanded:
      return std::round(motor_.commanded() * scale);
    case source::kActual:
      return std::round(motor_.position() * scale);
    case source::kOutput:
      return motor_.output() * 256.0;
    default:
      return 0.0;
  }
}

std::uint32_t Controller::word(char space, unsigned address) const {
  if (space == 'X' && address == kMotorStatus1)
    return bit(i_[iv::kActivated] != 0.0, 23) | bit(motor_.negativeLimit(), 22) |
           bit(motor_.positiveLimit(), 21) | bit(motor_.openLoopMode(), 18) |
           bit(motor_.moving(), 17) | bit(motor_.homing(), 10);
  if (space == 'Y' && address == kMotorStatus2)
    return bit(motor_.inPosition(), 0) | bit(motor_.fatalFollowingError(), 2) |
           bit(motor_.homeComplete(), 10) | bit(motor_.ampEnabled(), 14);
  if (space == 'X' && address == kCsStatus) return bit(cs_.running(), 0);
  auto it = memory_.find((static_cast<unsigned long>(space) << 16) | address);
  return it == memory_.end() ? 0u : it->second;
}

double Controller::read(char kind, int number) {
  if (number < 0 || number > 1023) throw SyntaxError("variable number out of range");
  switch (kind) {
    case 'I':
      return i_[number];
    case 'P':
      return p_[number];
    case 'Q':
      return q_[number];
    default: {
      const MDefinition& d = mdefs_[number];
      if (d.space == 0) return mSelf_[number];
      return static_cast<double>((word(d.space, d.address) >> d.bit) & ((1u << d.width) - 1u));
    }
  }
}

void Controller::write(char kind, int number, double value) {
  if (number < 0 || number > 1023) throw SyntaxError("variable number out of range");
  switch (kind) {
    case 'I':
      setI(number, value);
      break;
    case 'P':
      p_[number] = value;
      break;
    case 'Q':
      q_[number] = value;
      break;
    default: {
      const MDefinition& d = mdefs_[number];
      if (d.space == 0) {
        mSelf_[number] = value;
        break;
      }
      bool status = (d.space == 'X' && (d.address == kMotorStatus1 || d.address == kCsStatus)) ||
                    (d.space == 'Y' && d.address == kMotorStatus2);
      if (status) break;  // status bits are the controller's to set
      auto& w = memory_[(static_cast<unsigned long>(d.space) << 16) | d.address];
      std::uint32_t mask = ((1u << d.width) - 1u) << d.bit;
      w = (w & ~mask) | ((static_cast<std::uint32_t>(std::llround(value)) << d.bit) & mask);
    }
  }
}

bool Controller::setI(int number, double value) {
  if (number < 0 || number > 1023 || !std::isfinite(value)) return false;
  if (number == iv::kServoPeriod && (value < 1000 || value > 8388607)) return false;
  if (number == iv::kGatherPeriod && value < 1) return false;
  i_[number] = value;
  return true;
}

bool Controller::ampWillEnable() {
  if (faults_.ampWillNotEnable && faults_.ampWillNotEnable()) {
    emit("fault", {{"fault", "amp_enable"}});
    return false;
  }
  return true;
}

bool Controller::jogTo(double target) {
  if (faults_.settleShort && faults_.settleShort()) {
    motor_.bindNextMoveShort(config_.settleShortCounts);
    emit("fault", {{"fault", "settle_short"}, {"counts", config_.settleShortCounts}});
  }
  bool ok = motor_.jogTo(target, timeMs_, ampWillEnable());
  if (ok) emit("jog", {{"target", target}});
  return ok;
}

int Controller::run(int number) {
  if (cs_.running()) return 1;
  auto it = programs_.find(number);
  if (it == programs_.end() || !it->second.valid || !cs_.axisDefined()) return 3;
  if (!motor_.ampEnabled() || motor_.openLoopMode() || motor_.homing()) return 3;
  double cmd = motor_.commanded();
  cs_.start(it->second, timeMs_, cmd, i_[iv::kDefaultTa], i_[iv::kDefaultTs], i_[iv::kDefaultFeed]);
  runningProgram_ = number;
  motor_.drive(cmd, 0.0, 0.0, false);
  emit("program_start", {{"program", number}, {"position", motor_.position()}});
  return 0;
}

void Controller::abortProgram(const std::string& why) {
  if (!cs_.running()) return;
  cs_.abort();
  motor_.releaseFromProgram();
  emit("program_abort", {{"program", runningProgram_}, {"why", why}});
}

bool Controller::defineGather() { return gather_.define(i_); }

bool Controller::startGather() {
  bool ok = gather_.start(cycle_ + 1);
  if (ok) emit("gather_start", {{"period_cycles", i_[iv::kGatherPeriod]}});
  return ok;
}

void Controller::stopGather() {
  if (!gather_.running()) return;
  gather_.stop();
  emit("gather_stop", {{"samples", gather_.samples()}});
}

void Controller::deleteGather() { gather_.remove(); }

bool Controller::setQuickGather(unsigned mask) {
  if (mask == 0 || (mask & ~0x10101u) != 0) return false;
  int k = 0;
  if (mask & 0x1u) i_[iv::kGatherSource0 + k++] = source::kCommanded;
  if (mask & 0x100u) i_[iv::kGatherSource0 + k++] = source::kActual;
  if (mask & 0x10000u) i_[iv::kGatherSource0 + k++] = source::kOutput;
  i_[iv::kGatherMask] = (1 << k) - 1;
  return defineGather();
}

}  // namespace helx::sim::pmac
