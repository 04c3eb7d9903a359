// The scanner against the simulated controller behind the real libpcomm32.so: the link, the
// set-up and the generated program, scans with their step announcements, homing, gathering and
// the command line.
//
// Every announcement is recorded with the scanner's position at that moment: the test binary
// wraps AnnounceScanStep at link time (-Wl,--wrap), so the check sees what the system did, not
// what a consumer saw later.
#include "scanner/scanner.h"

#include <dlfcn.h>

#include <algorithm>
#include <atomic>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <mutex>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "app/shell.h"
#include "camera/camera.h"
#include "helx_fixture.h"
#include "platform/atmcd/atmcd_sim.h"
#include "platform/os/clock.h"
#include "platform/ui/event_loop.h"
#include "platform/ui/operator.h"
#include "scanner/step_handshake.h"
#include "sim/common/scene_hook.h"
#include "sim/common/settings.h"
#include "sim/common/sim_log.h"
#include "state/observation_state.h"

using helx::ui::Operator;
namespace fs = std::filesystem;

namespace {

struct Announcement {
  int step = 0;       // the step this call announced (counted before it)
  int accepted = 0;   // what AnnounceScanStep returned
  double counts = 0;  // scanner position when it was called
  double at = 0;      // instrument time of the call, seconds
};
std::mutex announced_mutex;
std::vector<Announcement> announced;

std::vector<Announcement> announcements() {
  std::lock_guard lock(announced_mutex);
  return announced;
}

}  // namespace

extern "C" int __real__Z16AnnounceScanStepv();
extern "C" int __wrap__Z16AnnounceScanStepv() {
  Announcement a;
  a.at = helx::os::Clock::instance().seconds();
  a.counts = helx::sim::SceneHook::now().scannerCounts;
  a.step = ScanStepsAnnounced() + 1;
  a.accepted = __real__Z16AnnounceScanStepv();
  std::lock_guard lock(announced_mutex);
  announced.push_back(a);
  return a.accepted;
}

