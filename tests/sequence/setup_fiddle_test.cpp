// What the files say after the operator has fiddled with the setup dialog without confirming:
// one setup confirmed with OK, then, case by case, rings browsed and pages typed into and
// cancelled, the test panel opened, a wavelength field added; then Run. Every case's cube must
// still describe the confirmed setup, held against what the simulated instrument logged.
#include <atomic>
#include <cmath>
#include <functional>
#include <mutex>
#include <string>

#include "files/time_marks.h"
#include "observing_fixture.h"
#include "platform/os/clock.h"
#include "platform/ui/operator.h"
#include "scanner/scanner.h"
#include "state/HELX.h"
#include "state/observation_state.h"

using helx::ui::Operator;

namespace {

// Entry 2 of the site's wavelength list; the list's own selection is entry 0, at step 0.
constexpr int kEntry = 2;
constexpr const char* kWavelength = "6569.21";
constexpr const char* kStep = "3205";
constexpr const char* kAngle = "23.21";
constexpr int kFrames = 8;

struct Fiddle {
  const char* what;
  std::function<void()> actions;
};

void openSetup() {
  ASSERT_TRUE(Operator::commit(mainPanel, PANEL_Set_HELX_parameter));
  ASSERT_TRUE(Operator::sync());
}

void cancelSetup() {
  ASSERT_TRUE(Operator::commit(HELXpanelSetting, SetHELX_HELX_setCancel));
  ASSERT_TRUE(Operator::sync());
}

}  // namespace

