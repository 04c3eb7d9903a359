// The observation run in every block and camera configuration, against the simulated
// instrument: the files written, and through the simulators' log, which frame of which cube was
// exposed at which scan step.
#include <algorithm>
#include <cstdlib>
#include <ostream>
#include <string>

#include "app/shell.h"
#include "motors/motors.h"
#include "motors/wavelength_list.h"
#include "observing_fixture.h"
#include "platform/atmcd/atmcd_sim.h"
#include "platform/os/clock.h"
#include "platform/ui/callbacks.h"
#include "platform/ui/operator.h"
#include "scanner/scanner.h"
#include "sequence/sequence.h"
#include "state/observation_state.h"

using helx::ui::Operator;

namespace {

bool contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

// The files' count and every cube's size.
void expectShapes(const std::vector<FitsFile>& files, std::size_t count, long frames) {
  ASSERT_EQ(files.size(), count);
  for (auto& f : files) {
    EXPECT_EQ(f.naxes[0], 128) << f.path;
    EXPECT_EQ(f.naxes[1], 128) << f.path;
    EXPECT_EQ(frames > 1 ? f.naxes[2] : 1, frames) << f.path;
  }
}

void expectCubes(const std::vector<FitsFile>& files, std::size_t count, long frames) {
  expectShapes(files, count, frames);
  for (auto& f : files) {
    // No frame was left as the cleared zeros.
    std::size_t plane = 128 * 128;
    for (long k = 0; k < frames; k++) {
      auto first = f.pixels.begin() + static_cast<long>(plane) * k;
      EXPECT_TRUE(
          std::any_of(first, first + static_cast<long>(plane), [](float v) { return v != 0; }))
          << f.path << " frame " << k;
    }
  }
}

// Exposures of `camera` at the scan's steps: at most one a step and one for every frame it
// stored; fewer than one a step only where the scanner moved on before a step's exposure began
// (those frames are dropped and told: expectScanFrames).
void expectStepCount(std::size_t exposed, std::size_t steps, int camera) {
  std::size_t stored = 0;
  for (const Readout& r : Readouts()) stored += r.camera == camera ? 1 : 0;
  EXPECT_GE(exposed, stored) << "camera " << camera;
  EXPECT_LE(exposed, steps) << "camera " << camera;
}

struct ScanCase {
  const char* name;
  const char* camera;
  int configuration;
  bool a, b;  // files expected per camera
};

void PrintTo(const ScanCase& c, std::ostream* os) { *os << c.name; }

class ScanBlock : public Observing, public ::testing::WithParamInterface<ScanCase> {};

}  // namespace

// ---------------------------------------------------------------------------------------------
// Scan block

TEST_P(ScanBlock, EveryStepHasExactlyOneFrameInItsSlotAndEachRunItsFiles) {
  const ScanCase c = GetParam();
  simulate();
  observe([&] {
    powerOn();
    Observation s;
    s.camera = c.camera;
    s.frames = 6;
    s.runs = 2;
    setup(s);
    ASSERT_EQ(ccd_camera, c.configuration);
    runAndWait();
    expectShapes(files("A"), c.a ? 2 : 0, 6);
    expectShapes(files("B"), c.b ? 2 : 0, 6);
    std::vector<int> cameras;
    if (c.a) cameras.push_back(1);
    if (c.b) cameras.push_back(2);
    expectScanFrames(cameras, 2, 6);
    EXPECT_EQ(ControlText(mainPanel, PANEL_S1), "2");
    EXPECT_FALSE(contains(monitorText(), "were not stored"));
    // The viewed camera follows the configuration; the frame slider spans the cube.
    int view1 = -1, view2 = -1, dimmed2 = -1, last = -1;
    GetCtrlVal(mainPanel, PANEL_viewCCD1, &view1);
    GetCtrlVal(mainPanel, PANEL_viewCCD2, &view2);
    GetCtrlAttribute(mainPanel, PANEL_viewCCD2, ATTR_DIMMED, &dimmed2);
    GetCtrlAttribute(mainPanel, PANEL_set_Select_Frame, ATTR_MAX_VALUE, &last);
    EXPECT_EQ(view1, c.configuration == 1 ? 0 : 1);
    EXPECT_EQ(view2, c.configuration == 1 ? 1 : 0);
    EXPECT_EQ(dimmed2, c.configuration == 0 ? 1 : 0);
    EXPECT_EQ(last, 5);
    EXPECT_EQ(Run_thread_stop, 1);
    EXPECT_NE(GraphicPanel, 0);  // Run loaded a fresh image panel
    quit();
  });
}

