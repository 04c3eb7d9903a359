#include "sim/pmac/ivars.h"

namespace helx::sim::pmac {

IVariables powerOnIVariables() {
  IVariables i{};
  i[iv::kServoPeriod] = 3703707;  // 0.44152 ms: 5 cycles make one 2.2076 ms gather sample
  i[iv::kGatherPeriod] = 5;
  i[iv::kActivated] = 1;
  i[iv::kPositionScale] = 96;
  i[iv::kVelocityScale] = 96;
  i[iv::kFatalFollowing] = 32000;
  i[iv::kLimitDecel] = 0.25;
  i[iv::kJogAccelTime] = 50;
  i[iv::kJogSCurve] = 50;
  i[iv::kJogSpeed] = 32;
  i[iv::kHomeSpeed] = 32;
  i[iv::kInPositionBand] = 160;
  i[iv::kKp] = 40000;
  i[iv::kKd] = 1800;
  i[iv::kKvff] = 1800;
  i[iv::kKi] = 40000;
  i[iv::kDacLimit] = 32767;
  i[iv::kDefaultTa] = 10;
  i[iv::kDefaultFeed] = 1000;
  i[iv::kFeedTime] = 1000;
  return i;
}

}  // namespace helx::sim::pmac
