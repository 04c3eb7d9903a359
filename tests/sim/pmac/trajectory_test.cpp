#include "sim/pmac/trajectory.h"

#include <gtest/gtest.h>

#include <cmath>

using helx::sim::pmac::MoveProfile;

TEST(MoveProfile, ShortMoveTakesTwiceTheAccelerationTimeAndLandsExactly) {
  MoveProfile m(20.0, 2.0, 35.0, 17.0);  // a 2-unit step at 100 ms per step
  EXPECT_DOUBLE_EQ(m.durationMs(), 70.0);
  EXPECT_DOUBLE_EQ(m.position(0.0), 0.0);
  EXPECT_NEAR(m.position(35.0), 10.0, 1e-9);  // symmetric: half way at half time
  EXPECT_DOUBLE_EQ(m.position(70.0), 20.0);
  EXPECT_DOUBLE_EQ(m.position(1000.0), 20.0);
}

TEST(MoveProfile, SCurveStartsAndEndsWithZeroAccelerationAndIsMonotonic) {
  MoveProfile m(-500.0, 10.0, 100.0, 50.0);
  EXPECT_NEAR(m.acceleration(0.01), 0.0, 1e-3);
  EXPECT_NEAR(m.acceleration(m.durationMs() - 0.01), 0.0, 1e-3);
  double last = 0.0;
  for (double t = 0.0; t <= m.durationMs(); t += 0.5) {
    EXPECT_LE(m.position(t), last + 1e-9);
    last = m.position(t);
  }
  // Velocity is the derivative of position.
  double t = 40.0, h = 1e-3;
  EXPECT_NEAR(m.velocity(t), (m.position(t + h) - m.position(t - h)) / (2 * h), 1e-4);
}

TEST(MoveProfile, LongMoveCruisesAtTheFeedRate) {
  // 20000 counts at 500 counts/s: 40 s of cruise, 100 ms ramps.
  MoveProfile m(20000.0, 40000.0, 100.0, 50.0);
  EXPECT_DOUBLE_EQ(m.durationMs(), 40100.0);
  EXPECT_NEAR(m.velocity(20000.0), 0.5, 1e-9);
  EXPECT_NEAR(m.velocity(150.0), 0.5, 1e-9);
}

TEST(MoveProfile, WithoutSCurveTheAccelerationIsConstantDuringTheRamp) {
  MoveProfile m(1000.0, 1000.0, 100.0, 0.0);
  EXPECT_NEAR(m.acceleration(10.0), m.acceleration(90.0), 1e-12);
  EXPECT_NEAR(m.acceleration(10.0), 1.0 / 100.0, 1e-12);
}