namespace {

std::string monitorText() { return ControlText(mainPanel, PANEL_TB_Text_Monitor); }
bool contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

std::string readFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

std::string reply(const char* command) {
  char text[256];
  PmacCommand(command, text);
  return text;
}

std::vector<nlohmann::json> pmacEvents(const std::string& name) {
  std::vector<nlohmann::json> out;
  for (auto& e : helx::sim::SimLog::instance().entries("pmac"))
    if (e["ev"] == name) out.push_back(e);
  return out;
}

const char* const kSpectrographBody =
    "i130=120000\r\ni131=4000\r\ni132=4000\r\ni133=40000\r\ni134=0\r\ni135=20000\r\ninc\r\n"
    "ta 35\r\nts 17\r\np1=0\r\nWhile(p1<  10)\r\nx  16\r\ndwell 30\r\np1=p1+1\r\nEndWhile\r\n";

class Scanner : public HelxProgram {
 protected:
  // The simulated instrument: two cameras and the scanner's controller with these settings.
  // Scans run at a time scale that keeps their shortest window (the 30 ms dwell) a few real
  // milliseconds wide.
  void simulate(nlohmann::json pmac = nlohmann::json::object(), double scale = 50) {
    helx::sim::Settings::instance().set(
        {{"camera", {{"count", 2}}}, {"pmac", pmac}, {"log", {{"path", ""}}}});
    helx::sim::SimLog::instance().reopen();
    helx::atmcd_sim::reset();
    helx::os::Clock::instance().setScale(scale);
    layOutSite();
  }
  void openCameras() {
    long n = 0;
    GetAvailableCameras(&n);
    nNumberOfCameras = static_cast<int>(n);
    GetCameraHandle(0, &nCameraHandle1);
    GetCameraHandle(1, &nCameraHandle2);
    for (long handle : {nCameraHandle2, nCameraHandle1}) {
      SetCurrentCamera(handle);
      OpenCamera(handle);
      SetCameraParam(1, 4, 0, 0, 0, 4, 4, 0.01f, 1, 0, 10, handle);
    }
  }
  // The scanner's loop closed and at rest at `counts`.
  void settleAt(int counts) {
    reply("#1J/");
    std::string jog = "#1J=" + std::to_string(counts);
    reply(jog.c_str());
    // In position is a band of counts: wait for the servo's last tenths as well.
    ASSERT_TRUE(eventually([counts] {
      return reply("m140") == "1\r" && std::fabs(std::atof(reply("#1P").c_str()) - counts) <= 0.2;
    }));
  }
  void quit() { Operator::commit(mainPanel, PANEL_QUITBUTTON); }
  // Runs the actions, then closes the link and quits, also after a failed assertion.
  void drive(const std::function<void()>& actions) {
    run([&] {
      actions();
      CloseDevice();
      quit();
    });
  }
};

// ---------------------------------------------------------------------------------------------
// Link

TEST_F(Scanner, CloseBeforeAnyOpenOnlyClearsTheTwoFlags) {
  simulate();
  drive([&] {
    PmacAccessible = 1;
    std::string before = monitorText();
    CloseDevice();
    EXPECT_EQ(PmacAccessible, 0);
    EXPECT_EQ(Scanner_status, 0);
    EXPECT_EQ(monitorText(), before);
    EXPECT_EQ(h_PmacLib, nullptr);
  });
}

TEST_F(Scanner, CloseReportsWhatItLeftOpenAndAlwaysUnloads) {
  simulate();
  drive([&] {
    ASSERT_EQ(ScanOpen(), 1);
    CloseDevice();
    EXPECT_TRUE(contains(monitorText(), "Device is Closed! 0 \n "));
    EXPECT_EQ(bDriverOpen, 0);

    // The device closed behind the link's back: the close call fails.
    ASSERT_EQ(ScanOpen(), 1);
    void* lib = dlopen("libpcomm32.so", RTLD_NOW);
    ASSERT_NE(lib, nullptr);
    auto close = reinterpret_cast<PfnClosePmacDevice>(dlsym(lib, "ClosePmacDevice"));
    ASSERT_EQ(close(0), 1);
    CloseDevice();
    EXPECT_TRUE(contains(monitorText(), "Device is Closed! 1 \n "));
    EXPECT_EQ(bDriverOpen, 1);
    EXPECT_EQ(h_PmacLib, nullptr);
    EXPECT_EQ(DeviceGetResponse, nullptr);
    EXPECT_EQ(Scanner_status, 0);
    char text[256];
    EXPECT_EQ(PmacCommand("#1P", text), -1);
    EXPECT_STREQ(text, "");
    dlclose(lib);
  });
}

TEST_F(Scanner, AReplyIsCutAt255Characters) {
  simulate();
  drive([&] {
    ASSERT_EQ(ScanOpen(), 1);
    // Sixty values of six characters each: far longer than one reply may be.
    std::string command;
    for (int i = 0; i < 60; ++i) command += "i130 ";
    void* lib = dlopen("libpcomm32.so", RTLD_NOW);
    auto get = reinterpret_cast<PfnPmacGetResponseA>(dlsym(lib, "PmacGetResponseA"));
    std::vector<char> whole(4096);
    ASSERT_EQ(get(0, whole.data(), 4000, command.c_str()), 360);
    dlclose(lib);

    char text[256];
    std::memset(text, 'x', sizeof text);
    EXPECT_EQ(PmacCommand(command.c_str(), text), 255);
    EXPECT_EQ(std::strlen(text), 255u);
    EXPECT_EQ(std::string(text), std::string(whole.data(), 255));

    std::string before = monitorText();
    getresponse(command.c_str());
    EXPECT_EQ(monitorText().substr(before.size()), std::string(whole.data(), 255));
  });
}

TEST_F(Scanner, AMissingLibraryOrEntryPointIsNamedAndNothingIsTouched) {
  simulate();
  drive([&] {
    std::strcpy(PmacLibName, "libpcomm32-absent.so");
    EXPECT_EQ(ScanOpen(), 0);
    EXPECT_TRUE(Operator::waitForPopup("Error", "libpcomm32-absent.so", 5));

    // A library without the controller's entry points.
    std::strcpy(PmacLibName, "libm.so.6");
    EXPECT_EQ(ScanOpen(), 0);
    auto popup = Operator::waitForPopup("Error", "libm.so.6", 5);
    ASSERT_TRUE(popup);
    EXPECT_TRUE(contains(popup->text, "OpenPmacDevice"));
    EXPECT_TRUE(contains(popup->text, "PmacGetIVariableLong"));
    EXPECT_EQ(h_PmacLib, nullptr);
    EXPECT_EQ(DeviceOpen, nullptr);

    EXPECT_EQ(Scanner_status, -1);
    EXPECT_EQ(PmacAccessible, 0);
    EXPECT_FALSE(contains(monitorText(), "Device is"));
    // The controller was never reached: it has not even been powered.
    EXPECT_TRUE(helx::sim::SimLog::instance().entries("pmac").empty());
    char text[256];
    EXPECT_EQ(PmacCommand("#1P", text), -1);
  });
}

TEST_F(Scanner, CloseWhileAnotherThreadPollsIsSafe) {
  simulate();
  drive([&] {
    ASSERT_EQ(ScanOpen(), 1);
    settleAt(120);
    std::atomic<int> passes{0};
    std::atomic<bool> stop{false};
    std::thread poller([&] {
      while (!stop) {
        ReadPosition();
        Monitor();
        ++passes;
      }
    });
    ASSERT_TRUE(eventually([&] { return passes > 20; }));
    CloseDevice();
    int at_close = passes;
    ASSERT_TRUE(eventually([&] { return passes > at_close + 20; }));
    stop = true;
    poller.join();
    // The failed reads after the close keep the last position.
    EXPECT_NEAR(scanpos, 12.0f, 0.02f);
    EXPECT_EQ(ControlText(mainPanel, PANEL_Position), "12.0");
    EXPECT_EQ(Scanner_InPosition, 1);
  });
}

// ---------------------------------------------------------------------------------------------
// Set-up

TEST_F(Scanner, OpenWritesTheServoSettingsAndShowsOnlyTheMarkedReplies) {
  simulate();
  drive([&] {
    // Spoil the settings the open writes, on the controller itself.
    void* lib = dlopen("libpcomm32.so", RTLD_NOW);
    auto open = reinterpret_cast<PfnOpenPmacDevice>(dlsym(lib, "OpenPmacDevice"));
    auto get = reinterpret_cast<PfnPmacGetResponseA>(dlsym(lib, "PmacGetResponseA"));
    auto close = reinterpret_cast<PfnClosePmacDevice>(dlsym(lib, "ClosePmacDevice"));
    char text[256];
    ASSERT_EQ(open(0), 1);
    get(0, text, 255, "i900=1 i125=1 i117=9 i130=1 i131=1 i132=1 i133=1 i135=1");
    close(0);
    dlclose(lib);

    ASSERT_EQ(ScanOpen(), 1);
    EXPECT_EQ(monitorText(),
              "Device is opened in device #0\nV1.17F 04/28/2004\ni900=3\ri125=8437760\r");
    EXPECT_EQ(reply("i117"), "0.5\r");
    EXPECT_EQ(reply("i130 i131 i132 i133 i135"), "40000\r1800\r1800\r40000\r0\r");
    EXPECT_EQ(Scanner_status, 1);
    EXPECT_EQ(PmacAccessible, 1);
    EXPECT_EQ(bDriverOpen, 1);
  });
}

TEST_F(Scanner, AFailedOpenIsReportedAndLeavesTheStatus) {
  simulate({{"faults", {{"lost", {{"times", -1}}}}}});
  drive([&] {
    EXPECT_EQ(ScanOpen(), 0);
    EXPECT_EQ(monitorText(), "Device is NOT opened! 0 \n ");
    EXPECT_EQ(Scanner_status, -1);
    EXPECT_EQ(PmacAccessible, 0);
    EXPECT_NE(h_PmacLib, nullptr);  // the link stays loaded
    CloseDevice();
    EXPECT_EQ(h_PmacLib, nullptr);
  });
}

// ---------------------------------------------------------------------------------------------
// Program text

TEST_F(Scanner, SpectrographProgramIsHeadBodyTailByteForByte) {
  simulate();
  drive([&] {
    ASSERT_EQ(ScanOpen(), 1);
    std::string head = readFile(workdir / "helx.head"), tail = readFile(workdir / "helx.tail");
    ScanCommandWrite(10, 100, 16, 0, 0);
    EXPECT_EQ(readFile(workdir / "HELX.pmc"), head + "\r\n" + kSpectrographBody + "\r\n" + tail);
    EXPECT_FLOAT_EQ(step_size, 16.0f);
    EXPECT_FLOAT_EQ(step_moved, 16.0f);
    std::string text = monitorText();
    EXPECT_TRUE(contains(text,
                         "\nScript was generated.\n\nDevice Download Success\n"
                         "\nOpen Script() called complete!!\n"));
    EXPECT_FALSE(contains(text, "whole number"));
    // The controller took every line of it.
    auto downloads = pmacEvents("download");
    ASSERT_EQ(downloads.size(), 1u);
    EXPECT_EQ(downloads[0]["errors"], 0);

    // An entered step of 2.5 um is stored as 1.25: the controller moves one whole unit.
    ScanCommandWrite(10, 100, 1.25f, 0, 0);
    std::string program = readFile(workdir / "HELX.pmc");
    EXPECT_TRUE(contains(program, "\r\nx   1\r\n"));
    EXPECT_FLOAT_EQ(step_size, 1.25f);
    EXPECT_FLOAT_EQ(step_moved, 1.0f);
    EXPECT_TRUE(contains(monitorText(),
                         "\nScan step 1.25 is not a whole number of units: the "
                         "scanner moves 1 units per step.\n"));
  });
}

TEST_F(Scanner, ImagingProgramSweepsTheStrokeAtTheSpeed) {
  simulate();
  drive([&] {
    ASSERT_EQ(ScanOpen(), 1);
    std::string head = readFile(workdir / "helx.head"), tail = readFile(workdir / "helx.tail");
    ScanCommandWrite(20, 0, 0, 50, 2000);
    EXPECT_EQ(readFile(workdir / "HELX.pmc"),
              head + "\r\n" +
                  "i130=40000\r\ni131=1800\r\ni132=1800\r\ni133=40000\r\ni134=0\r\ni135=0\r\n"
                  "abs\r\nta100\r\nts50\r\nf50\r\nx 2000\r\n" +
                  "\r\n" + tail);
    EXPECT_FLOAT_EQ(step_size, 100.0f);
  });
}

TEST_F(Scanner, BodiesFollowTheTwoIndependentTests) {
  simulate();
  drive([&] {
    ASSERT_EQ(ScanOpen(), 1);
    std::string head = readFile(workdir / "helx.head"), tail = readFile(workdir / "helx.tail");
    ScanCommandWrite(10, 0, 0, 0, 0);
    std::string both = readFile(workdir / "HELX.pmc");
    std::size_t spectro = both.find(
        "\r\ninc\r\nta  0\r\nts  0\r\np1=0\r\nWhile(p1<  10)\r\nx   0"
        "\r\ndwell  0\r\n");
    std::size_t imaging = both.find("\r\nabs\r\nta100\r\nts50\r\nf 0\r\nx    0\r\n");
    ASSERT_NE(spectro, std::string::npos);
    ASSERT_NE(imaging, std::string::npos);
    EXPECT_LT(spectro, imaging);
    EXPECT_FLOAT_EQ(step_size, 0.0f);  // the imaging body's 0 / frames came last

    ScanCommandWrite(10, 100, 2, 50, 2000);
    EXPECT_EQ(readFile(workdir / "HELX.pmc"), head + "\r\n\r\n" + tail);
  });
}

// A setup whose program cannot be generated is told so and leaves no program counted as its
// own: the old file still goes to the controller, but Run must not start it.
TEST_F(Scanner, AMissingTemplateIsToldAndLeavesNoProgramOfThisSetup) {
  simulate();
  drive([&] {
    ASSERT_EQ(ScanOpen(), 1);
    EXPECT_EQ(ScanCommandWrite(10, 100, 16, 0, 0), 1);
    EXPECT_EQ(scan_program_loaded, 1);
    std::string old = readFile(workdir / "HELX.pmc");
    fs::remove(workdir / "helx.tail");
    std::string before = monitorText();
    EXPECT_EQ(ScanCommandWrite(20, 0, 0, 50, 2000), 0);
    EXPECT_EQ(scan_program_loaded, 0);
    EXPECT_EQ(readFile(workdir / "HELX.pmc"), old);
    std::string added = monitorText().substr(before.size());
    EXPECT_TRUE(contains(added, "The scan program was not generated: helx.tail cannot be read."))
        << added;
    EXPECT_FALSE(contains(added, "Script was generated")) << added;
    EXPECT_EQ(pmacEvents("download").size(), 2u);

    // No program file either: nothing is downloaded.
    fs::remove(workdir / "HELX.pmc");
    EXPECT_EQ(ScanCommandWrite(20, 0, 0, 50, 2000), 0);
    EXPECT_FALSE(fs::exists(workdir / "HELX.pmc"));
    EXPECT_EQ(pmacEvents("download").size(), 2u);
  });
}

// ---------------------------------------------------------------------------------------------
// Execution

struct StepCase {
  float step;        // the stored step (half the entered one)
  int start;         // counts where the scan starts
  bool settleShort;  // every move binds a few counts short of its target
};

void PrintTo(const StepCase& c, std::ostream* out) {
  *out << "step " << c.step << " from " << c.start << (c.settleShort ? " settling short" : "");
}

class SpectrographScan : public Scanner, public ::testing::WithParamInterface<StepCase> {};

TEST_P(SpectrographScan, EveryStepIsAnnouncedOnceInOrderAfterTheScannerGotThere) {
  const StepCase c = GetParam();
  nlohmann::json pmac = nlohmann::json::object();
  if (c.settleShort) pmac["faults"] = {{"settle_short", {{"times", -1}}}};
  simulate(pmac, 5);
  drive([&] {
    openCameras();
    ASSERT_EQ(ScanOpen(), 1);
    settleAt(c.start);
    g_nFrameNumber1 = 10;
    scan_mode = 0;
    ScanCommandWrite(10, 100, c.step, 0, 0);
    const double step_counts = 10.0 * step_moved;
    SetCurrentCamera(nCameraHandle2);

    EXPECT_EQ(ExecuteProgram(nCameraHandle2, 0), 1);
    EXPECT_EQ(Scanning, 0);
    auto seen = announcements();
    ASSERT_EQ(seen.size(), 10u);
    // The program's moves: one per step, then the tail's return to 0.
    auto moves = pmacEvents("move");
    ASSERT_EQ(moves.size(), 11u);
    for (int k = 1; k <= 10; ++k) {
      const Announcement& a = seen[static_cast<std::size_t>(k - 1)];
      EXPECT_EQ(a.step, k);
      EXPECT_EQ(a.accepted, 1);
      // Reached: the scanner is within the in-position band (10 counts) of the step's target,
      // on either side (never half a small step short of it), or the step was over (the next
      // move had begun) before the announcement.
      bool there = std::abs(a.counts - (c.start + k * step_counts)) <= 10.0;
      bool over = a.at >= moves[static_cast<std::size_t>(k)]["at"].get<double>();
      EXPECT_TRUE(there || over) << "step " << k << " at " << a.counts << " counts";
      EXPECT_GE(a.at, moves[static_cast<std::size_t>(k - 1)]["at"].get<double>());
    }
    EXPECT_EQ(ScanStepsAnnounced(), 10);
    EXPECT_TRUE(contains(monitorText(), "\nStarting Scan.\n"));
    EXPECT_TRUE(contains(monitorText(), "\nScanning complete.\n"));
    EXPECT_FALSE(contains(monitorText(), "not reached"));
    // The run's camera is current again for the monitoring loop.
    long current = 0;
    GetCurrentCamera(&current);
    EXPECT_EQ(current, nCameraHandle2);
  });
}

std::string stepCaseName(const ::testing::TestParamInfo<StepCase>& info) {
  static const char* const names[] = {"Step32um", "Step5um", "Step2p5um", "StartBelowZero",
                                      "SettlingShort"};
  return names[info.index];
}

INSTANTIATE_TEST_SUITE_P(EnteredSteps, SpectrographScan,
                         ::testing::Values(StepCase{16.0f, 0, false},   // 32 um
                                           StepCase{2.5f, 0, false},    // 5 um: moves 2 units
                                           StepCase{1.25f, 0, false},   // 2.5 um: moves 1 unit
                                           StepCase{16.0f, -5, false},  // half a unit below 0
                                           StepCase{16.0f, 0, true}),   // settles short
                         stepCaseName);

// The handshake alone, no thread behind it: where a step's frame belongs, and how a dropped
// step leaves the queue.
TEST(ScanSteps, AFrameBelongsToItsStepOnlyWhileTheScannerIsThereAndTheNextIsNotAnnounced) {
  ResetScanSteps(3);
  EXPECT_EQ(AnnounceScanStep(), 1);
  EXPECT_EQ(ScannerAtScanStep(1, 12345.0), 1);  // no positions given: the order alone
  ResetScanSteps(3);
  SetScanStepPositions(100.0, -40.0, 10.0);  // steps at 60, 20, -20 counts
  EXPECT_EQ(AnnounceScanStep(), 1);
  EXPECT_EQ(ScannerAtScanStep(1, 50.0), 1);
  EXPECT_EQ(ScannerAtScanStep(1, 70.0), 1);
  EXPECT_EQ(ScannerAtScanStep(1, 71.0), 0);
  EXPECT_EQ(ScannerAtScanStep(1, 49.0), 0);
  EXPECT_EQ(AnnounceScanStep(), 1);
  EXPECT_EQ(ScannerAtScanStep(1, 60.0), 0);  // step 2 is announced: step 1 is over
  EXPECT_EQ(ScannerAtScanStep(2, 20.0), 1);

  EXPECT_EQ(NextScanStep(), 1);
  ScanStepDropped();
  EXPECT_EQ(take, 1);  // step 2 still waits
  EXPECT_EQ(NextScanStep(), 2);
  ScanStepStored();
  EXPECT_EQ(take, 0);
  EXPECT_EQ(NextScanStep(), 0);
  EXPECT_EQ(ScanStepsStored(), 1);
  EXPECT_EQ(ScanStepsDropped(), 1);
  EXPECT_EQ(WaitScanStepsStored(0.0), 1);

  ResetScanSteps(3);
  EXPECT_EQ(ScanStepsDropped(), 0);
  EXPECT_EQ(AnnounceScanStep(), 1);
  EXPECT_EQ(ScannerAtScanStep(1, 12345.0), 1);  // the last scan's positions are forgotten
  ResetScanSteps(0);
}

TEST_F(Scanner, ASecondScanDoesNotTakeTheFirstScansCountForItsSteps) {
  simulate(nlohmann::json::object(), 5);
  drive([&] {
    openCameras();
    ASSERT_EQ(ScanOpen(), 1);
    settleAt(0);
    g_nFrameNumber1 = 10;
    scan_mode = 0;
    ScanCommandWrite(10, 100, 16, 0, 0);
    ASSERT_EQ(ExecuteProgram(nCameraHandle1, 0), 1);
    ASSERT_EQ(reply("p1"), "10\r");
    ASSERT_TRUE(eventually([] { return reply("m140") == "1\r"; }));
    helx::sim::SimLog::instance().clear();
    {
      std::lock_guard lock(announced_mutex);
      announced.clear();
    }
    ASSERT_EQ(ExecuteProgram(nCameraHandle1, 0), 1);
    auto seen = announcements();
    auto moves = pmacEvents("move");
    ASSERT_EQ(seen.size(), 10u);
    ASSERT_EQ(moves.size(), 11u);
    // Not one step before the scanner left its start.
    for (auto& a : seen) EXPECT_GE(a.at, moves[0]["at"].get<double>()) << "step " << a.step;
    EXPECT_GE(seen[0].counts, 150.0);
  });
}

TEST_F(Scanner, ImagingFramesTriggerHalfAStepBeforeEachFramePosition) {
  simulate(nlohmann::json::object(), 5);
  drive([&] {
    openCameras();
    ASSERT_EQ(ScanOpen(), 1);
    settleAt(0);
    g_nFrameNumber1 = 5;
    scan_mode = 1;
    // The sweep ends at 4900 counts, short of the fifth frame's 5000: only a trigger at 4500
    // takes it. The 400 counts between (most of a second of the sweep) leave the position
    // polls room on a loaded machine; a poll that came only after the return would lose the
    // frame, and the scan would report it as not reached.
    ScanCommandWrite(5, 0, 0, 50, 490);
    step_size = 100.0f;
    EXPECT_EQ(ExecuteProgram(nCameraHandle1, 0), 1);
    auto seen = announcements();
    ASSERT_EQ(seen.size(), 5u);
    auto moves = pmacEvents("move");  // the sweep, then the return to 0
    ASSERT_EQ(moves.size(), 2u);
    for (int k = 1; k <= 5; ++k) {
      const Announcement& a = seen[static_cast<std::size_t>(k - 1)];
      EXPECT_EQ(a.step, k);
      EXPECT_EQ(a.accepted, 1);
      bool passed = a.counts >= 1000.0 * k - 500.0;
      bool over = a.at >= moves[1]["at"].get<double>();
      EXPECT_TRUE(passed || over) << "frame " << k << " at " << a.counts << " counts";
    }
  });
}

TEST_F(Scanner, AProgramThatIsNotRunningEndsTheScanAtOnce) {
  simulate();
  drive([&] {
    openCameras();
    ASSERT_EQ(ScanOpen(), 1);
    ScanCommandWrite(10, 100, 16, 0, 0);
    g_nFrameNumber1 = 10;
    scan_mode = 0;
    // Amplifier off: the controller refuses to run, its running bit reads 0.
    EXPECT_EQ(reply("m180->X:$818,0 m180"), "0\r");
    SetCurrentCamera(nCameraHandle1);
    EXPECT_EQ(ExecuteProgram(nCameraHandle1, 0), 1);
    EXPECT_TRUE(announcements().empty());
    EXPECT_EQ(Scanning, 0);
    EXPECT_TRUE(contains(monitorText(), "\nScanning complete.\n"));
    EXPECT_TRUE(contains(monitorText(), "\n10 of 10 scan steps were not reached.\n"));
    long current = 0;
    GetCurrentCamera(&current);
    EXPECT_EQ(current, nCameraHandle1);
  });
}

TEST_F(Scanner, ASilentControllerEndsTheScanWithZero) {
  // Ten seconds of scan, two of them real: the first look comes well before its end.
  simulate({{"faults", {{"no_reply:M180P1#1P", {{"times", 1}}}}}}, 5);
  drive([&] {
    openCameras();
    ASSERT_EQ(ScanOpen(), 1);
    settleAt(0);
    g_nFrameNumber1 = 10;
    scan_mode = 0;
    ScanCommandWrite(10, 1000, 16, 0, 0);
    EXPECT_EQ(ExecuteProgram(nCameraHandle1, 0), 0);
    EXPECT_EQ(Scanning, 0);
    EXPECT_TRUE(contains(monitorText(), "did not answer \"m180 p1 #1P\""));
    // The program was stopped rather than left running unwatched.
    EXPECT_EQ(pmacEvents("program_abort").size(), 1u);
  });
}

TEST_F(Scanner, AbortEndsARunningScanPromptly) {
  simulate(nlohmann::json::object(), 5);
  drive([&] {
    openCameras();
    ASSERT_EQ(ScanOpen(), 1);
    settleAt(0);
    g_nFrameNumber1 = 10;
    scan_mode = 0;
    ScanCommandWrite(10, 1000, 16, 0, 0);  // one second a step
    std::atomic<int> result{-1};
    std::thread scan([&] { result = ExecuteProgram(nCameraHandle1, 0); });
    ASSERT_TRUE(eventually([] { return ScanStepsAnnounced() >= 2; }));
    EXPECT_EQ(AbortScan(), 1);
    scan.join();
    EXPECT_EQ(result, 0);
    EXPECT_EQ(Scanning, 0);
    EXPECT_LT(ScanStepsAnnounced(), 10);
    EXPECT_TRUE(contains(monitorText(), "\nScan aborted.\n"));
    EXPECT_EQ(pmacEvents("program_abort").size(), 1u);
    EXPECT_EQ(AbortScan(), 1);  // nothing runs: nothing to do
  });
}

TEST_F(Scanner, GatheringNotArmedStartsNoScan) {
  simulate();
  drive([&] {
    openCameras();
    // No controller at all: the gathering cannot be armed.
    EXPECT_EQ(ExecuteProgram(nCameraHandle1, 0), 0);
    auto popup = Operator::waitForPopup("Error", "Set gathering failed.", 5);
    ASSERT_TRUE(popup);
    EXPECT_EQ(popup->kind, "information");  // the message box with the information icon
    EXPECT_FALSE(contains(monitorText(), "Starting Scan"));
    EXPECT_EQ(Scanning, 0);
  });
}

// ---------------------------------------------------------------------------------------------
// Homing and the slit-step buttons

TEST_F(Scanner, HomingEndsInStateThirtyAndASecondPowerUpDoesNotHomeAgain) {
  simulate();
  drive([&] {
    ASSERT_EQ(ScanOpen(), 1);
    SetCtrlAttribute(mainPanel, PANEL_TIMER, ATTR_ENABLED, 1);
    ASSERT_TRUE(eventually([] { return g_nAmpOnSeq == 30; }, 30));
    auto timerOff = [] {
      int enabled = 1;
      GetCtrlAttribute(mainPanel, PANEL_TIMER, ATTR_ENABLED, &enabled);
      return enabled == 0;
    };
    ASSERT_TRUE(eventually(timerOff));
    EXPECT_EQ(zerostep, 0);
    EXPECT_TRUE(contains(monitorText(), "Amp is turned ON\n"));
    ASSERT_EQ(pmacEvents("home_complete").size(), 1u);
    // The new zero lies 75000 counts beyond home, and the scanner comes to rest on it. The
    // in-position bit can rise while the servo still rings about the end of the long jog (its
    // band is 10 counts, the first swings some 50), so the zero is set then and the position is
    // looked at once the ringing has died away.
    auto jogs = pmacEvents("jog");
    ASSERT_FALSE(jogs.empty());
    EXPECT_EQ(jogs.back()["target"], 75000.0);
    EXPECT_EQ(pmacEvents("home_zero").size(), 1u);
    EXPECT_TRUE(eventually([] { return std::abs(std::stod(reply("#1P"))) < 1.0; }));
    int dimmed = 1;
    GetCtrlAttribute(testpanel, test_panel_SetZero, ATTR_DIMMED, &dimmed);
    EXPECT_EQ(dimmed, 0);

    CloseDevice();
    ASSERT_EQ(ScanOpen(), 1);
    SetCtrlAttribute(mainPanel, PANEL_TIMER, ATTR_ENABLED, 1);
    ASSERT_TRUE(eventually(timerOff));
    EXPECT_EQ(pmacEvents("home_start").size(), 1u);
    EXPECT_EQ(g_nAmpOnSeq, 30);
  });
}

TEST_F(Scanner, AHomingStepThatFailsEndsHomingAndTheNextPowerUpHomesAgain) {
  // The controller does not answer the command that sets the new zero, once.
  simulate({{"faults", {{"no_reply:HMZ", {{"times", 1}}}}}});
  drive([&] {
    ASSERT_EQ(ScanOpen(), 1);
    SetCtrlAttribute(mainPanel, PANEL_TIMER, ATTR_ENABLED, 1);
    EXPECT_EQ(ScannerHoming(), 1);
    EXPECT_TRUE(Operator::waitForPopup(
        "Error", "Scanner homing failed: the controller did not answer \"HMZ\"", 30));
    EXPECT_EQ(g_nAmpOnSeq, 0);
    EXPECT_EQ(ScannerHoming(), 0);
    EXPECT_EQ(ScannerHomed(), 0);
    EXPECT_TRUE(pmacEvents("home_zero").empty());
    EXPECT_FALSE(contains(monitorText(), "Scanner homed."));

    // The next power-up homes from the start.
    SetCtrlAttribute(mainPanel, PANEL_TIMER, ATTR_ENABLED, 1);
    ASSERT_TRUE(eventually([] { return ScannerHomed() == 1; }, 30));
    EXPECT_EQ(pmacEvents("home_start").size(), 2u);
    EXPECT_EQ(pmacEvents("home_zero").size(), 1u);
    // The tick says so on the interface thread just after it has set the state.
    EXPECT_TRUE(eventually([] { return contains(monitorText(), "\nScanner homed.\n"); }));
  });
}

namespace {
bool homingTimerOff() {
  int enabled = 1;
  GetCtrlAttribute(mainPanel, PANEL_TIMER, ATTR_ENABLED, &enabled);
  return enabled == 0;
}

std::size_t occurrences(const std::string& text, const std::string& part) {
  std::size_t n = 0;
  for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) n++;
  return n;
}

// HomingStop as Power Off calls it: on the interface thread, between two ticks.
void homingStopOnTheInterfaceThread() {
  helx::ui::EventLoop::instance().post([] { HomingStop(); });
  ASSERT_TRUE(Operator::sync());
}
}  // namespace

