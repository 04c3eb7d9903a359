// The controller's command language: framing, parsing, the queue behind stored programs,
// replies at fixed offsets, the hatch outputs and the injected axis faults. Time is passed in.
#include "sim/sixk/controller.h"

#include <gtest/gtest.h>

#include <set>

#include "sim/sixk/command.h"
#include "sim/sixk/config.h"

namespace helx::sim::sixk {
namespace {

TEST(CommandFraming, SplitsOnColonsAcrossAndWithinWrites) {
  CommandSplitter s;
  EXPECT_EQ(s.feed("DRIVE1111:1D10"), std::vector<std::string>{"DRIVE1111"});
  EXPECT_EQ(s.feed("0 :1GO:\r\n:"), (std::vector<std::string>{"1D100 ", "1GO"}));
  std::string noise(CommandSplitter::kMaxLength + 10, 'x');
  EXPECT_TRUE(s.feed(noise + ":").empty());
  EXPECT_EQ(s.dropped(), 1);
  EXPECT_EQ(s.feed("!S:"), std::vector<std::string>{"!S"});
}

TEST(CommandParsing, SplitsImmediateAxisMnemonicAndArgument) {
  auto c = parseCommand("!1TAS.1");
  ASSERT_TRUE(c);
  EXPECT_TRUE(c->immediate);
  EXPECT_EQ(c->axis, 1);
  EXPECT_EQ(c->name, "TAS");
  EXPECT_EQ(c->bit, 1);
  c = parseCommand("3D-40 ");
  ASSERT_TRUE(c);
  EXPECT_FALSE(c->immediate);
  EXPECT_EQ(c->axis, 3);
  EXPECT_EQ(c->name, "D");
  EXPECT_EQ(c->argument, "-40");
  c = parseCommand("pset0,0,0,0");
  ASSERT_TRUE(c);
  EXPECT_EQ(c->name, "PSET");
  EXPECT_EQ(splitFields(c->argument), (std::vector<std::string>{"0", "0", "0", "0"}));
  EXPECT_EQ(splitFields("5,,7"), (std::vector<std::string>{"5", "", "7"}));
  EXPECT_FALSE(parseCommand("  "));
  EXPECT_FALSE(parseCommand("9GO"));
  EXPECT_FALSE(parseCommand("12GO"));
  EXPECT_FALSE(parseCommand("!"));
}

struct Rig {
  std::vector<std::pair<std::string, nlohmann::json>> events;
  std::set<std::pair<std::string, int>> faults;
  Controller c{defaultControllerConfig(),
               [this](const std::string& e, nlohmann::json f) { events.emplace_back(e, f); },
               [this](const std::string& f, int axis) {
                 return faults.count({f, axis}) > 0;
               }};

