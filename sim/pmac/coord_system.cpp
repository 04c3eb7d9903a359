#include "sim/pmac/coord_system.h"

#include <algorithm>
#include <cmath>

namespace helx::sim::pmac {

namespace {
constexpr int kStatementsPerCycle = 256;

double evaluate(const std::string& text, ProgramVariables& vars) {
  ExpressionParser parser(text, 0, &vars);
  return parser.argument();
}
}  // namespace

void CoordinateSystem::start(const Program& program, double tMs, double motorCommand,
                             double defaultTa, double defaultTs, double defaultFeed) {
  program_ = &program;
  pc_ = 0;
  running_ = true;
  incremental_ = false;
  timedMoves_ = false;
  ta_ = defaultTa;
  ts_ = defaultTs;
  feed_ = defaultFeed;
  tm_ = 0.0;
  base_ = motorCommand;
  inMove_ = false;
  dwellEnd_ = -1.0;
  moveStart_ = tMs;
}

AxisCommand CoordinateSystem::command(double tMs) const {
  AxisCommand c;
  c.position = base_;
  if (inMove_) {
    double tt = tMs - moveStart_;
    c.position = base_ + move_.position(tt);
    c.velocity = move_.velocity(tt);
    c.acceleration = move_.acceleration(tt);
    c.moving = !move_.done(tt);
  }
  return c;
}

AxisCommand CoordinateSystem::step(double tMs, ProgramVariables& vars, double feedTimeMs) {
  if (!running_ || program_ == nullptr) return command(tMs);
  const auto& st = program_->statements;
  for (int n = 0; n < kStatementsPerCycle; ++n) {
    if (inMove_) {
      if (!move_.done(tMs - moveStart_)) return command(tMs);
      base_ += move_.distance();
      inMove_ = false;
    }
    if (dwellEnd_ >= 0.0) {
      if (tMs < dwellEnd_) return command(tMs);
      dwellEnd_ = -1.0;
    }
    if (pc_ >= st.size()) {
      running_ = false;
      return command(tMs);
    }
    const Statement& s = st[pc_];
    switch (s.op) {
      case Op::Assign: {
        ExpressionParser parser(s.expr, 0, &vars);
        vars.write(s.var, s.number, parser.expression());
        ++pc_;
        break;
      }
      case Op::Inc:
        incremental_ = true;
        ++pc_;
        break;
      case Op::Abs:
        incremental_ = false;
        ++pc_;
        break;
      case Op::Linear:
        ++pc_;
        break;
      case Op::Ta:
        ta_ = evaluate(s.expr, vars);
        ++pc_;
        break;
      case Op::Ts:
        ts_ = evaluate(s.expr, vars);
        ++pc_;
        break;
      case Op::Tm:
        tm_ = evaluate(s.expr, vars);
        timedMoves_ = true;
        ++pc_;
        break;
      case Op::Feed:
        feed_ = evaluate(s.expr, vars);
        timedMoves_ = false;
        ++pc_;
        break;
      case Op::MoveX: {
        double value = evaluate(s.expr, vars);
        double scale = countsPerUnit_ != 0.0 ? countsPerUnit_ : 1.0;
        double target = incremental_ ? base_ + value * scale : value * scale;
        double distance = target - base_;
        double moveMs = timedMoves_   ? tm_
                        : feed_ > 0.0 ? std::fabs(distance / scale) / feed_ * feedTimeMs
                                      : 0.0;
        move_ = MoveProfile(distance, moveMs, ta_, ts_);
        moveStart_ = tMs;
        inMove_ = true;
        ++pc_;
        if (moveSink_) moveSink_({tMs, base_, target, move_.durationMs()});
        break;
      }
      case Op::Dwell:
        dwellEnd_ = tMs + std::max(0.0, evaluate(s.expr, vars));
        ++pc_;
        break;
      case Op::While:
      case Op::If: {
        ExpressionParser parser(s.expr, 0, &vars);
        pc_ = parser.condition() ? pc_ + 1 : static_cast<std::size_t>(s.jump);
        break;
      }
      case Op::Else:
      case Op::EndWhile:
        pc_ = static_cast<std::size_t>(s.jump);
        break;
      case Op::EndIf:
        ++pc_;
        break;
      case Op::Return:
        pc_ = st.size();
        break;
    }
  }
  return command(tMs);
}

}  // namespace helx::sim::pmac
