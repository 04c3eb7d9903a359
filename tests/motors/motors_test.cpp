// The grating and hatch motors against the simulated stepper controller over real TCP: the
// address file, the connect and disconnect sequences, the limit guard, relative moves, the jog.
#include "motors/motors.h"

#include <algorithm>
#include <climits>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "helx_fixture.h"
#include "platform/dll6k/in_process.h"
#include "platform/os/clock.h"
#include "platform/ui/operator.h"
#include "sim/common/faults.h"
#include "sim/common/settings.h"
#include "sim/common/sim_log.h"
#include "state/HELX.h"
#include "state/observation_state.h"

using helx::ui::Operator;

namespace {
// The controller logs on its own thread, as it reads the connection: a command that gets no
// reply (DRIVE, OUT, PSET) may be logged after the call that sent it has returned. Real time.
constexpr double kLogLimitSeconds = 10;

std::vector<std::string> commandsSent() {
  std::vector<std::string> out;
  for (auto& e : helx::sim::SimLog::instance().entries("sixk"))
    if (e["ev"] == "command") out.push_back(e["text"].get<std::string>());
  return out;
}

bool hasSent(const std::string& command) {
  auto sent = commandsSent();
  return std::find(sent.begin(), sent.end(), command) != sent.end();
}

bool logged(const std::string& event) {
  for (auto& e : helx::sim::SimLog::instance().entries("sixk"))
    if (e["ev"] == event) return true;
  return false;
}

std::string fileText(const char* name) {
  std::ifstream in(name, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

class Motors : public HelxProgram {
 protected:
  void simulate(nlohmann::json sixk = nlohmann::json::object()) {
    sixk["port"] = 0;
    helx::sim::Settings::instance().set({{"sixk", sixk}, {"log", {{"path", ""}}}});
    helx::os::Clock::instance().setScale(20);
    layOutSite();
  }
  void quit() { Operator::commit(mainPanel, PANEL_QUITBUTTON); }
};
}  // namespace

TEST_F(Motors, AddressFileBecomesTheBatchLineAndTheOpenAddress) {
  simulate();
  std::ofstream("IPaddr.ini") << "10.1.2.3\n00-11-22-33-44-55\n10.1.2.9\n";
  run([&] {
    char* address = ArpSetF();
    EXPECT_STREQ(address, "10.1.2.3");
    EXPECT_EQ(fileText("IPaddr.bat"), "arp -s 10.1.2.3 00-11-22-33-44-55 10.1.2.9");
    std::ofstream("IPaddr.ini") << "A\nB\nC\n";
    ArpSetF();
    EXPECT_EQ(fileText("IPaddr.bat"), "arp -s A B C");
    // Tokens longer than 31 characters are read bounded.
    std::ofstream("IPaddr.ini") << std::string(80, 'x') << "\nB\nC\n";
    EXPECT_EQ(std::string(ArpSetF()).size(), 31u);
    std::filesystem::remove("IPaddr.ini");
    EXPECT_STREQ(ArpSetF(), "");
    EXPECT_TRUE(Operator::waitForPopup("Error", "IPaddr.ini file is not exist.", 5));
    EXPECT_EQ(MotorConnect(), 0);
    quit();
  });
}

TEST_F(Motors, ConnectAndDisconnectSequencesInOrder) {
  simulate();
  run([&] {
    EXPECT_EQ(MotorDisconnect(), 0);
    EXPECT_TRUE(commandsSent().empty());  // not connected: nothing is sent

    ASSERT_EQ(MotorConnect(), 1);
    // The sequence ends with commands that get no reply; the log keeps the order they came in.
    EXPECT_TRUE(eventually([] { return hasSent("OUT0010"); }, kLogLimitSeconds));
    auto sent = commandsSent();
    std::vector<std::string> start(sent.begin(), sent.end());
    auto at = [&](const std::string& c) {
      return std::find(start.begin(), start.end(), c) - start.begin();
    };
    EXPECT_LT(at("DRIVE1111"), at("SETUP"));
    EXPECT_LT(at("SETUP"), at("HOMING"));
    EXPECT_LT(at("HOMING"), at("PSET0,0,0,0"));
    EXPECT_LT(at("PESET0,0,0,0"), at("OUT0010"));
    EXPECT_NE(at("OUT0010"), static_cast<long>(start.size()));
    EXPECT_EQ(SelectMotor, 1);

    helx::sim::SimLog::instance().clear();
    ASSERT_EQ(MotorDisconnect(), 1);
    EXPECT_TRUE(eventually([] { return hasSent("DRIVE0000"); }, kLogLimitSeconds));
    sent = commandsSent();
    auto pos = [&](const std::string& c) {
      return std::find(sent.begin(), sent.end(), c) - sent.begin();
    };
    EXPECT_LT(pos("OUT0001"), pos("!S"));
    EXPECT_LT(pos("!S"), pos("1D-50000"));
    EXPECT_LT(pos("1GO"), pos("DRIVE0000"));
    EXPECT_EQ(M_Open_status, 0);
    quit();
  });
}

TEST_F(Motors, GratingMovesFollowTheEncoderAndTheLimitGuard) {
  simulate();
  run([&] {
    ASSERT_EQ(MotorConnect(), 1);
    helx::sim::SimLog::instance().clear();
    Gratingtracking(1, 0);
    // Only the status and position queries: no move of axis 1.
    for (auto& c : commandsSent()) EXPECT_TRUE(c.rfind("1D", 0) != 0 && c != "1GO") << c;

    int start = MotorPos1E_Pre;
    Gratingtracking(1, 100);
    Gratingtracking(1, 100);
    EXPECT_EQ(MotorPos1E_Pre - start, 200);
    Gratingtracking(2, 5000);
    EXPECT_EQ(MotorPos1E, 5000);

    // Jogging axis 3 backward by 40 clears both grating flags.
    SelectMotor = 3;
    GratingLimitCurrentState[0] = GratingLimitCurrentState[1] = 1;
    helx::sim::SimLog::instance().clear();
    MotorMove(2, 40);
    auto sent = commandsSent();
    ASSERT_GE(sent.size(), 3u);
    EXPECT_EQ(sent[0], "!S");
    EXPECT_EQ(sent[1], "3D-40 ");
    EXPECT_EQ(sent[2], "3GO");
    EXPECT_EQ(GratingLimitCurrentState[0], 0);
    EXPECT_EQ(GratingLimitCurrentState[1], 0);
    quit();
  });
}

TEST_F(Motors, APositiveLimitBlocksOnlyMovesFurtherIntoIt) {
  simulate({{"faults", {{"PositiveLimitStuck", {{"code", 1}}}}}});
  run([&] {
    ASSERT_EQ(MotorConnect(), 1);
    int before = MotorPos1E;
    Gratingtracking(1, 300);
    EXPECT_EQ(GratingLimitCurrentState[0], 1);
    EXPECT_EQ(MotorPos1E, before);  // skipped
    Gratingtracking(1, -300);
    EXPECT_EQ(MotorPos1E, before - 300);
    quit();
  });
}

TEST_F(Motors, AMoveThatNeverEndsIsStoppedAndReported) {
  simulate({{"faults", {{"EndlessMove", {{"code", 1}}}}}});
  run([&] {
    ASSERT_EQ(MotorConnect(), 1);
    Gratingtracking(1, 1000);
    EXPECT_TRUE(Operator::waitForPopup("Error", "Grating move did not end in time", 5));
    quit();
  });
}

bool sentToTheGrating() {
  for (auto& c : commandsSent())
    if (c.rfind("1D", 0) == 0 || c == "1GO") return true;
  return false;
}

std::string monitorText() { return ControlText(mainPanel, PANEL_TB_Text_Monitor); }

TEST_F(Motors, ATargetOutsideTheTravelIsRefusedAndReckonedWithoutOverflow) {
  simulate();
  run([&] {
    ASSERT_EQ(MotorConnect(), 1);
    const int at = MotorPos1E;
    helx::sim::SimLog::instance().clear();
    Gratingtracking(2, 2147483000);
    EXPECT_TRUE(Operator::waitForPopup("Error",
                                       "Grating move refused: step 2147483000 lies outside the "
                                       "grating's travel (steps -2000 to 150000).",
                                       5));
    // A relative move from a base near the end of int: the target is the true sum.
    MotorPos1E_Pre = INT_MAX - 10;
    Gratingtracking(1, 100);
    EXPECT_TRUE(Operator::waitForPopup(
        "Error", "Grating move refused: step 2147483737 lies outside the grating's travel", 5));
    EXPECT_EQ(MotorPos1E_Pre, at);
    Gratingtracking(1, kGratingTravelLow - at - 1);
    EXPECT_TRUE(Operator::waitForPopup("Error", "step -2001 lies outside", 5));
    // The query answered last: the controller has read everything sent before it.
    GratingMotorPosCheck();
    EXPECT_FALSE(sentToTheGrating());
    EXPECT_EQ(MotorPos1E, at);
    quit();
  });
}

TEST_F(Motors, AnEncoderReplyBeyondIntKeepsThePositionReadBefore) {
  // No switch in the way, and the encoder declared just below the largest int: a move of 20000
  // steps carries its count past what an int holds.
  simulate({{"axes", nlohmann::json::array({{{"positiveLimit", 3e9}}})}});
  run([&] {
    ASSERT_EQ(MotorConnect(), 1);
    ASSERT_EQ(MotorSend("PESET2147480000:", "the test"), 1);
    ASSERT_EQ(MotorSend("1D20000:", "the test"), 1);
    ASSERT_EQ(MotorSend("1GO:", "the test"), 1);
    EXPECT_TRUE(eventually(
        [] {
          GratingMotorPosCheck();
          return monitorText().find("The grating's position reply \"+21474") != std::string::npos;
        },
        30))
        << monitorText();
    // The last reading an int holds stays the grating's position.
    EXPECT_GE(MotorPos1E, 2147480000);
    EXPECT_NE(monitorText().find("is out of range: the position read before (step " +
                                 std::to_string(MotorPos1E) + ") is kept."),
              std::string::npos)
        << monitorText();
    MotorSend("!S:", "the test");
    quit();
  });
}

TEST_F(Motors, AMoveFromAnAbsurdPositionIsGivenNoMoreThanTheWholeTravelsTime) {
  // No switch in the way: the move runs for as long as its distance takes at the grating's
  // speed, unless the program stops it.
  simulate({{"axes", nlohmann::json::array({{{"positiveLimit", 3e9}}})}});
  auto& clock = helx::os::Clock::instance();
  clock.setScale(200);
  run([&] {
    ASSERT_EQ(MotorConnect(), 1);
    // The encoder declared two thousand million steps below the grating: the move to step 5000
    // is that long, some 55 hours at 10000 steps/s.
    ASSERT_EQ(MotorSend("PESET-2000000000:", "the test"), 1);
    ASSERT_TRUE(eventually([] {
      GratingMotorPosCheck();
      return MotorPos1E < -1999000000;
    }));
    const double start = clock.seconds();
    Gratingtracking(2, 5000);
    const double took = clock.seconds() - start;
    EXPECT_TRUE(Operator::waitForPopup("Error", "Grating move did not end in time", 5));
    const double wholeTravel = 30.0 + (kGratingTravelHigh - kGratingTravelLow) / 500.0;
    EXPECT_GE(took, wholeTravel);
    EXPECT_LT(took, 2 * wholeTravel);
    quit();
  });
}

// The link drops while the start-up sequence runs: the step that finds it is named, nothing is
// sent on the dead link again, and no wait is spent on it (a grating move, a disconnect).
TEST_F(Motors, ALinkLostAtPowerUpIsNamedAndNeverWaitedOn) {
  simulate({{"faults", {{"DropConnection", {{"times", 1}, {"after", 1}}}}}});
  run([&] {
    helx::sim::SimLog::instance().clear();
    Motor_status = 1;
    EXPECT_EQ(MotorConnect(), 0);
    EXPECT_TRUE(Operator::waitForPopup("Error", "Stepper controller link lost at ", 5));
    EXPECT_EQ(motor_link_up, 0);
    EXPECT_EQ(Motor_status, 0);
    int led = 1;
    GetCtrlVal(mainPanel, PANEL_Motor_Status, &led);
    EXPECT_EQ(led, 0);

    // What the controller read before the connection ended is logged on its thread, maybe
    // after the program found the loss: only then is the log cleared.
    EXPECT_TRUE(eventually([] { return logged("disconnected"); }, kLogLimitSeconds));
    helx::sim::SimLog::instance().clear();
    auto& clock = helx::os::Clock::instance();
    double start = clock.seconds();
    EXPECT_EQ(Gratingtracking(1, 1000), 1);
    EXPECT_EQ(MotorDisconnect(), 0);               // closed when the loss was found
    EXPECT_LT(clock.seconds() - start, 3 * 10.0);  // at most a link's limit, three times over
    EXPECT_TRUE(commandsSent().empty());
    EXPECT_FALSE(Operator::waitForPopup("Error", "Grating move did not end in time", 0));
    quit();
  });
}

// Every fault the stepper controller can show, arising at the grating move the setup's OK makes
// or at the park QUIT makes: the operator is told what happened (or nothing, when the fault does
// not stand in the way), the move or the park ends within three times its named limit, nothing is
// sent on a dropped link, and QUIT ends the program.
namespace {
enum class Moment { GratingMove, Park };
struct StepperFault {
  const char* name;
  Moment moment;
  const char* title;  // nullptr: the fault does not stand in the way and nothing is told
  const char* text;
};

void PrintTo(const StepperFault& f, std::ostream* os) {
  *os << f.name << (f.moment == Moment::Park ? " at the park" : " at the grating move");
}

bool sentAfterFault() {
  bool faulted = false;
  for (auto& e : helx::sim::SimLog::instance().entries("sixk")) {
    if (e["ev"] == "fault") faulted = true;
    if (faulted && e["ev"] == "command") return true;
  }
  return false;
}

class StepperFaults : public Motors, public testing::WithParamInterface<StepperFault> {};
}  // namespace

TEST_P(StepperFaults, AreToldBoundedAndQuitStillEnds) {
  const StepperFault& f = GetParam();
  simulate();
  auto& clock = helx::os::Clock::instance();
  double faultedAt = 0, limit = 0;
  // 2 s of grating motion; before a park 6 s, far enough from the negative end that the park
  // stops short of it.
  const int target = f.moment == Moment::Park ? 60000 : 20000;
  EXPECT_EQ(run([&] {
              ASSERT_EQ(MotorConnect(), 1);
              Motor_status = 1;
              auto inject = [&] {
                ASSERT_NE(helx::dll6k::inProcessFaults(), nullptr);
                helx::dll6k::inProcessFaults()->inject(f.name, -1, 0.0, 1);
                faultedAt = clock.seconds();
              };
              if (f.moment == Moment::GratingMove) {
                inject();
                limit = 30.0 + target / 500.0;
              }
              Gratingtracking(2, target);
              if (f.moment == Moment::GratingMove) {
                EXPECT_LT(clock.seconds() - faultedAt, 3 * limit);
              }
              if (f.moment == Moment::Park) {
                inject();
                limit = kParkLimitSeconds;
              }
              quit();
            }),
            0);
  EXPECT_LT(clock.seconds() - faultedAt, 3 * (limit + kParkLimitSeconds));
  EXPECT_EQ(Motor_status, 0);
  if (f.title) {
    EXPECT_TRUE(Operator::waitForPopup(f.title, f.text, 0)) << "no \"" << f.text << "\"";
  } else {
    EXPECT_FALSE(Operator::waitForPopup("Error", "", 0));
  }
  if (std::string(f.name) == "DropConnection") {
    EXPECT_FALSE(sentAfterFault());
  }
}

INSTANTIATE_TEST_SUITE_P(
    Motors, StepperFaults,
    testing::Values(
        StepperFault{"DropConnection", Moment::GratingMove, "Error", "link lost at "},
        StepperFault{"DropConnection", Moment::Park, "Error", "link lost at "},
        StepperFault{"NoReply", Moment::GratingMove, "Error", "link lost at "},
        StepperFault{"NoReply", Moment::Park, "Error", "link lost at "},
        StepperFault{"ShortReply", Moment::GratingMove, "Error", "link lost at "},
        StepperFault{"ShortReply", Moment::Park, "Error", "link lost at "},
        StepperFault{"PositiveLimitStuck", Moment::GratingMove, "Warning",
                     "Grating move refused: the grating's positive end limit is active."},
        StepperFault{"PositiveLimitStuck", Moment::Park, nullptr, nullptr},
        StepperFault{"NegativeLimitStuck", Moment::GratingMove, nullptr, nullptr},
        StepperFault{"NegativeLimitStuck", Moment::Park, "Warning",
                     "Grating park refused: the grating's negative end limit is active."},
        StepperFault{"EndlessMove", Moment::GratingMove, "Error",
                     "Grating move did not end in time"},
        StepperFault{"EndlessMove", Moment::Park, "Error", "Grating park did not end in time"}),
    [](const testing::TestParamInfo<StepperFault>& info) {
      return std::string(info.param.name) +
             (info.param.moment == Moment::Park ? "AtThePark" : "AtTheGratingMove");
    });