TEST_F(Scanner, AHomingThatNeverFinishesFailsWithinItsLimitAndLeavesTheScannerNotHomed) {
  // The home flag lies beyond the positive limit: the home search runs onto the limit switch
  // and the home is never complete.
  simulate({{"home_flag", 160000}}, 20);
  drive([&] {
    auto& clock = helx::os::Clock::instance();
    ASSERT_EQ(ScanOpen(), 1);
    const double started = clock.seconds();
    SetCtrlAttribute(mainPanel, PANEL_TIMER, ATTR_ENABLED, 1);
    ASSERT_TRUE(eventually([] { return g_nAmpOnSeq == 21; }, 30));
    const double searchSeen = clock.seconds();  // at or after the state began
    const std::string text =
        "Scanner homing failed: the controller did not report the home complete within 60 s; "
        "the scanner was stopped. The scanner's zero is not set: scans are refused until Power "
        "On has homed it again.";
    auto popup = Operator::waitForPopup("Error", text, 30);
    ASSERT_TRUE(popup);
    EXPECT_GE(popup->time - started, kHomingHomeCompleteSeconds);
    // A tick comes every 0.1 s; the rest is room for a busy interface thread.
    EXPECT_LE(popup->time - searchSeen, kHomingHomeCompleteSeconds + 5);
    EXPECT_TRUE(eventually([&] { return contains(monitorText(), text); }));
    EXPECT_FALSE(pmacEvents("home_failed").empty());
    EXPECT_TRUE(pmacEvents("home_complete").empty());

    // Not homed, and no longer homing: the setup and Run refuse because of the first.
    EXPECT_TRUE(homingTimerOff());
    EXPECT_EQ(g_nAmpOnSeq, 0);
    EXPECT_EQ(ScannerHomed(), 0);
    EXPECT_EQ(ScannerHoming(), 0);
    EXPECT_EQ(RefusedWhileHoming(), 0);
    EXPECT_FALSE(contains(monitorText(), "The scanner is still homing."));
  });
}

