// Operator sequences on the whole program with the simulated instrument: presses made at the
// moments that matter (QUIT during a scan, a second Power Off during the warm-up, the test
// panel's cooler during a run's refusal, ...). Each row says what the operator is told, what the
// simulators logged, what reached the disk, and every row ends with the program ended and both
// cameras shut down once, warm.
#include <algorithm>
#include <chrono>
#include <fstream>
#include <functional>
#include <iterator>
#include <nlohmann/json.hpp>
#include <ostream>
#include <string>
#include <vector>

#include "app/shell.h"
#include "camera/camera.h"
#include "observing_fixture.h"
#include "platform/atmcd/atmcd_sim.h"
#include "platform/os/clock.h"
#include "platform/ui/operator.h"
#include "scanner/scanner.h"
#include "sequence/sequence.h"
#include "sim/common/settings.h"
#include "sim/common/sim_log.h"
#include "state/observation_state.h"

using helx::ui::Operator;

namespace {

// Real seconds: for a row's moment to come, for a popup to be raised, and from the last press
// (QUIT) until the program's main has returned.
constexpr double kMomentLimitSeconds = 30.0;
constexpr double kPopupLimitSeconds = 10.0;
constexpr double kProgramEndLimitSeconds = 60.0;
// The clock's rates: the fixture's setup rate, and the warm-up's for a press made during it (the
// warm-up lasts some twelve instrument seconds: at this rate a press made once it has begun still
// lands in it on a loaded machine).
constexpr double kFastScale = 25.0;
constexpr double kWarmUpScale = 5.0;
// The warm-up ends with the cameras stable within a degree of its 5 C set point, approached from
// below, or above 5 C.
constexpr double kWarmedAboveCelsius = 4.0;

enum class Press { kNone, kRun, kStop, kQuit, kPowerOff, kSet };

struct Step {
  const char* moment = nullptr;  // what is waited for before the press (null: nothing)
  std::function<bool()> reached = {};
  double scale = 0;  // the clock's rate from the moment on (0: as it is)
  Press press = Press::kNone;
  std::function<void()> then = {};  // checked (or prepared) right after the press
};

class OperatorSequence;

// A popup (title and part of its text), or with an empty title a line of the message box.
struct Told {
  const char* title;
  const char* text;
};

struct SequenceRow {
  const char* name = "";
  Observation observation = {};
  bool setUp = true;                    // the observation confirmed with OK before the presses
  bool testPanel = false;               // the test panel opened before the presses
  nlohmann::json pmac = nullptr;        // the scanner controller's settings (its faults), if any
  std::vector<Step> steps = {};         // a row without a QUIT press ends with one
  std::vector<Told> told = {};          // what the operator must have been told
  std::vector<const char*> never = {};  // in no popup and nowhere in the message log
  int scansStarted = -1;                // "Starting Scan." in the message log (-1: not looked at)
  int aFiles = -1, bFiles = -1;
  std::function<void(const OperatorSequence&)> alsoCheck = {};  // once the program has ended
};

void PrintTo(const SequenceRow& row, std::ostream* os) { *os << row.name; }

bool contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

int occurrences(const std::string& text, const std::string& part) {
  int n = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
  return n;
}

// Everything appended to a message box and every popup, as the program logged it.
std::string messageLog() {
  std::ifstream log("helx-messages.log");
  return std::string(std::istreambuf_iterator<char>(log), {});
}

bool runButtonEnabled() {
  int dimmed = 1;
  GetCtrlAttribute(mainPanel, PANEL_cmd_Run, ATTR_DIMMED, &dimmed);
  return dimmed == 0;
}

bool runEndedAndRunEnabled() { return RunActive() == 0 && runButtonEnabled(); }

bool warmUpStarted() { return temp_warming == 1 && temp_watch_active >= 1; }

void setScale(double scale) { helx::os::Clock::instance().setScale(TestTimeScale(scale)); }

// The test panel's coolers both on, at `celsius`.
void coolersOnAt(int celsius) {
  SetCtrlVal(testpanel, test_panel_CoolerOnOff1, 0);
  SetCtrlVal(testpanel, test_panel_CoolerOnOff2, 0);
  ASSERT_TRUE(Operator::type(testpanel, test_panel_ccdTemp, std::to_string(celsius)));
  ASSERT_TRUE(Operator::type(testpanel, test_panel_ccdTemp2, std::to_string(celsius)));
  ASSERT_TRUE(Operator::sync());
}

void expectCoolerButtonDimmed() {
  ASSERT_TRUE(Operator::sync());
  int dimmed = 0;
  GetCtrlAttribute(testpanel, test_panel_setCooler, ATTR_DIMMED, &dimmed);
  EXPECT_EQ(dimmed, 1) << "the test panel's cooler button is live after Power Off";
}

// The frames of `files` that hold data (not the zeros of a frame never taken).
int framesWithData(const std::vector<FitsFile>& files) {
  int n = 0;
  for (auto& f : files) {
    const long plane = f.naxes[0] * f.naxes[1];
    for (long k = 0; plane > 0 && k + plane <= static_cast<long>(f.pixels.size()); k += plane)
      n += std::any_of(f.pixels.begin() + k, f.pixels.begin() + k + plane,
                       [](float v) { return v != 0; });
  }
  return n;
}

class OperatorSequence : public Observing, public ::testing::WithParamInterface<SequenceRow> {
 public:
  static std::vector<SequenceRow> Rows();

