// The controller library against the simulated controller over loopback TCP: the program's own
// command sequences and reply offsets, and every injected fault reaching the caller as a failed
// call or an empty reply.
#include "platform/dll6k/dll6k.h"

#include <gtest/gtest.h>

#include "platform/os/clock.h"
#include "sim/common/settings.h"
#include "sim/common/sim_log.h"
#include "sim/sixk/server.h"
#include "tests/platform/dll6k/link_fixture.h"

namespace helx::dll6k {
namespace {

using test::encoderValue;
using test::eventually;
using test::query;
using test::queryOnce;

class Dll6kTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // The controller's motion runs 50 times faster than real time.
    os::Clock::instance().setScale(50.0);
    sim::Settings::instance().set({{"sixk", {{"autostart", false}}}, {"log", {{"path", ""}}}});
    server = std::make_unique<sim::sixk::Server>(
        sim::sixk::defaultControllerConfig(), nlohmann::json::object(), sim::sixk::ServerOptions{});
    address = "127.0.0.1:" + std::to_string(server->port());
    ASSERT_NE(Open_6KE(address.c_str()), 0);
  }
  void TearDown() override {
    Close_6KE();
    server.reset();
    os::Clock::instance().setScale(1.0);
  }
  bool moving() { return query("!1TAS.1:")[0] != '0'; }
  void moveGrating(int steps) {
    Write_6KE(("1D" + std::to_string(steps) + ":").c_str());
    Write_6KE("1GO:");
    ASSERT_TRUE(eventually([&] { return !moving(); }));
  }
  std::unique_ptr<sim::sixk::Server> server;
  std::string address;
};

TEST_F(Dll6kTest, PowerUpSequenceHomesZeroesAndOpensTheHatch) {
  EXPECT_NE(Initialize_6KE(), 0);
  EXPECT_EQ(query("!1TAS:")[15], '1');  // drives still shut down
  Write_6KE("DRIVE1111:");
  EXPECT_EQ(query("!1TAS:")[15], '0');
  Write_6KE("SETUP:");
  os::Clock::instance().sleepForSeconds(1.0);
  Write_6KE("HOMING:");
  // The program's 5 s count from when the controller read HOMING, which its thread may do late;
  // a reply to a later command says it has.
  query("!1TAS.1:");
  os::Clock::instance().sleepForSeconds(5.0);
  Write_6KE("PSET0,0,0,0:");
  Write_6KE("PESET0,0,0,0:");
  Write_6KE("OUT0010:");
  EXPECT_EQ(encoderValue(query("!1TPE:")), 0);
  EXPECT_EQ(query("!1TAS:")[5], '1');                                  // homed
  EXPECT_TRUE(eventually([] { return query("!TIN:") == "1000\n"; }));  // hatch open switch
  Write_6KE("OUT0001:");
  EXPECT_TRUE(eventually([] { return query("!TIN:") == "0100\n"; }));
}

TEST_F(Dll6kTest, ZeroingQueuedBehindHomingWaitsForIt) {
  Write_6KE("DRIVE1111:");
  // No wait after HOMING: the controller itself holds the zeroing back.
  Write_6KE("HOMING:");
  Write_6KE("PSET0,0,0,0:");
  Write_6KE("PESET0,0,0,0:");
  EXPECT_TRUE(eventually([] { return query("!1TAS.1:")[0] == '0'; }));
  EXPECT_EQ(encoderValue(query("!1TPE:")), 0);
  EXPECT_EQ(encoderValue(query("!2TPE:")), 0);
}

TEST_F(Dll6kTest, GratingMovesFollowTheEncoderAndStopAtTheNegativeLimit) {
  Write_6KE("DRIVE1111:");
  moveGrating(100);
  moveGrating(100);
  EXPECT_EQ(encoderValue(query("!1TPE:")), 200);
  moveGrating(-50000);
  std::string tas = query("!1TAS:");
  EXPECT_EQ(tas[17], '0');
  EXPECT_EQ(tas[18], '1');
  long pos = encoderValue(query("!1TPE:"));
  EXPECT_LT(pos, -8000);  // 6000 steps above home at power-on, the switch 2000 below it
  EXPECT_GT(pos, -8200);
  std::string reply = query("!1TPE:");
  EXPECT_EQ(reply, std::to_string(pos) + "\n");
}

TEST_F(Dll6kTest, JogOfAnotherAxisWithTheSpaceBeforeTheColon) {
  Write_6KE("DRIVE1111:");
  Write_6KE("!S:");
  Write_6KE("3D-40 :");
  Write_6KE("3GO:");
  EXPECT_TRUE(eventually([] { return query("!3TPE:") == "-40\n"; }));
  Write_6KE("!S:");
  Write_6KE("MC0000:");
  EXPECT_EQ(query("!1TAS:").substr(0, 9), "0000_0000");
}