TEST_F(Scanner, HomingStoppedHalfWayStartsAgainAtItsFirstStateAndJogsToTheNewZero) {
  // The scanner starts far from its negative limit: the jog there lasts some 7 s.
  simulate({{"start_position", 140000}}, 10);
  drive([&] {
    ASSERT_EQ(ScanOpen(), 1);
    SetCtrlAttribute(mainPanel, PANEL_TIMER, ATTR_ENABLED, 1);
    ASSERT_TRUE(eventually([] { return g_nAmpOnSeq == 10; }, 30));
    homingStopOnTheInterfaceThread();
    EXPECT_TRUE(homingTimerOff());
    EXPECT_EQ(g_nAmpOnSeq, 0);
    EXPECT_EQ(ScannerHoming(), 0);
    EXPECT_EQ(ScannerHomed(), 0);
    // The jog towards the limit was stopped on its way, not left running.
    EXPECT_TRUE(eventually([] { return reply("m140") == "1\r"; }));
    EXPECT_GT(std::atof(reply("#1P").c_str()), -50000.0);
    EXPECT_TRUE(pmacEvents("home_start").empty());

    // The next start enables the amplifier and jogs to the limit again: resumed where it
    // stopped, it would wait at the stopped scanner for a limit switch that never trips.
    SetCtrlAttribute(mainPanel, PANEL_TIMER, ATTR_ENABLED, 1);
    ASSERT_TRUE(eventually([] { return ScannerHomed() == 1; }, 30));
    EXPECT_EQ(occurrences(monitorText(), "Amp is turned ON\n"), 2u);
    EXPECT_EQ(pmacEvents("home_start").size(), 1u);
    auto jogs = pmacEvents("jog");
    ASSERT_FALSE(jogs.empty());
    EXPECT_EQ(jogs.back()["target"], 75000.0);
    EXPECT_EQ(zerostep, 0);

    // Stopping a finished homing leaves it finished: the controller keeps its zero.
    homingStopOnTheInterfaceThread();
    EXPECT_EQ(ScannerHomed(), 1);
    SetCtrlAttribute(mainPanel, PANEL_TIMER, ATTR_ENABLED, 1);
    ASSERT_TRUE(eventually(homingTimerOff));
    EXPECT_EQ(pmacEvents("home_start").size(), 1u);
  });
}