  std::string ask(const std::string& command, double t) {
    c.submit(command, t);
    auto r = c.takeReplies();
    return r.empty() ? "<none>" : r.front();
  }
  long encoder(int axis, double t) { return std::stol(ask("!" + std::to_string(axis) + "TPE", t)); }
  int count(const std::string& event) {
    int n = 0;
    for (auto& e : events) n += e.first == event;
    return n;
  }
};

TEST(ControllerReplies, StatusEncoderAndMovingBitInTheirFormats) {
  Rig r;
  std::string tas = r.ask("!1TAS", 0);
  ASSERT_EQ(tas.size(), 40u);
  EXPECT_EQ(tas.back(), '\n');
  for (std::size_t i : {4u, 9u, 14u, 19u, 24u, 29u, 34u}) EXPECT_EQ(tas[i], '_') << i;
  EXPECT_EQ(tas[15], '1');  // drives are shut down at power-on
  EXPECT_EQ(r.ask("!1TPE", 0), "+0\n");
  EXPECT_EQ(r.ask("!1TAS.1", 0), "0\n");
  EXPECT_EQ(r.ask("!TPE", 0), "+0,+0,+0,+0\n");
  EXPECT_EQ(r.ask("!TOUT", 0), "0000\n");
  EXPECT_EQ(r.ask("!TIN", 0), "0100\n");  // hatch closed
  EXPECT_NE(r.ask("!TREV", 0), "<none>");
}

TEST(ControllerReplies, CommandsThatAreNotReportsOrNotUnderstoodAnswerNothing) {
  Rig r;
  for (const char* cmd : {"DRIVE1111", "1D100", "MC0000", "XYZZY", "OUT0010", "2GO"})
    EXPECT_EQ(r.ask(cmd, 0), "<none>") << cmd;
  EXPECT_EQ(r.count("unknown"), 1);
}

TEST(ControllerMotion, RelativeMovesAccumulateAndReportNegativePositions) {
  Rig r;
  r.c.submit("DRIVE1111", 0);
  r.c.submit("1D-1000", 0);
  r.c.submit("1GO", 0);
  EXPECT_EQ(r.ask("!1TAS.1", 0.05), "1\n");
  EXPECT_EQ(r.ask("!1TAS.1", 5), "0\n");
  EXPECT_EQ(r.encoder(1, 5), -1000);
  r.c.submit("1GO", 5);
  EXPECT_EQ(r.encoder(1, 10), -2000);
  // Axes 2 to 4 take the jog form with a space before the colon.
  r.c.submit("3D-40 ", 10);
  r.c.submit("3GO", 10);
  EXPECT_EQ(r.encoder(3, 12), -40);
  EXPECT_EQ(r.encoder(2, 12), 0);
}

TEST(ControllerMotion, DrivingTheGratingBackOntoItsNegativeLimitShowsAtOffset18) {
  Rig r;
  r.c.submit("DRIVE1111", 0);
  r.c.submit("1D-50000", 0);
  r.c.submit("1GO", 0);
  std::string tas = r.ask("!1TAS", 30);
  EXPECT_EQ(tas[0], '0');
  EXPECT_EQ(tas[15], '0');
  EXPECT_EQ(tas[17], '0');
  EXPECT_EQ(tas[18], '1');
  // 6000 steps above home at power-on, the switch 2000 below it.
  EXPECT_LT(r.encoder(1, 30), -8000);
  EXPECT_GT(r.encoder(1, 30), -8200);
  r.c.submit("1D-10", 30);
  r.c.submit("1GO", 30);
  EXPECT_EQ(r.ask("!1TAS.1", 30), "0\n");
  EXPECT_EQ(r.count("refused"), 1);
}

TEST(ControllerQueue, PsetAfterHomingZeroesOnceHomingIsOver) {
  Rig r;
  r.c.submit("DRIVE1111", 0);
  r.c.submit("SETUP", 0);
  r.c.submit("HOMING", 0);
  r.c.submit("PSET0,0,0,0", 0);
  r.c.submit("PESET0,0,0,0", 0);
  EXPECT_EQ(r.c.runningProgram(), "HOMING");
  // Immediate commands answer during the program; the queued ones wait.
  EXPECT_EQ(r.ask("!1TAS.1", 0.5), "1\n");
  long during = r.encoder(1, 0.5);
  EXPECT_LT(during, -100);  // on its way home from 6000 steps up
  EXPECT_TRUE(r.c.busy());
  r.c.advanceTo(20);
  EXPECT_FALSE(r.c.busy());
  for (int axis = 1; axis <= 4; ++axis) {
    EXPECT_EQ(r.encoder(axis, 20), 0) << axis;
    EXPECT_EQ(r.c.axis(axis).position(20), 0.0) << axis;
    EXPECT_EQ(r.ask("!" + std::to_string(axis) + "TAS", 20)[5], '1') << axis;  // homed
  }
  // Homing takes a believable time: seconds, and less than the program's 5 s wait.
  double end = 0;
  for (auto& [e, f] : r.events)
    if (e == "program_end") end = f["at"].get<double>();
  EXPECT_GT(end, 1.0);
  EXPECT_LT(end, 5.0);
}

TEST(ControllerQueue, QueuedQueryIsAnsweredWhenTheProgramEnds) {
  Rig r;
  r.c.submit("DRIVE1111", 0);
  r.c.submit("HOMING", 0);
  r.c.submit("1TPC", 0);
  EXPECT_TRUE(r.c.takeReplies().empty());
  r.c.advanceTo(20);
  auto replies = r.c.takeReplies();
  ASSERT_EQ(replies.size(), 1u);
  EXPECT_EQ(replies[0], "-6000\n");  // the home edge in power-on counts
}

TEST(ControllerQueue, ImmediateStopEndsTheProgramAndEmptiesTheQueue) {
  Rig r;
  r.c.submit("DRIVE1111", 0);
  r.c.submit("HOMING", 0);
  r.c.submit("PSET0,0,0,0", 0);
  r.c.submit("!S", 0.3);
  EXPECT_EQ(r.c.runningProgram(), "");
  EXPECT_FALSE(r.c.busy());
  r.c.advanceTo(20);
  EXPECT_NE(r.encoder(1, 20), 0);  // neither homed nor zeroed
  EXPECT_EQ(r.ask("!1TAS", 20)[5], '0');
}

TEST(ControllerQueue, DelayHoldsLaterCommands) {
  Rig r;
  r.c.submit("T2", 0);
  r.c.submit("OUT0010", 0);
  r.c.advanceTo(1.9);
  EXPECT_EQ(r.ask("!TOUT", 1.9), "0000\n");
  EXPECT_EQ(r.ask("!TOUT", 2.0), "0010\n");
}

TEST(ControllerHatch, OutputsOpenAndCloseItOverTime) {
  Rig r;
  r.c.submit("OUT0010", 0);
  EXPECT_EQ(r.ask("!TIN", 0.5), "0000\n");  // on its way: neither end switch
  EXPECT_EQ(r.ask("!TIN", 2.0), "1000\n");
  r.c.submit("OUT0001", 3);
  EXPECT_GT(r.c.hatch().opening(3.5), 0.0);
  EXPECT_EQ(r.ask("!TIN", 5.0), "0100\n");
  EXPECT_EQ(r.ask("!TOUT", 5.0), "0001\n");
  r.c.submit("OUT0011", 6);  // both coils: it stays put
  EXPECT_EQ(r.c.hatch().direction(), 0);
}

TEST(ControllerFaults, StuckLimitBlocksMovesAndShowsInStatus) {
  Rig r;
  r.faults.insert({"PositiveLimitStuck", 1});
  r.c.submit("DRIVE1111", 0);
  EXPECT_EQ(r.ask("!1TAS", 0)[17], '1');
  EXPECT_EQ(r.ask("!2TAS", 0)[17], '0');
  r.c.submit("1D500", 0);
  r.c.submit("1GO", 0);
  EXPECT_EQ(r.encoder(1, 5), 0);
  r.c.submit("1D-500", 5);
  r.c.submit("1GO", 5);
  EXPECT_EQ(r.encoder(1, 10), -500);
}

TEST(ControllerFaults, EndlessMoveKeepsTheMovingBitUntilStopped) {
  Rig r;
  r.faults.insert({"EndlessMove", 1});
  r.c.submit("DRIVE1111", 0);
  r.c.submit("1D100", 0);
  r.c.submit("1GO", 0);
  EXPECT_EQ(r.ask("!1TAS.1", 1000), "1\n");
  r.c.submit("!S", 1000);
  EXPECT_EQ(r.ask("!1TAS.1", 1001), "0\n");
}

TEST(ControllerConfiguration, SettingsReplaceLimitsSpeedsAndPrograms) {
  auto config = controllerConfigFrom(nlohmann::json::parse(R"({
    "hatchSeconds": 0.5,
    "axes": [{"velocity": 100, "positiveLimit": 50, "start": 0}],
    "programs": {"setup": ["OUT1000"]}
  })"));
  EXPECT_EQ(config.hatchSeconds, 0.5);
  EXPECT_EQ(config.axes[0].velocity, 100);
  EXPECT_EQ(config.axes[0].positiveLimit, 50);
  EXPECT_EQ(config.axes[1].velocity, defaultControllerConfig().axes[1].velocity);
  Controller c(config);
  c.submit("SETUP", 0);
  c.submit("!TOUT", 0);
  EXPECT_EQ(c.takeReplies().front(), "1000\n");
}

}  // namespace
}  // namespace helx::sim::sixk