 protected:
  void press(Press p) {
    helx::ui::ActionResult done;
    switch (p) {
      case Press::kNone:
        return;
      case Press::kRun:
        pressRun();
        return;
      case Press::kStop:
        done = Operator::commit(mainPanel, PANEL_HELX_cmdStop);
        break;
      case Press::kQuit:
        done = Operator::commit(mainPanel, PANEL_QUITBUTTON);
        break;
      case Press::kPowerOff:
        done = Operator::commit(mainPanel, PANEL_POWEROFF);
        break;
      case Press::kSet:
        done = Operator::commit(testpanel, test_panel_setCooler);
        break;
    }
    ASSERT_TRUE(done) << done.error;
  }

  // Power On with a scanner controller that does not open: the rest of the instrument comes up
  // and cools.
  void powerOnWithoutScanner() {
    ASSERT_TRUE(Operator::commit(mainPanel, PANEL_POWERON));
    ASSERT_TRUE(Operator::waitForPopup(
        "Error", "The scanner's controller did not open or does not answer", 60));
    ASSERT_TRUE(eventually(
        [] { return CCD_status == 1 && temp_thread == 1 && temp_watch_active == 0; }, 60));
  }

  // The simulated controller with `pmac` as its settings, beside those simulate() gave.
  static void withScannerSettings(const nlohmann::json& pmac) {
    auto& settings = helx::sim::Settings::instance();
    settings.set({{"camera", settings.section("camera")},
                  {"sixk", settings.section("sixk")},
                  {"log", settings.section("log")},
                  {"pmac", pmac}});
  }