TEST_F(Scanner, AnAmplifierThatDoesNotEnableLeavesStateZero) {
  simulate({{"faults", {{"amp_enable", {{"times", -1}}}}}});
  drive([&] {
    ASSERT_EQ(ScanOpen(), 1);
    SetCtrlAttribute(mainPanel, PANEL_TIMER, ATTR_ENABLED, 1);
    ASSERT_TRUE(eventually([] { return contains(monitorText(), "Amp is not powered."); }));
    ASSERT_TRUE(eventually([] {
      int enabled = 1;
      GetCtrlAttribute(mainPanel, PANEL_TIMER, ATTR_ENABLED, &enabled);
      return enabled == 0;
    }));
    EXPECT_EQ(g_nAmpOnSeq, 0);
    EXPECT_FALSE(contains(monitorText(), "Amp is turned ON"));
    EXPECT_TRUE(pmacEvents("home_start").empty());
  });
}

TEST_F(Scanner, SlitStepsMoveTheJogTargetTenCountsPerStep) {
  simulate();
  drive([&] {
    ASSERT_EQ(ScanOpen(), 1);
    settleAt(0);
    SetCtrlVal(testpanel, test_panel_SlitStepSize, 5);
    SlitStepIncrease(testpanel, test_panel_SlitStepIncrease, EVENT_COMMIT, nullptr, 0, 0);
    EXPECT_EQ(zerostep, 50);
    SlitStepIncrease(testpanel, test_panel_SlitStepIncrease, EVENT_COMMIT, nullptr, 0, 0);
    SlitStepDecrease(testpanel, test_panel_SlitStepDecrease, EVENT_COMMIT, nullptr, 0, 0);
    EXPECT_EQ(zerostep, 50);
    auto jogs = pmacEvents("jog");
    ASSERT_GE(jogs.size(), 3u);
    EXPECT_EQ(jogs[jogs.size() - 3]["target"], 50.0);
    EXPECT_EQ(jogs.back()["target"], 50.0);
    ASSERT_TRUE(eventually([] { return reply("#1P") == "50.0\r"; }));
    // Only commits act.
    SlitStepIncrease(testpanel, test_panel_SlitStepIncrease, EVENT_VAL_CHANGED, nullptr, 0, 0);
    EXPECT_EQ(zerostep, 50);

    // The product with 10 stays within the jog target's range.
    SetCtrlVal(testpanel, test_panel_SlitStepSize, 300000000);
    SlitStepIncrease(testpanel, test_panel_SlitStepIncrease, EVENT_COMMIT, nullptr, 0, 0);
    EXPECT_EQ(zerostep, INT_MAX);

    SetZero(testpanel, test_panel_SetZero, EVENT_COMMIT, nullptr, 0, 0);
    EXPECT_EQ(zerostep, 0);
    EXPECT_EQ(pmacEvents("home_zero").size(), 1u);
  });
}

