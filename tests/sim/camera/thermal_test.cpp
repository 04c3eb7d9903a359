// The cooler: the path from ambient to a stable set point, warming, and set points the cooler
// cannot reach.
#include "sim/camera/thermal.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace helx::sim::camera {
namespace {

struct Trace {
  std::vector<ThermalStatus> statuses;  // each change, in order
  std::vector<double> changedAt;
  double lastTemperature = 0.0;
  bool monotonic = true;
};

// Samples the model every 0.05 s over [from, to].
Trace follow(const ThermalModel& m, double from, double to, double direction) {
  Trace t;
  double previous = m.temperature(from);
  for (double now = from; now <= to; now += 0.05) {
    const double temperature = m.temperature(now);
    if ((temperature - previous) * direction < -1e-9) t.monotonic = false;
    previous = temperature;
    const ThermalStatus s = m.status(now);
    if (t.statuses.empty() || t.statuses.back() != s) {
      t.statuses.push_back(s);
      t.changedAt.push_back(now);
    }
  }
  t.lastTemperature = previous;
  return t;
}

TEST(Thermal, CoolingPassesNotReachedNotStabilisedThenStabilised) {
  ThermalConfig config;
  ThermalModel m(config, 10.0);
  EXPECT_EQ(m.status(10.0), ThermalStatus::Off);
  EXPECT_DOUBLE_EQ(m.temperature(10.0), config.ambient);
  m.setTarget(-30, 10.0);
  m.setCooler(true, 10.0);
  const Trace t = follow(m, 10.0, 200.0, -1.0);
  ASSERT_EQ(t.statuses, (std::vector{ThermalStatus::NotReached, ThermalStatus::NotStabilised,
                                     ThermalStatus::Stabilised}));
  EXPECT_TRUE(t.monotonic);
  EXPECT_NEAR(t.lastTemperature, -30.0, 0.01);
  // Entering the band: within it of the set point; stable only after holding it.
  EXPECT_LT(std::fabs(m.temperature(t.changedAt[1]) + 30.0), config.band);
  EXPECT_GT(std::fabs(m.temperature(t.changedAt[1] - 0.1) + 30.0), config.band - 0.3);
  EXPECT_NEAR(t.changedAt[2] - t.changedAt[1], config.hold, 0.06);
  // A believable, not tedious, rate: 50 degrees in less than a minute, not in a second.
  EXPECT_GT(t.changedAt[2] - 10.0, 20.0);
  EXPECT_LT(t.changedAt[2] - 10.0, 60.0);
  EXPECT_LT(std::fabs(std::lround(m.temperature(t.changedAt[2])) + 30.0), 0.5);
}

TEST(Thermal, WarmsWhenTheCoolerIsOffOrTheSetPointIsAbove) {
  ThermalConfig config;
  ThermalModel m(config, 0.0);
  m.setTarget(-30, 0.0);
  m.setCooler(true, 0.0);
  ASSERT_EQ(m.status(100.0), ThermalStatus::Stabilised);

  // Warm-up before shutdown: set point 5 with the cooler on.
  m.setTarget(5, 100.0);
  EXPECT_EQ(m.status(100.0), ThermalStatus::NotReached);
  Trace up = follow(m, 100.0, 200.0, +1.0);
  EXPECT_TRUE(up.monotonic);
  EXPECT_EQ(up.statuses.back(), ThermalStatus::Stabilised);
  EXPECT_NEAR(up.lastTemperature, 5.0, 0.01);

  // Cooler off: back towards ambient, never beyond it.
  m.setCooler(false, 200.0);
  EXPECT_EQ(m.status(200.0), ThermalStatus::Off);
  Trace off = follow(m, 200.0, 600.0, +1.0);
  EXPECT_TRUE(off.monotonic);
  EXPECT_EQ(off.statuses, std::vector{ThermalStatus::Off});
  EXPECT_GT(off.lastTemperature, config.ambient - 0.5);
  EXPECT_LE(off.lastTemperature, config.ambient);
}

TEST(Thermal, ASetPointBelowWhatTheFanAllowsIsNeverReached) {
  ThermalConfig config;
  ThermalModel m(config, 0.0);
  m.setFan(2, 0.0);  // fan off: the cooler pulls at most reach[2] below ambient
  m.setTarget(-70, 0.0);
  m.setCooler(true, 0.0);
  const Trace t = follow(m, 0.0, 300.0, -1.0);
  EXPECT_EQ(t.statuses, std::vector{ThermalStatus::NotReached});
  EXPECT_NEAR(t.lastTemperature, config.ambient - config.reach[2], 0.01);
  // With the fan on high again the same set point is reached.
  m.setFan(0, 300.0);
  EXPECT_EQ(follow(m, 300.0, 400.0, -1.0).statuses.back(), ThermalStatus::Stabilised);
}

TEST(Thermal, AFanChangeThatKeepsTheSetPointReachableKeepsStability) {
  ThermalModel m(ThermalConfig{}, 0.0);
  m.setTarget(-30, 0.0);
  m.setCooler(true, 0.0);
  ASSERT_EQ(m.status(100.0), ThermalStatus::Stabilised);
  m.setFan(1, 100.0);
  EXPECT_EQ(m.status(100.0), ThermalStatus::Stabilised);
  EXPECT_NEAR(m.temperature(150.0), -30.0, 0.01);
  // A new set point starts the sequence again.
  m.setTarget(-40, 150.0);
  EXPECT_EQ(m.status(150.0), ThermalStatus::NotReached);
}

}  // namespace
}  // namespace helx::sim::camera