  // Each camera shut down exactly once, and warmed first.
  static void expectEachCameraShutDownOnceWarm() {
    const auto log = helx::sim::SimLog::instance().entries("camera");
    for (int camera : {1, 2}) {
      std::vector<double> at;
      for (auto& e : log)
        if (e["ev"] == "shutdown" && e["camera"] == camera) at.push_back(e["t"].get<double>());
      EXPECT_EQ(at.size(), 1u) << "camera " << camera << " was shut down " << at.size() << " times";
      if (at.empty()) continue;
      double celsius = -99;
      helx::atmcd_sim::withHead(camera, [&](helx::sim::camera::Head& h) {
        celsius = h.thermal().temperature(at.front());
      });
      EXPECT_GT(celsius, kWarmedAboveCelsius)
          << "camera " << camera << " was shut down at " << celsius << " C";
    }
  }
};

std::vector<SequenceRow> OperatorSequence::Rows() {
  Observation both;
  both.camera = "Both";
  // Long enough (about 5 s) that QUIT, pressed at the third frame, lands inside the scan on a
  // loaded machine under the sanitizers.
  both.frames = 60;

  Observation slowCameraOne;  // the pre-scan exposures last about a second
  slowCameraOne.frames = 3;
  slowCameraOne.exposure = "0.5";

  Observation scanCameraOne;
  scanCameraOne.frames = 3;

  Observation series;
  series.acquisition = "Frame Transfer";
  series.frames = 5;
  series.runs = 3;
  series.exposure = "0.2";

  const std::vector<const char*> cleanShutdown = {"Error shutting down", "Shutter Error",
                                                  "System not initialized", "did not end within"};
  auto with = [&](std::vector<const char*> more) {
    more.insert(more.end(), cleanShutdown.begin(), cleanShutdown.end());
    return more;
  };
  auto cameraOneFramesRead = [](int n) {
    return [n] {
      int read = 0;
      for (auto& r : Readouts()) read += r.camera == 1;
      return Scanning == 1 && read >= n;
    };
  };

  return {
      {.name = "QuitDuringCameraOnesScanInBoth",
       .observation = both,
       .steps = {{.press = Press::kRun},
                 {.moment = "camera 1's 3rd frame read during its scan",
                  .reached = cameraOneFramesRead(3),
                  .press = Press::kQuit},
                 {.moment = "the run has ended after QUIT",
                  .reached = [] { return RunActive() == 0; },
                  .scale = kFastScale}},
       .told = {{"", "Scan aborted."},
                {"", "Camera 2's scan was not taken: the observation was stopped."}},
       .never = with({"did not come back"}),
       .scansStarted = 1,
       .aFiles = 1,
       .bFiles = 0,
       .alsoCheck =
           [](const OperatorSequence& t) {
             // Camera 2 exposed only in camera 1's pre-scan exposures; camera 1's file holds
             // what its scan took before the abort.
             EXPECT_EQ(exposures(2).size(), 1u);
             EXPECT_GE(framesWithData(t.files("A")), 3);
           }},

      {.name = "QuitBeforeScanningStarts",
       .observation = slowCameraOne,
       .steps = {{.press = Press::kRun},
                 {.moment = "the pre-scan exposures under way",
                  .reached = [] { return ScanProgramRunning() == 1 && Scanning == 0; },
                  .press = Press::kQuit},
                 {.moment = "the run has ended after QUIT",
                  .reached = [] { return RunActive() == 0; },
                  .scale = kFastScale}},
       .told = {{"", "Scan aborted."}},
       .never = with({"Starting Scan."}),
       .scansStarted = 0,
       .bFiles = 0,
       .alsoCheck =
           [](const OperatorSequence& t) {
             // Only the two pre-scan exposures: no program ran, and no frame was taken.
             EXPECT_LE(exposures(1).size(), 2u);
             EXPECT_EQ(framesWithData(t.files("A")), 0);
           }},

      {.name = "SetThenRunIsRefused",
       .observation = scanCameraOne,
       .testPanel = true,
       .steps = {{.scale = kWarmUpScale, .then = [] { coolersOnAt(-45); }},
                 {.press = Press::kSet},
                 {.moment = "the temperature watch runs",
                  .reached = [] { return temp_watch_active >= 1; },
                  .press = Press::kRun,
                  .then =
                      [] {
                        EXPECT_TRUE(Operator::waitForPopup(
                            "Warning", "Run refused: the cameras' temperatures are being watched.",
                            kPopupLimitSeconds));
                        ASSERT_TRUE(Operator::sync());
                        EXPECT_EQ(RunActive(), 0);
                        EXPECT_TRUE(runButtonEnabled());
                        EXPECT_TRUE(exposures(1).empty());
                        setScale(kFastScale);
                      }},
                 // Once the cameras are stable, Run goes ahead.
                 {.moment = "the watch has ended",
                  .reached = [] { return temp_watch_active == 0 && temp_thread == 1; },
                  .press = Press::kRun},
                 {.moment = "the run has ended",
                  .reached = runEndedAndRunEnabled,
                  .scale = kFastScale}},
       .told = {{"Warning", "Run refused: the cameras' temperatures are being watched."}},
       .never = cleanShutdown,
       .scansStarted = 1,
       .aFiles = 1},

      {.name = "PowerOffTwice",
       .setUp = false,
       .testPanel = true,
       .steps = {{.press = Press::kPowerOff},
                 {.moment = "the warm-up has started",
                  .reached = warmUpStarted,
                  .scale = kWarmUpScale,
                  .press = Press::kPowerOff,
                  .then =
                      [] {
                        EXPECT_TRUE(Operator::waitForPopup("Warning", "Shutdown in progress.",
                                                           kPopupLimitSeconds));
                        setScale(kFastScale);
                      }},
                 {.moment = "the cameras are shut down",
                  .reached = [] { return CCD_status == 0; },
                  .then = expectCoolerButtonDimmed}},
       .told = {{"Warning", "Shutdown in progress."}},
       .never = cleanShutdown,
       .alsoCheck =
           [](const OperatorSequence&) {
             EXPECT_EQ(occurrences(messageLog(), "Complete Shut Down"), 2);
           }},

      {.name = "QuitDuringTheWarmUp",
       .setUp = false,
       .steps = {{.press = Press::kPowerOff},
                 {.moment = "the warm-up has started",
                  .reached = warmUpStarted,
                  .scale = kWarmUpScale,
                  .press = Press::kQuit,
                  .then =
                      [] {
                        EXPECT_TRUE(eventually(
                            [] {
                              return contains(monitorText(), "QUIT was pressed during Power Off");
                            },
                            kPopupLimitSeconds));
                        setScale(kFastScale);
                      }}},
       .told = {{"",
                 "QUIT was pressed during Power Off: the program quits once the instrument is "
                 "shut down."}},
       .never = with({"Shutdown in progress."}),
       .alsoCheck =
           [](const OperatorSequence&) {
             const std::string log = messageLog();
             EXPECT_EQ(occurrences(log, "Complete Shut Down"), 2);
             EXPECT_TRUE(contains(log, "HELXFtp.exe")) << "QUIT did not follow Power Off";
           }},

      {.name = "SetDuringTheWarmUpIsRefused",
       .setUp = false,
       .testPanel = true,
       .steps = {{.press = Press::kPowerOff},
                 {.moment = "the warm-up has started",
                  .reached = warmUpStarted,
                  .scale = kWarmUpScale,
                  .press = Press::kSet,
                  .then =
                      [] {
                        EXPECT_TRUE(Operator::waitForPopup(
                            "Warning", "The cameras are warming up for shutdown.",
                            kPopupLimitSeconds));
                        setScale(kFastScale);
                      }},
                 {.moment = "the cameras are shut down",
                  .reached = [] { return CCD_status == 0; },
                  .then = expectCoolerButtonDimmed}},
       .told = {{"Warning",
                 "The cameras are warming up for shutdown. The coolers cannot be set now."}},
       .never = with({"CCD Cooling Status"})},

      {.name = "StopBetweenFrameTransferSeries",
       .observation = series,
       .steps = {{.press = Press::kRun},
                 {.moment = "the first run's series under way",
                  .reached =
                      [] { return RunActive() == 1 && ControlText(mainPanel, PANEL_S1) == "1"; },
                  .press = Press::kStop},
                 {.moment = "the run has ended",
                  .reached = runEndedAndRunEnabled,
                  .scale = kFastScale,
                  .then = [] { EXPECT_EQ(ControlText(mainPanel, PANEL_S1), "1"); }}},
       .never = cleanShutdown,
       .aFiles = 1,
       .bFiles = 0},

      {.name = "RunWithAScannerThatDidNotOpenSaysWhy",
       .setUp = false,
       .pmac = {{"faults", {{"no_reply", {{"times", -1}}}}}},
       .steps = {{.then =
                      [] {
                        // As it stands after a setup confirmed before this power-up.
                        SetCtrlAttribute(mainPanel, PANEL_cmd_Run, ATTR_DIMMED, 0);
                      }},
                 {.press = Press::kRun,
                  .then =
                      [] {
                        EXPECT_TRUE(Operator::waitForPopup(
                            "Error", "Run refused: the scanner's controller is not open.",
                            kPopupLimitSeconds));
                        EXPECT_EQ(RunActive(), 0);
                      }}},
       .told = {{"Error", "Run refused: the scanner's controller is not open."}},
       .never = with({"Starting Scan."}),
       .scansStarted = 0},

      {.name = "ACoolerTheDriverRefusesIsTold",
       .setUp = false,
       .testPanel = true,
       .steps = {{.then =
                      [] {
                        coolersOnAt(-30);
                        helx::atmcd_sim::faults().inject("CoolerON@2", 1);
                      }},
                 {.press = Press::kSet,
                  .then =
                      [] {
                        EXPECT_TRUE(Operator::waitForPopup(
                            "Error",
                            "Camera 2's cooler command failed (driver code 20013): its cooler was "
                            "not switched on.",
                            kPopupLimitSeconds));
                      }}},
       .told = {{"Error", "Camera 2's cooler command failed"}},
       .never = cleanShutdown},
  };
}

}  // namespace