// ---------------------------------------------------------------------------------------------
// Gathering

TEST_F(Scanner, GatherFileHoldsTheScanServoDataAndItsTimes) {
  simulate();
  drive([&] {
    openCameras();
    ASSERT_EQ(ScanOpen(), 1);
    EXPECT_EQ(UploadQuickGather(1), 0);  // nothing gathered yet
    EXPECT_FALSE(fs::exists(workdir / "GatherResult.txt"));

    settleAt(0);
    g_nFrameNumber1 = 10;
    scan_mode = 0;
    ScanCommandWrite(10, 100, 16, 0, 0);
    ASSERT_EQ(ExecuteProgram(nCameraHandle1, 0), 1);
    ASSERT_EQ(UploadQuickGather(1), 1);
    EXPECT_NE(plotHandle, 0);

    std::ifstream in(workdir / "GatherResult.txt");
    std::string line;
    std::getline(in, line);
    EXPECT_EQ(line, "Quick Gathering Sample Data File");
    std::getline(in, line);
    EXPECT_EQ(line, "[Commanded Position]\t[Actual Position]\t[DAC Output]");
    std::vector<std::vector<double>> rows;
    std::vector<std::string> times;
    while (std::getline(in, line)) {
      ASSERT_EQ(line.size(), 4 * 20 + 3u) << line;
      std::vector<double> row;
      for (int col = 0; col < 4; ++col) {
        ASSERT_TRUE(col == 3 || line[static_cast<std::size_t>(col * 21 + 20)] == '\t');
        row.push_back(std::stod(line.substr(static_cast<std::size_t>(col * 21), 20)));
      }
      times.push_back(line.substr(63));
      rows.push_back(row);
    }
    ASSERT_GT(rows.size(), 500u);  // well past sample 116
    EXPECT_EQ(times[0], "               0.000");
    EXPECT_EQ(times[1], "               0.002");
    EXPECT_EQ(times[2], "               0.004");
    EXPECT_EQ(times[3], "               0.007");
    EXPECT_EQ(times[500], "               1.104");
    // Ten steps of 160 counts, and the actual position follows the commanded one.
    double most = 0, worst = 0;
    for (auto& r : rows) {
      most = std::max(most, r[0]);
      worst = std::max(worst, std::abs(r[1] - r[0]));
    }
    EXPECT_NEAR(most, 1600.0, 1.0);
    EXPECT_LT(worst, 160.0);
    EXPECT_NEAR(rows.back()[1], rows.back()[0], 10.0);
  });
}