INSTANTIATE_TEST_SUITE_P(Configurations, ScanBlock,
                         ::testing::Values(ScanCase{"Camera1", "Camera 1", 0, true, false},
                                           ScanCase{"Camera2", "Camera 2", 1, false, true},
                                           ScanCase{"Both", "Both", 2, true, true},
                                           ScanCase{"BothTwoInOne", "Both(2 in 1)", 3, true, true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(Observing, TwoInOneFilesShareTheirTimesAndBothCamerasExposeTogether) {
  simulate();
  observe([&] {
    powerOn();
    Observation s;
    s.camera = "Both(2 in 1)";
    s.frames = 5;
    s.exposure = "0.02";
    s.exposure2 = "0.03";
    setup(s);
    runAndWait();
    auto a = files("A"), b = files("B");
    ASSERT_EQ(a.size(), 1u);
    ASSERT_EQ(b.size(), 1u);
    EXPECT_FALSE(a[0].strtime.empty());
    EXPECT_EQ(a[0].strtime, b[0].strtime);
    EXPECT_EQ(a[0].endtime, b[0].endtime);
    EXPECT_EQ(a[0].elaptime, b[0].elaptime);
    // Both frames of a step overlap in time.
    expectScanFrames({1, 2}, 1, 5);
    auto one = exposures(1), two = exposures(2);
    expectStepCount(stepsOf(one).size(), 5, 1);
    for (auto& x : one) {
      if (std::lround(x.scanner / (10.0 * step_moved)) == 0) continue;
      EXPECT_TRUE(
          std::any_of(two.begin(), two.end(),
                      [&](const Exposure& y) { return y.start < x.end && x.start < y.end; }))
          << "camera 1 exposure at " << x.start;
    }
    quit();
  });
}

TEST_F(Observing, BothScansCameraTwoAfterCameraOneEachFileTimingItsOwnScan) {
  simulate();
  observe([&] {
    powerOn();
    Observation s;
    s.camera = "Both";
    s.frames = 5;
    setup(s);
    runAndWait();
    auto a = files("A"), b = files("B");
    ASSERT_EQ(a.size(), 1u);
    ASSERT_EQ(b.size(), 1u);
    auto at = [](const std::vector<Exposure>& all) {
      std::vector<Exposure> out;
      for (auto& x : all)
        if (std::lround(x.scanner / (10.0 * step_moved)) != 0) out.push_back(x);
      return out;
    };
    expectScanFrames({1, 2}, 1, 5);
    auto one = at(exposures(1)), two = at(exposures(2));
    expectStepCount(one.size(), 5, 1);
    expectStepCount(two.size(), 5, 2);
    ASSERT_FALSE(one.empty() || two.empty());
    EXPECT_GT(two.front().start, one.back().end);
    // Each elapsed time spans its own scan's steps and not the other camera's.
    double span1 = one.back().end - one.front().start;
    double span2 = two.back().end - two.front().start;
    EXPECT_GE(a[0].elaptime, span1);
    EXPECT_GE(b[0].elaptime, span2);
    EXPECT_LT(b[0].elaptime, two.back().end - one.front().start);
    EXPECT_LT(a[0].elaptime, two.back().end - one.front().start);
    quit();
  });
}

TEST_F(Observing, ImagingSweepTakesEveryFrameInOrder) {
  simulate();
  observe([&] {
    powerOn();
    Observation s;
    s.camera = "Both(2 in 1)";
    s.frames = 6;
    s.scanMode = "Imaging";
    s.speed = "2000";
    s.stroke = "1200";
    setup(s);
    runAndWait();
    expectShapes(files("A"), 1, 6);
    expectShapes(files("B"), 1, 6);
    expectScanFrames({1, 2}, 1, 6);
    for (int camera : {1, 2}) {
      // The sweep moves on from frame to frame.
      std::vector<double> at;
      for (auto& x : exposures(camera))
        if (std::abs(x.scanner) > 5) at.push_back(x.scanner);
      expectStepCount(at.size(), 6, camera);
      EXPECT_TRUE(std::is_sorted(at.begin(), at.end()));
    }
    quit();
  });
}

// Stop pressed during the first run's scan completes and saves the scan in progress and starts
// no other: "Both(2 in 1)" saves both cameras' files of that scan; "Both" (camera 1's scan, then
// camera 2's) saves camera 1's and says that camera 2's scan was not taken.
namespace {
struct StopCase {
  const char* name;
  const char* camera;
  int frames;
  const char* exposure;
  int announcedBeforeStop;
  std::size_t bFiles;
};
void PrintTo(const StopCase& c, std::ostream* os) { *os << c.name; }
class StopDuringAScan : public Observing, public testing::WithParamInterface<StopCase> {};
}  // namespace

TEST_P(StopDuringAScan, SavesTheScanInProgressAndStartsNoOther) {
  const StopCase c = GetParam();
  simulate();
  observe([&] {
    powerOn();
    Observation s;
    s.camera = c.camera;
    s.frames = c.frames;
    s.runs = 3;
    s.exposure = s.exposure2 = c.exposure;
    setup(s);
    pressRun();
    ASSERT_TRUE(
        eventually([&] { return Scanning == 1 && ScanStepsAnnounced() >= c.announcedBeforeStop; }));
    ASSERT_TRUE(Operator::commit(mainPanel, PANEL_HELX_cmdStop));
    ASSERT_TRUE(runEnded());
    expectShapes(files("A"), 1, c.frames);
    expectShapes(files("B"), c.bFiles, c.frames);
    if (std::string(c.camera) == "Both(2 in 1)") expectScanFrames({1, 2}, 1, c.frames);
    EXPECT_EQ(
        contains(monitorText(), "Camera 2's scan was not taken: the observation was stopped."),
        c.bFiles == 0)
        << monitorText();
    EXPECT_EQ(ControlText(mainPanel, PANEL_S1), "1");
    quit();
  });
}

INSTANTIATE_TEST_SUITE_P(Configurations, StopDuringAScan,
                         testing::Values(StopCase{"BothTwoInOne", "Both(2 in 1)", 8, "0.05", 2, 1},
                                         StopCase{"Both", "Both", 5, "0.03", 1, 0}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(Observing, ACameraThatHangsIsNamedAndTheRunEndsWithItsLoss) {
  simulate();
  observe([&] {
    powerOn();
    Observation s;
    s.camera = "Camera 1";
    s.frames = 5;
    setup(s);
    runAndWait();  // a whole scan first: its counts must not pass for the next one's
    ASSERT_EQ(ScanStepsAnnounced(), 5);
    Operator::clearPopups();
    // Camera 1's pre-scan exposure never ends: the scan must not start, and the operator must
    // learn that the camera hung rather than that it is not there.
    helx::atmcd_sim::faults().inject("AcquisitionHang@1", 1);
    runAndWait();
    EXPECT_TRUE(Operator::waitForPopup(
        "Error", "Camera 1 did not finish its exposure within 5.5 s: acquisition aborted.", 5));
    EXPECT_FALSE(Operator::waitForPopup("Status", "System not initialized", 0));
    EXPECT_TRUE(contains(monitorText(), "Observation ended: 5 frames lost.\n"));
    EXPECT_EQ(ScanStepsAnnounced(), 0);
    quit();
  });
}

TEST_F(Observing, NoRunsAcquireNothingAndShowThePreviousData) {
  simulate();
  observe([&] {
    powerOn();
    Observation s;
    s.camera = "Both(2 in 1)";
    s.frames = 4;
    setup(s);
    sequential_number = 0;  // the dialog's minimum is 1
    runAndWait();
    EXPECT_TRUE(files("A").empty());
    EXPECT_TRUE(files("B").empty());
    EXPECT_TRUE(exposures(1).empty());
    EXPECT_TRUE(Readouts().empty());
    int dimmed = 1;
    GetCtrlAttribute(mainPanel, PANEL_set_Select_Frame, ATTR_DIMMED, &dimmed);
    EXPECT_EQ(dimmed, 0);
    EXPECT_NE(GraphicPanel, 0);
    quit();
  });
}

TEST_F(Observing, AScanLongerThanSixtyFiveSecondsShowsItsWholeLength) {
  simulate();
  runScale = 40;
  observe([&] {
    powerOn();
    Observation s;
    s.camera = "Camera 1";
    s.frames = 40;
    s.exposure = "1.7";  // 1.77 s a step: 70.8 s of scan
    setup(s);
    runAndWait(120);
    expectShapes(files("A"), 1, 40);
    // The scan program rests the scanner for 0.3 of a step (531 ms): every 1.7 s exposure runs
    // on into the next steps, and none is filed under a step it was not exposed at.
    EXPECT_EQ(run_frames_dropped, 40);
    EXPECT_EQ(run_frames_lost, 40);
    EXPECT_NE(monitorText().find("Camera 1: 40 of 40 frames were dropped because the scanner had "
                                 "moved on from their step"),
              std::string::npos);
    EXPECT_NE(monitorText().find("Observation ended: 40 frames lost (40 dropped because the "
                                 "scanner had moved on).\n"),
              std::string::npos);
    double shown = std::atof(ControlText(mainPanel, PANEL_info10).c_str());
    EXPECT_GT(shown, 70.0);
    EXPECT_LT(shown, 200.0);
    quit();
  });
}

// ---------------------------------------------------------------------------------------------
// Single frames, frame transfer, scan stop, video

class SingleFrame : public Observing, public ::testing::WithParamInterface<ScanCase> {};

TEST_P(SingleFrame, OneFramePerCameraAndRunCameraOneFirst) {
  const ScanCase c = GetParam();
  simulate();
  observe([&] {
    powerOn();
    Observation s;
    s.camera = c.camera;
    s.frames = 1;
    s.runs = 2;
    setup(s);
    runAndWait();
    expectCubes(files("A"), c.a ? 2 : 0, 1);
    expectCubes(files("B"), c.b ? 2 : 0, 1);
    auto one = exposures(1), two = exposures(2);
    EXPECT_EQ(one.size(), c.a ? 2u : 0u);
    EXPECT_EQ(two.size(), c.b ? 2u : 0u);
    if (c.a && c.b) {
      // Camera 1 is exposed and read completely before camera 2 starts, in every run.
      auto reads = Readouts();
      ASSERT_EQ(reads.size(), 4u);
      EXPECT_EQ(reads[0].camera, 1);
      EXPECT_EQ(reads[1].camera, 2);
      EXPECT_LE(one[0].end, two[0].start);
      EXPECT_LE(one[1].end, two[1].start);
    }
    quit();
  });
}

INSTANTIATE_TEST_SUITE_P(Configurations, SingleFrame,
                         ::testing::Values(ScanCase{"Camera1", "Camera 1", 0, true, false},
                                           ScanCase{"Camera2", "Camera 2", 1, false, true},
                                           ScanCase{"Both", "Both", 2, true, true},
                                           ScanCase{"BothTwoInOne", "Both(2 in 1)", 3, true, true}),
                         [](const auto& info) { return std::string(info.param.name); });

class FrameTransfer : public Observing, public ::testing::WithParamInterface<ScanCase> {};

TEST_P(FrameTransfer, EachRunIsOneSeriesPerCamera) {
  const ScanCase c = GetParam();
  simulate();
  observe([&] {
    powerOn();
    Observation s;
    s.camera = c.camera;
    s.acquisition = "Frame Transfer";
    s.frames = 5;
    s.runs = 2;
    setup(s);
    runAndWait();
    expectCubes(files("A"), c.a ? 2 : 0, 5);
    expectCubes(files("B"), c.b ? 2 : 0, 5);
    EXPECT_EQ(exposures(1).size(), c.a ? 10u : 0u);
    EXPECT_EQ(exposures(2).size(), c.b ? 10u : 0u);
    EXPECT_EQ(ControlText(mainPanel, PANEL_S1), "2");
    quit();
  });
}

INSTANTIATE_TEST_SUITE_P(Configurations, FrameTransfer,
                         ::testing::Values(ScanCase{"Camera1", "Camera 1", 0, true, false},
                                           ScanCase{"Camera2", "Camera 2", 1, false, true},
                                           ScanCase{"Both", "Both", 2, true, true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(Observing, ScanStopTakesCameraOneFramesWithTheScannerAtRest) {
  simulate();
  observe([&] {
    powerOn();
    Observation s;
    s.camera = "Camera 1";
    s.acquisition = "Scan Stop";
    s.frames = 4;
    s.runs = 2;
    setup(s);
    runAndWait();
    expectCubes(files("A"), 2, 4);
    EXPECT_TRUE(files("B").empty());
    auto one = exposures(1);
    ASSERT_EQ(one.size(), 8u);
    for (auto& x : one) EXPECT_NEAR(x.scanner, 0.0, 10.0);
    auto reads = Readouts();
    ASSERT_EQ(reads.size(), 8u);
    for (std::size_t i = 0; i < reads.size(); i++)
      EXPECT_EQ(reads[i].slot, static_cast<int>(i % 4));
    quit();
  });
}

TEST_F(Observing, ScanStopWithBothCamerasAcquiresNothingAndSaysWhy) {
  simulate();
  observe([&] {
    powerOn();
    Observation s;
    s.camera = "Both";
    s.acquisition = "Scan Stop";
    s.frames = 4;
    setup(s);
    runAndWait();
    EXPECT_TRUE(files("A").empty());
    EXPECT_TRUE(files("B").empty());
    EXPECT_TRUE(exposures(1).empty());
    EXPECT_TRUE(Operator::waitForPopup("Warning", "Scan Stop takes frames with Camera 1 only", 5));
    EXPECT_TRUE(contains(monitorText(), "nothing was acquired"));
    quit();
  });
}

TEST_F(Observing, StopInVideoEndsAfterTheCurrentFrameAndWritesNoFile) {
  simulate();
  observe([&] {
    powerOn();
    Observation s;
    s.camera = "Camera 2";
    s.acquisition = "Video(Focus)";
    setup(s);
    ASSERT_EQ(g_nFrameNumber1, 0);
    pressRun();
    ASSERT_TRUE(eventually([] { return Readouts().size() >= 3; }));
    ASSERT_TRUE(Operator::commit(mainPanel, PANEL_HELX_cmdStop));
    // Stop counts from when its callback has run, not from the press: the interface thread
    // may come to it frames later on a loaded machine.
    ASSERT_TRUE(eventually([] { return Run_thread_stop != 0; }));
    double stopped = helx::os::Clock::instance().seconds();
    ASSERT_TRUE(runEnded());
    auto two = exposures(2);
    EXPECT_TRUE(exposures(1).empty());
    int after = static_cast<int>(std::count_if(
        two.begin(), two.end(), [&](const Exposure& x) { return x.start > stopped; }));
    EXPECT_LE(after, 1);
    for (auto& r : Readouts()) {
      EXPECT_EQ(r.camera, 2);
      EXPECT_EQ(r.slot, 0);
    }
    EXPECT_TRUE(files("A").empty());
    EXPECT_TRUE(files("B").empty());
    quit();
  });
}

// ---------------------------------------------------------------------------------------------
// Refusals while a run is active

TEST_F(Observing, SetupAboutAndCoolerAreRefusedDuringARunAndPowerOffWaitsForIt) {
  simulate();
  observe([&] {
    powerOn();
    Observation s;
    s.camera = "Camera 1";
    s.acquisition = "Video(Focus)";
    setup(s);
    ASSERT_TRUE(Operator::commit(mainPanel, PANEL_Obs_Test));  // the test panel
    ASSERT_TRUE(Operator::sync());
    pressRun();
    ASSERT_TRUE(eventually([] { return Readouts().size() >= 1; }));
    Operator::clearPopups();

    // The setup opened from the menu (which also makes About available), and its OK.
    auto setupItem = Operator::menuItem("MENUBAR_SETUP_SETUP");
    ASSERT_TRUE(setupItem.has_value());
    ASSERT_TRUE(Operator::menu(setupItem->first, setupItem->second));
    ASSERT_TRUE(Operator::sync());
    ASSERT_TRUE(Operator::commit(HELXpanelSetting, SetHELX_HELX_setOK));
    EXPECT_TRUE(Operator::waitForPopup("Warning", "An observation is running", 5));
    EXPECT_NE(g_pRawData, nullptr);
    auto about = Operator::menuItem("MENUBAR_ABOUT_ABOUT");
    ASSERT_TRUE(about.has_value());
    auto chosen = Operator::menu(about->first, about->second);
    ASSERT_TRUE(chosen) << chosen.error;
    EXPECT_TRUE(Operator::waitForPopup("Warning", "About is available when it has ended", 5));
    ASSERT_TRUE(Operator::commit(testpanel, test_panel_setCooler));
    EXPECT_TRUE(Operator::waitForPopup("Warning", "The coolers can be set when it has ended", 5));
    EXPECT_EQ(RunActive(), 1);

    // Power Off ends the run first and only then closes the cameras.
    ASSERT_TRUE(Operator::commit(mainPanel, PANEL_POWEROFF));
    ASSERT_TRUE(eventually([] { return CCD_status == 0; }, 60));
    EXPECT_EQ(RunActive(), 0);
    quit();
  });
}

TEST_F(Observing, RunIsRefusedWithAMessageWhenTheSetupHasNoBuffers) {
  simulate();
  observe([&] {
    powerOn();
    Observation s;
    s.frames = 3;
    setup(s);
    setup_buffers_ok = 0;  // as after an allocation that failed
    ASSERT_TRUE(Operator::commit(mainPanel, PANEL_cmd_Run));
    EXPECT_TRUE(Operator::waitForPopup("Error", "Run is refused", 5));
    EXPECT_TRUE(Readouts().empty());
    quit();
  });
}

TEST_F(Observing, QuitDuringAScanEndsTheRunBeforeReleasingItsBuffers) {
  simulate();
  EXPECT_EQ(observe([&] {
              powerOn();
              Observation s;
              s.camera = "Both(2 in 1)";
              s.frames = 8;
              s.runs = 5;
              s.exposure = "0.05";
              setup(s);
              pressRun();
              ASSERT_TRUE(eventually([] { return Scanning == 1 && ScanStepsAnnounced() >= 2; }));
              quit();
            }),
            0);
  EXPECT_EQ(RunActive(), 0);
  EXPECT_EQ(g_pRawData, nullptr);
  // The aborted scan was saved with what it took; no other scan started.
  EXPECT_LE(files("A").size(), 1u);
}

TEST_F(Observing, EveryCallbackNamedInThePanelResourceIsBound) {
  simulate();
  observe([&] { quit(); });
  auto unbound = helx::ui::UnboundCallbackNames("HELX.uir");
  EXPECT_TRUE(unbound.empty()) << ::testing::PrintToString(unbound);
}

// A setup whose scan program cannot be generated says so instead of "generated", and Run then
// refuses rather than start the program an earlier setup left on the controller.
TEST_F(Observing, ASetupWhoseScanProgramCannotBeMadeSaysSoAndRunIsRefused) {
  simulate();
  observe([&] {
    powerOn();
    std::filesystem::remove("helx.head");
    Operator::clearPopups();
    Observation s;
    s.frames = 5;
    setup(s);
    EXPECT_TRUE(Operator::waitForPopup(
        "Error", "The scan program was not generated: helx.head cannot be read.", 5));
    EXPECT_EQ(monitorText().find("Spectrograph mode script of Scanner generated"),
              std::string::npos);
    pressRun();
    EXPECT_TRUE(
        Operator::waitForPopup("Error", "Run refused: the scanner holds no scan program", 5));
    EXPECT_EQ(RunActive(), 0);
    EXPECT_TRUE(exposures(1).empty());

    // Mended, the next OK generates the program and Run goes ahead.
    layOutSite();
    setup(s);
    runAndWait();
    EXPECT_EQ(files("A").size(), 1u);
    quit();
  });
}

// "Grating Wav." names the wavelength the grating stands at: a move its limit switch refused
// leaves the grating elsewhere, and the summary says so.
TEST_F(Observing, AWavelengthTheGratingDidNotReachIsNotShownAsReached) {
  simulate(25, 2, {}, {{"faults", {{"PositiveLimitStuck", {{"code", 1}}}}}});
  observe([&] {
    powerOn();
    Observation s;
    s.frames = 2;
    // An entry beyond where the grating stands: the move goes into the stuck limit.
    for (int i = 0; i < nWV_FileIO && s.wavelength < 0; ++i)
      if (Data[i].step > MotorPos1E) s.wavelength = i;
    ASSERT_GE(s.wavelength, 0) << "no wavelength entry lies beyond the grating";
    setup(s);
    EXPECT_EQ(ControlText(mainPanel, PANEL_info9), "not reached");
    EXPECT_NE(monitorText().find("The grating did not reach "), std::string::npos);
    quit();
  });
}
