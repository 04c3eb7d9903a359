// The scan poll's speed: a read-out that changes once per servo period must not read as rest
// between two looks within one period.
#include "scanner/speed_estimate.h"

#include <gtest/gtest.h>

#include <cmath>

TEST(SpeedEstimate, MeasuresOverTheSpanSoThatAServoPeriodsStepIsNeverRest) {
  // A scanner at 2 counts/ms whose read-out moves in 0.44 ms jumps, looked at every 0.3 ms.
  const double period = 0.00044, span = 1.25 * period;
  SpeedEstimate speed(span);
  int looks = 0, unknown = 0;
  for (double t = 0; t < 0.02; t += 0.0003, ++looks) {
    const double counts = 2000.0 * period * std::floor(t / period);
    const double v = speed.look(t, counts);
    if (std::isinf(v)) {
      ++unknown;
      EXPECT_LT(t, span + 1e-9) << "a look older than the span was there at " << t;
      continue;
    }
    EXPECT_GT(v, 0.5) << "read as still at " << t;
    EXPECT_LT(v, 4.0) << "at " << t;
  }
  EXPECT_EQ(unknown, 2);  // looks at 0 and 0.3 ms have no look a span older
  // At rest, the same read-out for longer than the span is zero speed.
  SpeedEstimate still(span);
  for (double t = 0; t < 0.003; t += 0.0003) still.look(t, 812.4);
  EXPECT_EQ(still.look(0.003, 812.4), 0.0);
}
