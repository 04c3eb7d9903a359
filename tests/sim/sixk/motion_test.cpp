// Motion physics of one axis: trajectories, limit switches, homing, counters and status bits.
#include <gtest/gtest.h>

#include "sim/sixk/axis.h"
#include "sim/sixk/trajectory.h"

namespace helx::sim::sixk {
namespace {

TEST(Trajectory, TrapezoidTakesDistanceOverSpeedPlusRampTime) {
  // 10000 steps at 1000 steps/s with 500 steps/s^2: 2 s ramps up and down, 8 s cruise.
  auto tr = Trajectory::moveTo(1.0, {0, 0, 0}, 10000, 1000, 500);
  EXPECT_NEAR(tr.endTime(), 1.0 + 10000.0 / 1000 + 1000.0 / 500, 1e-9);
  EXPECT_NEAR(tr.at(2.0).position, 250.0, 1e-6);  // half a ramp: a t^2 / 2
  EXPECT_NEAR(tr.at(5.0).velocity, 1000.0, 1e-9);
  EXPECT_EQ(tr.at(100.0).position, 10000.0);
  EXPECT_EQ(tr.at(100.0).velocity, 0.0);
}

TEST(Trajectory, ShortMoveNeverReachesFullSpeed) {
  auto tr = Trajectory::moveTo(0.0, {0, 0, 0}, -100, 1000, 100);
  EXPECT_NEAR(tr.endTime(), 2.0, 1e-9);  // 2 sqrt(d / a)
  EXPECT_NEAR(tr.at(1.0).velocity, -100.0, 1e-9);
  EXPECT_NEAR(tr.at(1.0).position, -50.0, 1e-9);
}

TEST(Trajectory, NewTargetBehindAMovingAxisBrakesFirstThenReturns) {
  MotionState moving{0, 1000, 0};
  auto tr = Trajectory::moveTo(0.0, moving, -500, 1000, 1000);
  // Braking from 1000 steps/s at 1000 steps/s^2 carries it 500 steps further.
  EXPECT_NEAR(tr.at(1.0).position, 500.0, 1e-9);
  EXPECT_NEAR(tr.at(1.0).velocity, 0.0, 1e-9);
  EXPECT_EQ(tr.endPosition(), -500.0);
  EXPECT_LT(tr.at(2.0).velocity, 0.0);
}

TEST(Trajectory, StopAndCrossings) {
  auto stop = Trajectory::stop(0.0, {100, -200, 0}, 400);
  EXPECT_NEAR(stop.endTime(), 0.5, 1e-12);
  EXPECT_NEAR(stop.endPosition(), 50.0, 1e-12);

  auto tr = Trajectory::moveTo(0.0, {0, 0, 0}, 1000, 100, 100);
  auto up = tr.firstCrossing(500, +1);
  ASSERT_TRUE(up);
  EXPECT_NEAR(tr.at(*up).position, 500.0, 1e-9);
  EXPECT_FALSE(tr.firstCrossing(500, -1));
  EXPECT_FALSE(tr.firstCrossing(1500, +1));

  auto run = Trajectory::run(0.0, {0, 0, 0}, -1, 100, 100);
  EXPECT_EQ(run.endTime(), Trajectory::kForever);
  EXPECT_NEAR(run.at(11.0).position, -50.0 - 1000.0, 1e-9);
}

AxisConfig grating() {
  AxisConfig c;
  c.velocity = 1000;
  c.acceleration = 1000;
  c.limitDeceleration = 100000;
  c.positiveLimit = 5000;
  c.negativeLimit = -1000;
  c.start = 2000;
  c.homeVelocity = 1000;
  c.homeFinalVelocity = 100;
  return c;
}

TEST(Axis, CountersReadZeroAtPowerOnAndFollowPsetAndPeset) {
  Axis a(grating());
  EXPECT_EQ(a.encoderPosition(0), 0);
  EXPECT_EQ(a.commandedPosition(0), 0);
  a.setDrive(0, true);
  a.setDistance(-250);
  ASSERT_EQ(a.go(0, {}), GoOutcome::Started);
  EXPECT_EQ(a.encoderPosition(10), -250);
  a.setCommandedPosition(10, 7);
  a.setEncoderPosition(10, -3);
  EXPECT_EQ(a.commandedPosition(10), 7);
  EXPECT_EQ(a.encoderPosition(10), -3);
  EXPECT_EQ(a.position(10), 1750.0);  // the motor itself did not move
}

TEST(Axis, RefusesToMoveWithItsDriveShutDown) {
  Axis a(grating());
  a.setDistance(100);
  EXPECT_EQ(a.go(0, {}), GoOutcome::DriveOff);
  EXPECT_EQ(a.status(0, {})[15], '1');  // bit 13
  a.setDrive(0, true);
  EXPECT_EQ(a.status(0, {})[15], '0');
  ASSERT_EQ(a.go(0, {}), GoOutcome::Started);
  a.setDrive(0.05, false);  // power cut mid-move: it stops where it is
  EXPECT_FALSE(a.moving(0.06));
  EXPECT_LT(a.position(1.0), 2100.0);
}

TEST(Axis, RunningOntoALimitBrakesPastTheSwitchAndBlocksThatDirection) {
  Axis a(grating());
  a.setDrive(0, true);
  a.setDistance(10000);
  ASSERT_EQ(a.go(0, {}), GoOutcome::Started);
  EXPECT_TRUE(a.stoppedByLimit());
  double rest = a.restTime();
  EXPECT_LT(rest, 10.0);  // far sooner than the full move
  double x = a.position(rest);
  EXPECT_GT(x, 5000.0);
  EXPECT_LT(x, 5000.0 + 10.0);  // 1000^2 / (2 * 100000) = 5 steps of overrun
  EXPECT_TRUE(a.positiveSwitch(rest));
  std::string s = a.status(rest, {});
  EXPECT_EQ(s[17], '1');
  EXPECT_EQ(s[18], '0');

  a.setDistance(10);
  EXPECT_EQ(a.go(rest, {true, false}), GoOutcome::AtLimit);
  a.setDistance(-1000);
  EXPECT_EQ(a.go(rest, {true, false}), GoOutcome::Started);
  EXPECT_FALSE(a.positiveSwitch(a.restTime()));
}

TEST(Axis, AStuckSwitchBlocksOnlyItsOwnDirection) {
  Axis a(grating());
  a.setDrive(0, true);
  a.setDistance(-100);
  EXPECT_EQ(a.go(0, {false, true}), GoOutcome::AtLimit);
  EXPECT_EQ(a.status(0, {false, true})[18], '1');
  a.setDistance(100);
  EXPECT_EQ(a.go(0, {false, true}), GoOutcome::Started);
}

TEST(Axis, HomingSearchesTheSwitchAndEndsOnItsEdge) {
  Axis a(grating());
  a.setDrive(0, true);
  ASSERT_TRUE(a.home(0));
  double end = a.restTime();
  EXPECT_GT(end, 2.0);  // 2000 steps at 1000 steps/s, then a slow final approach
  EXPECT_LT(end, 10.0);
  EXPECT_LT(a.position(end * 0.8), 0.0);  // it overran the edge before creeping back
  EXPECT_EQ(a.position(end), 0.0);
  EXPECT_TRUE(a.homed(end));
  EXPECT_FALSE(a.homed(end - 0.1));
  EXPECT_EQ(a.status(end, {})[5], '1');  // bit 5, home successful
  EXPECT_TRUE(a.homeSwitch(end));
}

TEST(Axis, HomingFromBelowHomeCreepsUpToTheEdge) {
  AxisConfig c = grating();
  c.start = -200;
  Axis a(c);
  a.setDrive(0, true);
  ASSERT_TRUE(a.home(0));
  EXPECT_GT(a.restTime(), 200.0 / 100);  // the whole way at the final-approach speed
  EXPECT_EQ(a.position(a.restTime()), 0.0);
}

TEST(Axis, HomingThatRunsIntoALimitFails) {
  AxisConfig c = grating();
  c.negativeLimit = -100;  // closer than the overrun past the home edge (500 steps)
  Axis a(c);
  a.setDrive(0, true);
  ASSERT_TRUE(a.home(0));
  EXPECT_TRUE(a.stoppedByLimit());
  EXPECT_FALSE(a.homed(100));
}

TEST(Axis, MovingBitsDuringAMove) {
  Axis a(grating());
  a.setDrive(0, true);
  a.setDistance(-1500);
  a.go(0, {});
  std::string accelerating = a.status(0.5, {});
  EXPECT_EQ(accelerating.substr(0, 4), "1110");  // moving, negative, accelerating
  std::string cruising = a.status(1.2, {});
  EXPECT_EQ(cruising.substr(0, 4), "1101");
  EXPECT_EQ(a.status(10, {})[0], '0');
  a.setDistance(100);
  a.go(10, {});
  a.neverSettle();
  EXPECT_TRUE(a.moving(1000));
  a.stop(1000);
  EXPECT_FALSE(a.moving(1000));
}

TEST(Axis, ContinuousModeRunsUntilStopped) {
  Axis a(grating());
  a.setDrive(0, true);
  a.setContinuous(true);
  a.setDistance(-1);
  a.go(0, {});
  EXPECT_TRUE(a.moving(0.2));
  a.stop(0.2);
  EXPECT_FALSE(a.moving(0.41));
  EXPECT_EQ(a.status(0.5, {})[7], '1');  // bit 7, continuous
}

}  // namespace
}  // namespace helx::sim::sixk