// ---------------------------------------------------------------------------------------------
// Command line

TEST_F(Scanner, TheCommandLineSendsAtMost35CharactersToTheChosenController) {
  simulate();
  drive([&] {
    ASSERT_EQ(ScanOpen(), 1);
    ASSERT_TRUE(Operator::commit(mainPanel, PANEL_Obs_Test));
    ASSERT_TRUE(Operator::sync());
    // The 36th character would make it another, invalid variable.
    std::string typed = "i900" + std::string(31, ' ') + "1" + std::string(20, '2');
    ASSERT_TRUE(Operator::type(testpanel, test_panel_STR_Command, typed));
    std::string before = monitorText();
    ASSERT_TRUE(Operator::key(testpanel, test_panel_STR_Command, VAL_ENTER_VKEY));
    ASSERT_TRUE(Operator::sync());
    EXPECT_EQ(ControlText(testpanel, test_panel_TB_Text_Monitor),
              "Scanner> " + typed.substr(0, 35) + "\n");
    EXPECT_EQ(monitorText().substr(before.size()), "3\r");
    EXPECT_EQ(ControlText(testpanel, test_panel_STR_Command), "");

    // Neither target chosen: nothing is sent or echoed.
    SetCtrlVal(testpanel, test_panel_radio_scan, 0);
    ASSERT_TRUE(Operator::type(testpanel, test_panel_STR_Command, "i900"));
    before = monitorText();
    ASSERT_TRUE(Operator::key(testpanel, test_panel_STR_Command, VAL_ENTER_VKEY));
    ASSERT_TRUE(Operator::sync());
    EXPECT_EQ(monitorText(), before);
    EXPECT_EQ(ControlText(testpanel, test_panel_TB_Text_Monitor),
              "Scanner> " + typed.substr(0, 35) + "\n");
  });
}

}  // namespace
