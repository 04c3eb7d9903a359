// The simulated controller over real TCP on loopback: framing across writes, the queue behind a
// program in instrument time, one client at a time, the scene hook, and the faults injected on
// the wire reaching the client as silence, a cut reply or a closed connection.
#include "sim/sixk/server.h"

#include <gtest/gtest.h>

#include <thread>

#include "platform/os/clock.h"
#include "sim/common/scene_hook.h"
#include "sim/common/settings.h"
#include "sim/common/sim_log.h"
#include "tests/sim/sixk/tcp_client.h"

namespace helx::sim::sixk {
namespace {

using namespace std::chrono_literals;
using test::TcpClient;

class ServerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Settings::instance().set({{"log", {{"path", ""}}}});  // the log in memory only
    SimLog::instance().reopen();
    os::Clock::instance().setManual(true);
    server = std::make_unique<Server>(defaultControllerConfig(), nlohmann::json::object(),
                                      ServerOptions{});
  }
  void TearDown() override {
    server.reset();
    os::Clock::instance().setManual(false);
  }
  // Polls (about every millisecond) until `done` holds or 5 s pass.
  template <typename F>
  bool eventually(F done) {
    auto deadline = std::chrono::steady_clock::now() + 5s;
    while (!done()) {
      if (std::chrono::steady_clock::now() > deadline) return false;
      std::this_thread::sleep_for(1ms);
    }
    return true;
  }
  std::unique_ptr<Server> server;
};

TEST_F(ServerTest, SeveralCommandsPerWriteAndOneSplitAcrossWrites) {
  TcpClient c(server->port());
  ASSERT_TRUE(c.ok());
  ASSERT_TRUE(c.send("DRIVE1111:1D-25:1G"));
  ASSERT_TRUE(c.send("O:!1TPE:!1TA"));
  ASSERT_TRUE(c.send("S.1:"));
  EXPECT_EQ(c.read(2), "+0\n1\n");  // time stands still: the move has only just begun
  os::Clock::instance().advance(1s);
  EXPECT_EQ(c.ask("!1TPE:"), "-25\n");
}

TEST_F(ServerTest, QueuedCommandsWaitForHomingInInstrumentTime) {
  TcpClient c(server->port());
  ASSERT_TRUE(c.send("DRIVE1111:SETUP:HOMING:PSET0,0,0,0:PESET0,0,0,0:"));
  std::string during = c.ask("!1TPE:");
  EXPECT_EQ(during, "+0\n");
  os::Clock::instance().advance(500ms);
  EXPECT_NE(c.ask("!1TPE:"), "+0\n");  // homing under way, not yet zeroed
  EXPECT_EQ(c.ask("!1TAS.1:"), "1\n");
  os::Clock::instance().advance(10s);
  // The serving thread finds the program over and runs the zeroing on its own.
  EXPECT_TRUE(eventually([&] {
    bool idle = false;
    server->inspect([&](Controller& ctl, double) { idle = !ctl.busy(); });
    return idle;
  }));
  EXPECT_EQ(c.ask("!1TPE:"), "+0\n");
  EXPECT_EQ(c.ask("!1TAS.1:"), "0\n");
}

TEST_F(ServerTest, ASecondClientIsTurnedAwayWhileTheFirstIsServed) {
  TcpClient first(server->port());
  ASSERT_TRUE(eventually([&] { return server->clientConnected(); }));
  TcpClient second(server->port());
  second.send("!1TPE:");
  EXPECT_EQ(second.read(1), "");
  EXPECT_TRUE(second.closed());
  EXPECT_EQ(first.ask("!1TPE:"), "+0\n");
}

TEST_F(ServerTest, ControllerStateOutlivesAConnection) {
  {
    TcpClient c(server->port());
    c.send("DRIVE1111:1D300:1GO:");
    c.ask("!1TPE:");
  }
  os::Clock::instance().advance(5s);
  ASSERT_TRUE(eventually([&] { return !server->clientConnected(); }));
  TcpClient again(server->port());
  EXPECT_EQ(again.ask("!1TPE:"), "+300\n");
}

TEST_F(ServerTest, GratingPositionReachesTheSceneHook) {
  TcpClient c(server->port());
  c.send("DRIVE1111:1D1234:1GO:");
  c.ask("!1TAS.1:");
  double before = SceneHook::now().gratingSteps;
  os::Clock::instance().advance(5s);
  EXPECT_DOUBLE_EQ(SceneHook::now().gratingSteps, before + 1234);
  server.reset();
  EXPECT_EQ(SceneHook::now().gratingSteps, 0.0);
}

TEST_F(ServerTest, NoReplyFaultSwallowsOneReply) {
  TcpClient c(server->port());
  server->faults().inject("NoReply", 1);
  // Replies keep their order: the first line to arrive answers the second query.
  c.send("!1TPE:!1TAS.1:");
  EXPECT_EQ(c.read(1), "0\n");
  EXPECT_EQ(c.ask("!1TPE:"), "+0\n");
}

TEST_F(ServerTest, ShortReplyFaultCutsTheReplyBeforeItsEnd) {
  TcpClient c(server->port());
  std::string whole = c.ask("!1TAS:");
  ASSERT_EQ(whole.size(), 40u);
  server->faults().inject("ShortReply", 1);
  c.send("!1TAS:!1TAS.1:");
  EXPECT_EQ(c.read(1), whole.substr(0, 19) + "0\n");
  server->faults().inject("ShortReply", 1, 0.0, 3);
  c.send("!1TAS:!1TAS.1:");
  EXPECT_EQ(c.read(1), whole.substr(0, 3) + "0\n");
}

TEST_F(ServerTest, DropConnectionFaultClosesWithoutExecuting) {
  TcpClient c(server->port());
  server->faults().inject("DropConnection", 1);
  c.send("OUT0010:");
  EXPECT_EQ(c.read(1), "");
  EXPECT_TRUE(c.closed());
  TcpClient again(server->port());
  EXPECT_EQ(again.ask("!TOUT:"), "0000\n");
}

TEST_F(ServerTest, FaultsComeFromTheSettingsSection) {
  server.reset();
  server = std::make_unique<Server>(defaultControllerConfig(),
                                    nlohmann::json::parse(R"({"NegativeLimitStuck": {}})"),
                                    ServerOptions{});
  TcpClient c(server->port());
  EXPECT_EQ(c.ask("!1TAS:").substr(15, 4), "1001");
}

TEST_F(ServerTest, CommandsAndConnectionsAreLogged) {
  SimLog::instance().clear();
  {
    TcpClient c(server->port());
    c.ask("!1TPE:");
  }
  ASSERT_TRUE(eventually([&] { return !server->clientConnected(); }));
  std::vector<std::string> seen;
  for (auto& e : SimLog::instance().entries("sixk")) seen.push_back(e["ev"]);
  EXPECT_EQ(seen, (std::vector<std::string>{"connected", "command", "disconnected"}));
}

}  // namespace
}  // namespace helx::sim::sixk
