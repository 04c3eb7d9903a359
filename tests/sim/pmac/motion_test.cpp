#include "tests/sim/pmac/pmac_fixture.h"

namespace helx::sim::pmac::test {

using Motion = PmacTest;

TEST_F(Motion, JogTowardsTheNegativeLimitStopsThereAndStaysStopped) {
  enable();
  send("#1J-");
  ASSERT_TRUE(advanceUntil([&] { return send("M132") == "1\r"; }, 20.0));
  // The controller decelerates at the limit: the scanner comes to rest short of the hard stop.
  ASSERT_TRUE(advanceUntil([&] { return send("M140") == "1\r"; }, 5.0));
  double stopped = number("#1P");
  EXPECT_LT(stopped, -100000.0);
  EXPECT_GT(stopped, -104000.0);
  send("#1J-");  // further into the limit is refused silently
  advance(1.0);
  EXPECT_NEAR(number("#1P"), stopped, 20.0);
  EXPECT_EQ(send("M131"), "0\r");
  send("#1J+");  // away from it is fine
  ASSERT_TRUE(advanceUntil([&] { return send("M132") == "0\r"; }, 5.0));
  EXPECT_EQ(events("limit").size(), 1u);
}

TEST_F(Motion, HomingFindsTheFlagInABelievableTimeAndSetsHomeComplete) {
  double start = clock().seconds();
  homeLikeTheProgram();
  double took = clock().seconds() - start;
  EXPECT_GT(took, 3.0);  // the travel to the limit alone is some 3 s
  EXPECT_LT(took, 15.0);
  EXPECT_EQ(send("m145"), "1\r");
  EXPECT_NEAR(number("#1P"), 0.0, 10.0);
  EXPECT_EQ(events("home_trigger").size(), 1u);
  EXPECT_EQ(events("home_complete").size(), 1u);
  // Home is 75000 counts above the flag, so the flag sits at about -75000 in the new frame.
  send("#1J=-76000");
  ASSERT_TRUE(advanceUntil([&] { return send("m140") == "1\r"; }, 10.0));
  EXPECT_EQ(send("M132"), "0\r");
}

class FlagOutOfReach : public PmacTest {
  nlohmann::json section() override { return {{"home_flag", 400000}}; }
};

TEST_F(FlagOutOfReach, AHomeSearchThatHitsALimitFailsWithoutHomeComplete) {
  enable();
  send("#1HM m145->Y:$814,10");
  ASSERT_TRUE(advanceUntil([&] { return send("M131") == "1\r"; }, 20.0));
  advance(1.0);
  EXPECT_EQ(send("m145"), "0\r");
  EXPECT_EQ(events("home_failed").size(), 1u);
}

TEST_F(Motion, KillDropsTheAmplifierAndOpensTheLoop) {
  enable();
  send("#1K m139->Y:$814,14 m138->X:$3D,18");
  EXPECT_EQ(send("m139 m138"), "0\r1\r");
}

class AmplifierFault : public PmacTest {
  nlohmann::json section() override { return {{"faults", {{"amp_enable", {{"times", -1}}}}}}; }
};

TEST_F(AmplifierFault, AnAmplifierThatWillNotEnableReadsAsNotPowered) {
  enable();
  advance(0.1);
  send("m139->Y:$814,14");
  send("m138->X:$3D,18");
  EXPECT_EQ(send("m139"), "0\r");
  EXPECT_EQ(send("m138"), "1\r");
  send("j-");
  advance(1.0);
  EXPECT_NEAR(number("#1P"), 0.0, 0.5);
}

class SettlesShort : public PmacTest {
  nlohmann::json section() override {
    return {{"settle_short_counts", 12}, {"faults", {{"settle_short", {{"times", 1}}}}}};
  }
};

TEST_F(SettlesShort, ABindingMoveStopsShortAndNeverReportsInPosition) {
  enable();
  send("#1J=2000");
  advance(5.0);
  EXPECT_NEAR(number("#1P"), 1988.0, 0.5);
  EXPECT_EQ(send("M137 M140"), "0\r0\r");
  EXPECT_NEAR(number("#1F"), 12.0, 0.5);
  send("#1J=0");  // only one move binds
  ASSERT_TRUE(advanceUntil([&] { return send("M140") == "1\r"; }, 10.0));
  EXPECT_NEAR(number("#1P"), 0.0, 10.0);
}

}  // namespace helx::sim::pmac::test