TEST_F(Observing, FilesDescribeTheConfirmedSetupWhateverTheDialogShowsSince) {
  simulate();
  observe([&] {
    powerOn();
    Observation confirmed;
    confirmed.frames = kFrames;
    confirmed.exposure = "0.02";
    confirmed.wavelength = kEntry;
    confirmed.observer = "First Observer";
    setup(confirmed);

    const std::vector<Fiddle> fiddles = {
        {"the scan mode browsed to Imaging, then Cancel",
         [] {
           openSetup();
           ASSERT_TRUE(Operator::chooseLabel(page("setScanTAB"), setScanTAB_Scan_Mode, "Imaging"));
           ASSERT_TRUE(Operator::sync());
           cancelSetup();
         }},
        {"Frame Transfer chosen, then Cancel",
         [] {
           openSetup();
           ASSERT_TRUE(
               Operator::chooseLabel(page("setCCDTAB"), setCCDTAB_CCD_setAcq, "Frame Transfer"));
           cancelSetup();
         }},
        {"every page changed, then the dialog closed",
         [] {
           openSetup();
           const int ccd = page("setCCDTAB"), misc = page("setMISC");
           ASSERT_TRUE(Operator::type(ccd, setCCDTAB_CCD_setExpTime, "0.05"));
           ASSERT_TRUE(Operator::type(ccd, setCCDTAB_CCD_setFrameNumber, "3"));
           ASSERT_TRUE(Operator::chooseLabel(ccd, setCCDTAB_CCD_setBinning, "2x2 (256x256)"));
           ASSERT_TRUE(Operator::chooseLabel(page("setScanTAB"), setScanTAB_Scan_Mode, "Imaging"));
           ASSERT_TRUE(Operator::choose(page("setMotoTAB"), setMotoTAB_Motor_Wavelength, 4));
           ASSERT_TRUE(Operator::type(misc, setMISC_MISC_Observer, "Someone Else"));
           ASSERT_TRUE(Operator::type(misc, setMISC_sunXpos, "250"));
           ASSERT_TRUE(Operator::close(HELXpanelSetting));
           ASSERT_TRUE(Operator::sync());
         }},
        {"the test panel opened, which reads the wavelength list again",
         [] {
           ASSERT_TRUE(Operator::commit(mainPanel, PANEL_Obs_Test));
           ASSERT_TRUE(Operator::sync());
           ASSERT_TRUE(Operator::close(testpanel));
           ASSERT_TRUE(Operator::sync());
         }},
        {"a wavelength field added",
         [] {
           ASSERT_TRUE(Operator::commit(mainPanel, PANEL_Obs_Test));
           ASSERT_TRUE(Operator::sync());
           ASSERT_TRUE(Operator::commit(testpanel, test_panel_ADDWVFIELDBTN));
           ASSERT_TRUE(Operator::sync());
           ASSERT_TRUE(Operator::close(testpanel));
           ASSERT_TRUE(Operator::sync());
         }},
    };

    // On a clock at real time instrument seconds are calendar seconds, and DATE_BEG can be held
    // against when the simulator began each exposure (the sanitizers' builds slow the clock).
    const bool realTime = TestTimeScale(runScale) == 1.0;
    std::size_t filesBefore = 0;
    for (const Fiddle& fiddle : fiddles) {
      SCOPED_TRACE(fiddle.what);
      fiddle.actions();
      if (HasFatalFailure()) return;

      std::atomic<double> mark{0};
      std::mutex togetherLock;
      ClockPair together;
      SetReadoutHook([&](int, int slot) {
        if (slot != 0) return;
        mark = marktime_start_instrument;
        std::lock_guard lock(togetherLock);
        together = ReadClocksTogether();
      });
      runAndWait();
      SetReadoutHook({});

      // The dialog shows the setup in force again.
      int mode = -1;
      GetCtrlIndex(page("setScanTAB"), setScanTAB_Scan_Mode, &mode);
      EXPECT_EQ(mode, 0);
      int acquisition = -1;
      GetCtrlVal(page("setCCDTAB"), setCCDTAB_CCD_setAcq, &acquisition);
      EXPECT_EQ(acquisition, kSingle);

      // Each frame at its own step of the step program, as Spectrograph mode scans.
      expectScanFrames({1}, 1, kFrames);
      auto cubes = files("A");
      ASSERT_EQ(cubes.size(), filesBefore + 1);
      filesBefore = cubes.size();
      const FitsFile& cube = cubes.back();
      EXPECT_EQ(cube.naxes[2], kFrames);
      EXPECT_EQ(cube.naxes[0], 128);  // 4x4 binning
      EXPECT_EQ(cube.keys.at("HELXMODE"), "Spectrograph");
      EXPECT_EQ(std::stod(cube.keys.at("STEPTIME")), 90.0);  // 20 ms exposure + 70 ms read-out
      EXPECT_EQ(cube.keys.at("GRATWVLN"), kWavelength);
      EXPECT_EQ(cube.keys.at("GRATSTEP"), kStep);
      EXPECT_EQ(cube.keys.at("GRATANGL"), kAngle);
      EXPECT_EQ(cube.keys.at("OBSERVER"), "First Observer");
      EXPECT_EQ(std::stoi(cube.keys.at("TEL_XPOS")), 0);
      const double exptime = std::stod(cube.keys.at("EXPTIME"));

      const auto taken = exposures(1);
      for (const Exposure& x : taken) {
        EXPECT_NEAR(x.end - x.start, exptime, 1e-3);
        EXPECT_EQ(x.grating, std::stod(kStep));
      }
      nlohmann::json rows = FrameTableRows(FrameTablePath(cube.path));
      ASSERT_TRUE(rows.is_array());
      ASSERT_EQ(rows.size(), static_cast<std::size_t>(kFrames));
      std::unique_lock lock(togetherLock);
      for (int k = 0; k < kFrames; ++k) {
        const auto& row = rows[k];
        EXPECT_EQ(row["STEP"], k + 1);
        if (row["STORED"] != 1) continue;
        EXPECT_EQ(row["GRATING"], std::stoi(kStep)) << "frame " << k + 1;
        const Exposure* x = ExposureOfRow(taken, row, mark);
        ASSERT_NE(x, nullptr) << "frame " << k + 1;
        EXPECT_NEAR(row["EXPTIME"].get<double>(), x->end - x->start, 1e-3);
        if (realTime) {
          const double began = CalendarMillisAt(together, x->start);
          EXPECT_NEAR(static_cast<double>(DateMillis(row["DATE_BEG"])), began, 20.0)
              << "frame " << k + 1;
        }
      }
    }
    quit();
  });
}