// OK while a run ends with a cube kept in memory is not a row: the cubes are only offered for
// saving once no run is active (UnsavedCubes), so no sequence of presses reaches an OK that
// would save or discard them before being refused for the run.
TEST_P(OperatorSequence, TellsTheOperatorKeepsTheFilesAndEnds) {
  const SequenceRow& row = GetParam();
  simulate(kFastScale);
  if (!row.pmac.is_null()) withScannerSettings(row.pmac);
  std::chrono::steady_clock::time_point quitPressed{};
  const int result = observe([&] {
    if (row.pmac.is_null())
      powerOn();
    else
      powerOnWithoutScanner();
    if (HasFatalFailure()) return;
    if (row.setUp) {
      setup(row.observation);
      if (HasFatalFailure()) return;
    }
    if (row.testPanel) {
      ASSERT_TRUE(Operator::commit(mainPanel, PANEL_Obs_Test));
      ASSERT_TRUE(Operator::sync());
    }
    bool quitDone = false;
    for (const Step& step : row.steps) {
      if (step.reached) {
        ASSERT_TRUE(eventually(step.reached, kMomentLimitSeconds))
            << "the moment did not come: " << step.moment;
      }
      if (step.scale > 0) setScale(step.scale);
      press(step.press);
      if (HasFatalFailure()) return;
      if (step.press == Press::kQuit) {
        quitDone = true;
        quitPressed = std::chrono::steady_clock::now();
      }
      if (step.then) step.then();
      if (HasFatalFailure()) return;
    }
    if (!quitDone) {
      setScale(kFastScale);
      quitPressed = std::chrono::steady_clock::now();
      press(Press::kQuit);
    }
  });
  const double ending =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - quitPressed).count();
  EXPECT_EQ(result, 0);
  EXPECT_LT(ending, kProgramEndLimitSeconds) << "the program did not end after QUIT";

  const std::string log = messageLog();
  const auto popups = Operator::popups();
  for (const Told& t : row.told) {
    if (*t.title == '\0') {
      EXPECT_TRUE(contains(log, t.text)) << "not in the message box: " << t.text;
      continue;
    }
    EXPECT_TRUE(std::any_of(popups.begin(), popups.end(),
                            [&](const helx::ui::PopupRecord& p) {
                              return p.title == t.title && contains(p.text, t.text);
                            }))
        << "no popup \"" << t.title << "\": " << t.text;
  }
  for (const char* text : row.never) EXPECT_FALSE(contains(log, text)) << "said: " << text;
  if (row.scansStarted >= 0) {
    EXPECT_EQ(occurrences(log, "Starting Scan."), row.scansStarted);
  }
  if (row.aFiles >= 0) {
    EXPECT_EQ(files("A").size(), static_cast<std::size_t>(row.aFiles));
  }
  if (row.bFiles >= 0) {
    EXPECT_EQ(files("B").size(), static_cast<std::size_t>(row.bFiles));
  }
  expectEachCameraShutDownOnceWarm();
  EXPECT_EQ(CCD_status, 0);
  EXPECT_EQ(setup_buffers_ok, 0);
  if (row.alsoCheck) row.alsoCheck(*this);
}

INSTANTIATE_TEST_SUITE_P(Rows, OperatorSequence, ::testing::ValuesIn(OperatorSequence::Rows()),
                         [](const auto& info) { return std::string(info.param.name); });
