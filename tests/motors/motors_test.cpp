// The grating and hatch motors against the simulated stepper controller over real TCP: the
// address file, the connect and disconnect sequences, the limit guard, relative moves, the jog.
#include "motors/motors.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "app/HELX.h"
#include "app/observation_state.h"
#include "helx_fixture.h"
#include "platform/os/clock.h"
#include "platform/ui/operator.h"
#include "sim/common/settings.h"
#include "sim/common/sim_log.h"

using helx::ui::Operator;

namespace {
std::vector<std::string> commandsSent() {
  std::vector<std::string> out;
  for (auto& e : helx::sim::SimLog::instance().entries("sixk"))
    if (e["ev"] == "command") out.push_back(e["text"].get<std::string>());
  return out;
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

// The link drops while the start-up sequence runs: the step that finds it is named, nothing is
// sent on the dead link again, and no wait is spent on it (a grating move, a disconnect).
TEST_F(Motors, ALinkLostAtPowerUpIsNamedAndNeverWaitedOn) {
  simulate({{"faults", {{"DropConnection", {{"times", 1}, {"after", 1}}}}}});
  run([&] {
    Motor_status = 1;
    EXPECT_EQ(MotorConnect(), 0);
    EXPECT_TRUE(Operator::waitForPopup("Error", "Stepper controller link lost at ", 5));
    EXPECT_EQ(motor_link_up, 0);
    EXPECT_EQ(Motor_status, 0);
    int led = 1;
    GetCtrlVal(mainPanel, PANEL_Motor_Status, &led);
    EXPECT_EQ(led, 0);

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
