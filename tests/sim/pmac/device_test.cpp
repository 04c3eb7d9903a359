#include "sim/common/scene_hook.h"
#include "tests/sim/pmac/pmac_fixture.h"

namespace helx::sim::pmac::test {

using DeviceLink = PmacTest;

TEST_F(DeviceLink, TheSceneHookSeesTheScannerWhereTheControllerIs) {
  device->publishScanner();
  enable();
  send("#1J=3000");
  advance(0.05);
  double during = SceneHook::now().scannerCounts;
  EXPECT_GT(during, 0.0);
  EXPECT_LT(during, 3000.0);
  advance(5.0);
  EXPECT_NEAR(SceneHook::now().scannerCounts, number("#1P"), 0.1);
  device.reset();  // the hook outlives no controller
  EXPECT_EQ(SceneHook::now().scannerCounts, 0.0);
}

TEST_F(DeviceLink, AClosedLinkAnswersNothing) {
  device->close();
  EXPECT_FALSE(device->exchange("P1").has_value());
  EXPECT_FALSE(device->romVersion().has_value());
  ASSERT_TRUE(device->open());
  EXPECT_EQ(send("P1"), "0\r");
}

class NoReply : public PmacTest {
  nlohmann::json section() override {
    return {{"reply_timeout_ms", 300}, {"faults", {{"no_reply:#1P", {{"times", 1}}}}}};
  }
};

TEST_F(NoReply, ACommandThatGetsNoReplyFailsAfterTheTimeoutAndIsNotExecuted) {
  clock().setManual(false);
  clock().setScale(100.0);
  double before = clock().seconds();
  EXPECT_FALSE(device->exchange("#1 P").has_value());
  EXPECT_GE(clock().seconds() - before, 0.3);
  EXPECT_EQ(send("#1P"), "0.0\r");  // only once
  EXPECT_EQ(events("no_reply").size(), 1u);
}

class LostDevice : public PmacTest {
  nlohmann::json section() override { return {{"faults", {{"lost", {{"after", 2.0}}}}}}; }
};

TEST_F(LostDevice, ALostDeviceFailsEveryCallAtOnceAndForGood) {
  EXPECT_EQ(send("P1"), "0\r");
  advance(2.5);
  EXPECT_FALSE(device->exchange("P1").has_value());
  EXPECT_FALSE(device->setQuickGather(0x10101, true));
  EXPECT_FALSE(device->ivariable(108).has_value());
  device->close();
  EXPECT_FALSE(device->open());
  EXPECT_EQ(events("device_lost").size(), 1u);
}

}  // namespace helx::sim::pmac::test