TEST_F(Dll6kTest, SilentControllerGivesAnEmptyReply) {
  server->faults().inject("NoReply", 1);
  EXPECT_EQ(queryOnce("!1TPE:"), "");
  EXPECT_EQ(query("!1TPE:"), "+0\n");
}

TEST_F(Dll6kTest, ReplyCutShortIsDroppedNotMisread) {
  server->faults().inject("ShortReply", 1);
  EXPECT_EQ(queryOnce("!1TAS:"), "");  // 19 characters, offsets 15 to 18 among them
  Write_6KE("DRIVE1111:");
  moveGrating(1234);
  server->faults().inject("ShortReply", 1, 0.0, 2);
  EXPECT_EQ(queryOnce("!1TPE:"), "");  // "+1" would read as the wrong position
  EXPECT_EQ(query("!1TPE:"), "+1234\n");
}

TEST_F(Dll6kTest, DroppedConnectionFailsWritesAndEmptiesReads) {
  sim::SimLog::instance().clear();
  server->faults().inject("DropConnection", 1);
  EXPECT_EQ(queryOnce("!1TPE:"), "");
  // The controller closes on its own thread; the calls below are to meet a closed connection.
  ASSERT_TRUE(eventually([] {
    for (auto& e : sim::SimLog::instance().entries("sixk"))
      if (e["ev"] == "disconnected") return true;
    return false;
  }));
  EXPECT_EQ(Write_6KE("!1TPE:"), 0);
  char buffer[1024] = "junk";
  EXPECT_EQ(Read_HS(buffer), 0);
  EXPECT_STREQ(buffer, "");
  EXPECT_EQ(Initialize_6KE(), 0);
  EXPECT_NE(Close_6KE(), 0);
  // The controller is still there: a new connection works.
  ASSERT_NE(Open_6KE(address.c_str()), 0);
  EXPECT_EQ(query("!1TPE:"), "+0\n");
}

TEST_F(Dll6kTest, ControllerThatGoesAwayFailsTheLink) {
  server.reset();
  EXPECT_EQ(queryOnce("!1TPE:"), "");
  EXPECT_EQ(Write_6KE("!1TPE:"), 0);
  Close_6KE();
  EXPECT_EQ(Open_6KE(address.c_str()), 0);  // nothing listens; autostart is off here
}

TEST_F(Dll6kTest, StuckLimitSwitchShowsAtItsOffset) {
  server->faults().inject("PositiveLimitStuck", -1, 0.0, 1);
  std::string tas = query("!1TAS:");
  EXPECT_EQ(tas[17], '1');
  EXPECT_EQ(tas[18], '0');
  Write_6KE("DRIVE1111:");
  Write_6KE("1D500:");
  Write_6KE("1GO:");
  EXPECT_EQ(query("!1TAS.1:"), "0\n");  // the controller refuses to drive into it
  EXPECT_EQ(query("!1TPE:"), "+0\n");
}

TEST_F(Dll6kTest, EndlessMoveEndsOnlyWithStop) {
  server->faults().inject("EndlessMove", 1, 0.0, 1);
  Write_6KE("DRIVE1111:");
  Write_6KE("1D100:");
  Write_6KE("1GO:");
  // The 2 s count from when the controller read GO, which its thread may do late.
  ASSERT_EQ(query("!1TAS.1:"), "1\n");
  os::Clock::instance().sleepForSeconds(2.0);  // the move itself takes 0.05 s
  EXPECT_EQ(query("!1TAS.1:"), "1\n");
  EXPECT_EQ(query("!1TPE:"), "+100\n");
  Write_6KE("!S:");
  EXPECT_EQ(query("!1TAS.1:"), "0\n");
}

TEST_F(Dll6kTest, ReopenReplacesTheConnection) {
  ASSERT_NE(Open_6KE(address.c_str()), 0);
  EXPECT_EQ(query("!TOUT:"), "0000\n");
}

TEST(Dll6kUnconnected, CallsFailAndLeaveAnEmptyReply) {
  char buffer[1024] = "junk";
  EXPECT_EQ(Read_HS(buffer), 0);
  EXPECT_STREQ(buffer, "");
  EXPECT_EQ(Read_HS(nullptr), 0);
  EXPECT_EQ(Write_6KE("!1TPE:"), 0);
  EXPECT_EQ(Initialize_6KE(), 0);
  EXPECT_EQ(Close_6KE(), 0);
  // No address (a missing address file) and malformed ones fail without touching the network.
  EXPECT_EQ(Open_6KE(nullptr), 0);
  for (const char* bad :
       {"", "   ", "controller", "1.2.3", "1.2.3.4:", "1.2.3.4:65536", "1.2.3.4:x"})
    EXPECT_EQ(Open_6KE(bad), 0) << bad;
}

}  // namespace
}  // namespace helx::dll6k
