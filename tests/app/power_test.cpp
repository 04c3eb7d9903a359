// Power On, the setup's OK and Power Off / QUIT against the whole simulated instrument, driven
// as an operator would.
#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <string>

#include "app/shell.h"
#include "camera/camera.h"
#include "helx_fixture.h"
#include "motors/motors.h"
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

class Powered : public HelxProgram {
 protected:
  // `cameras` cameras cooling and warming at 20 C/s, on a clock 20 times real time; keys of
  // `camera` replace those defaults, and `pmac` is the scanner controller's section.
  void simulate(int cameras, const nlohmann::json& camera = nlohmann::json::object(),
                const nlohmann::json& pmac = nullptr) {
    nlohmann::json heads = {
        {"count", cameras}, {"cool_rate", 20.0}, {"warm_rate", 20.0}, {"hold", 1.0}};
    heads.update(camera);
    nlohmann::json settings = {{"camera", heads}, {"sixk", {{"port", 0}}}, {"log", {{"path", ""}}}};
    if (!pmac.is_null()) settings["pmac"] = pmac;
    helx::sim::Settings::instance().set(settings);
    helx::sim::SimLog::instance().reopen();
    helx::atmcd_sim::reset();
    helx::os::Clock::instance().setScale(20);
    layOutSite();
  }
  // Presses Power On and waits until the instrument is up and cooled (Power On then stays in
  // its callback, processing events, as it does for the whole night).
  void powerOn() {
    ASSERT_TRUE(Operator::commit(mainPanel, PANEL_POWERON));
    // Cooled when the watch has lit "Temp.Stabilized" and let go of the cameras.
    ASSERT_TRUE(eventually(
        [] {
          int stable = 0;
          GetCtrlVal(mainPanel, PANEL_CCDTEMPSTATUS, &stable);
          return stable == 1 && temp_thread == 1 && Scanner_status == 1 && ScannerHoming() == 0;
        },
        60));
  }
  static int page(const char* name) { return Operator::page(name).value_or(-1); }
  void openSetup() {
    ASSERT_TRUE(Operator::commit(mainPanel, PANEL_Set_HELX_parameter));
    ASSERT_TRUE(Operator::sync());
  }
  void ok() {
    ASSERT_TRUE(Operator::commit(HELXpanelSetting, SetHELX_HELX_setOK));
    ASSERT_TRUE(Operator::sync(60));
  }
  void quit() { ASSERT_TRUE(Operator::commit(mainPanel, PANEL_QUITBUTTON)); }
};
}  // namespace

TEST_F(Powered, NoCameraFoundStopsSilently) {
  simulate(0);
  run([&] {
    ASSERT_TRUE(Operator::commit(mainPanel, PANEL_POWERON));
    ASSERT_TRUE(Operator::sync());
    EXPECT_NE(CCD_status, 1);
    EXPECT_NE(Motor_status, 1);
    EXPECT_EQ(ControlText(mainPanel, PANEL_TB_Text_Monitor), "");
    quit();
  });
  EXPECT_TRUE(Operator::popups().empty());
}

TEST_F(Powered, OneCameraPowerUpAndPowerOffCloseOnlyCameraOne) {
  simulate(1);
  run([&] {
    powerOn();
    std::string text = ControlText(mainPanel, PANEL_TB_Text_Monitor);
    EXPECT_EQ(text.rfind("\n1 Camera Detected!!\n\nCamera1 is Opening\n", 0), 0u);
    EXPECT_NE(text.find("\n------------Connected------------\n"), std::string::npos);
    EXPECT_EQ(Motor_status, 1);
    int dimmed = 1;
    GetMenuBarAttribute(menubar, MENUBAR_SETUP, ATTR_DIMMED, &dimmed);
    EXPECT_EQ(dimmed, 0);
    // A second press does nothing.
    ASSERT_TRUE(Operator::commit(mainPanel, PANEL_POWERON));
    ASSERT_TRUE(Operator::sync());
    EXPECT_EQ(ControlText(mainPanel, PANEL_TB_Text_Monitor).find("1 Camera Detected!!", 30),
              std::string::npos);

    ASSERT_TRUE(Operator::commit(mainPanel, PANEL_POWEROFF));
    ASSERT_TRUE(eventually([] { return CCD_status == 0; }, 60));
    // Closing the camera marks it closed; Power Off then dims the menu and returns without
    // processing events, so the queue reaches the sync only after that.
    ASSERT_TRUE(Operator::sync());
    text = ControlText(mainPanel, PANEL_TB_Text_Monitor);
    EXPECT_NE(text.find("-----------Disconnected-----------\n"), std::string::npos);
    EXPECT_EQ(text.find("Complete Shut Down\n"), text.rfind("Complete Shut Down\n"));
    EXPECT_EQ(Scanner_status, 0);
    EXPECT_EQ(Motor_status, 0);
    GetMenuBarAttribute(menubar, MENUBAR_SETUP, ATTR_DIMMED, &dimmed);
    EXPECT_EQ(dimmed, 1);
    quit();
  });
}

TEST_F(Powered, SetupOkConfiguresCamerasFoldersAndSummary) {
  simulate(2);
  run([&] {
    powerOn();
    openSetup();
    int ccd = page("setCCDTAB"), scan = page("setScanTAB"), misc = page("setMISC");
    ASSERT_TRUE(Operator::chooseLabel(ccd, setCCDTAB_CCD_setCamera, "Both(2 in 1)"));
    ASSERT_TRUE(Operator::type(ccd, setCCDTAB_CCD_setExpTime, "0.03"));
    ASSERT_TRUE(Operator::type(ccd, setCCDTAB_CCD_setExpTime2, "0.05"));
    ASSERT_TRUE(Operator::type(ccd, setCCDTAB_CCD_setFrameNumber, "10"));
    ASSERT_TRUE(Operator::chooseLabel(ccd, setCCDTAB_CCD_setBinning, "Custom"));
    ASSERT_TRUE(Operator::sync());
    ASSERT_TRUE(Operator::type(ccd, setCCDTAB_CCD_setHBin, "3"));
    ASSERT_TRUE(Operator::type(ccd, setCCDTAB_CCD_setVBin, "5"));
    ASSERT_TRUE(Operator::type(scan, setScanTAB_Scan_Step_size, "32"));
    ASSERT_TRUE(Operator::chooseLabel(misc, setMISC_MISC_TargetRing, "User Defined Object"));
    ASSERT_TRUE(Operator::sync());
    ASSERT_TRUE(Operator::type(misc, setMISC_MISC_Target, "spot7"));
    ok();
    EXPECT_EQ(ccd_camera, 3);
    EXPECT_EQ(g_nFrameNumber1, 10);
    EXPECT_FLOAT_EQ(scan_duration, 130.0f);
    EXPECT_FLOAT_EQ(scan_size, 16.0f);
    EXPECT_EQ(ControlText(mainPanel, PANEL_info8), "3 x 5");
    EXPECT_EQ(ControlText(mainPanel, PANEL_info3), "32.0");
    EXPECT_EQ(ControlText(mainPanel, PANEL_info6), "2CCD in 1 Step");
    EXPECT_EQ(ControlText(mainPanel, PANEL_info10), "1.3");
    EXPECT_NE(BiasDark1, nullptr);
    EXPECT_NE(BiasDark2, nullptr);
    EXPECT_EQ(setup_buffers_ok, 1);
    std::string directory = entire_directory;
    EXPECT_EQ(directory.rfind("G:\\TARN_Data\\", 0), 0u);
    EXPECT_EQ(directory.substr(directory.size() - 10), "\\raw\\spot7");
    EXPECT_NE(ControlText(mainPanel, PANEL_TB_Text_Monitor)
                  .find("Spectrograph mode script of Scanner generated\n"),
              std::string::npos);
    quit();
  });
}

// Camera 2 hangs in the bias/dark series of OK: the operator learns which camera hung and
// within what limit, no bias/dark file is written from a frame that never came, and Power Off
// and QUIT still shut both cameras down.
TEST_F(Powered, ACameraThatHangsAtOkIsNamedAndPowerOffStillShutsItDown) {
  simulate(2);
  EXPECT_EQ(run([&] {
              powerOn();
              openSetup();
              int ccd = page("setCCDTAB");
              ASSERT_TRUE(Operator::chooseLabel(ccd, setCCDTAB_CCD_setCamera, "Both(2 in 1)"));
              ASSERT_TRUE(Operator::sync());
              Operator::clearPopups();
              helx::atmcd_sim::faults().inject("AcquisitionHang@2", 1);
              ok();
              auto hung =
                  Operator::waitForPopup("Error", "Camera 2 did not finish its exposure", 5);
              ASSERT_TRUE(hung);
              EXPECT_NE(hung->text.find("acquisition aborted."), std::string::npos);
              EXPECT_FALSE(Operator::waitForPopup("Status", "System not initialized", 0));
              int a = 0, b = 0;
              for (auto& e : std::filesystem::recursive_directory_iterator("drive_g")) {
                std::string name = e.path().filename().string();
                a += name.find("_A_BiasDark.fts") != std::string::npos;
                b += name.find("_B_BiasDark.fts") != std::string::npos;
              }
              EXPECT_EQ(a, 1);
              EXPECT_EQ(b, 0);
              ASSERT_TRUE(Operator::commit(mainPanel, PANEL_POWEROFF));
              EXPECT_TRUE(eventually([] { return CCD_status == 0; }, 60));
              quit();
            }),
            0);
  EXPECT_EQ(CCD_status, 0);
  EXPECT_EQ(g_pRawData, nullptr);
}

TEST_F(Powered, SetupOkRefusesABadBindingAndVideoTakesNoBiasForOneCamera) {
  simulate(2);
  run([&] {
    powerOn();
    openSetup();
    int ccd = page("setCCDTAB");
    ASSERT_TRUE(Operator::chooseLabel(ccd, setCCDTAB_CCD_setBinning, "Custom"));
    ASSERT_TRUE(Operator::sync());
    ASSERT_TRUE(Operator::type(ccd, setCCDTAB_CCD_setHBin, "0"));
    ok();
    EXPECT_TRUE(Operator::waitForPopup("Error", "Custom binning", 5));
    EXPECT_EQ(g_pRawData, nullptr);  // no camera was touched

    ASSERT_TRUE(Operator::type(ccd, setCCDTAB_CCD_setHBin, "2"));
    ASSERT_TRUE(Operator::chooseLabel(ccd, setCCDTAB_CCD_setAcq, "Video(Focus)"));
    ok();
    EXPECT_EQ(g_nFrameNumber1, 0);
    EXPECT_EQ(BiasDark1, nullptr);
    EXPECT_EQ(ControlText(mainPanel, PANEL_info4), "0");
    EXPECT_FLOAT_EQ(scan_duration, 100.0f);
    quit();
  });
}

TEST_F(Powered, SetupOkIsRefusedWhileCooling) {
  // Some fifty seconds of real time to the set point: still cooling when OK is pressed, on a
  // loaded machine too.
  simulate(2, {{"cool_rate", 0.05}});
  run([&] {
    ASSERT_TRUE(Operator::commit(mainPanel, PANEL_POWERON));
    // The watch shows temperatures while the cameras cool.
    ASSERT_TRUE(eventually([] { return ControlText(mainPanel, PANEL_CCD1TEMP) != "0"; }, 60));
    openSetup();
    ok();
    EXPECT_TRUE(
        Operator::waitForPopup("Warning", "CCD Temperature is not stabilized. Please wait", 5));
    EXPECT_EQ(g_pRawData, nullptr);
    quit();
  });
}

TEST_F(Powered, QuitWithNothingPoweredStillLaunchesTheTransferProgram) {
  simulate(2);
  EXPECT_EQ(run([&] { quit(); }), 0);
  std::ifstream log("helx-messages.log");
  std::string text((std::istreambuf_iterator<char>(log)), {});
  EXPECT_NE(text.find("HELXFtp.exe"), std::string::npos);
}

TEST_F(Powered, QuitAfterPowerUpParksEverythingAndEnds) {
  simulate(2);
  EXPECT_EQ(run([&] {
              powerOn();
              quit();
            }),
            0);
  EXPECT_EQ(CCD_status, 0);
  EXPECT_EQ(Motor_status, 0);
  EXPECT_EQ(PmacAccessible, 0);
  EXPECT_EQ(g_pRawData, nullptr);
}

TEST_F(Powered, CamerasThatDoNotWarmUpAreShutDownAfterTheLimitWithAPopup) {
  simulate(2, {{"warm_rate", 0.01}});
  warm_up_limit = 30.0;
  EXPECT_EQ(run([&] {
              powerOn();
              ASSERT_TRUE(Operator::commit(mainPanel, PANEL_POWEROFF));
              EXPECT_TRUE(Operator::waitForPopup("Error", "The cameras did not warm up within 30 s",
                                                 3 * 30.0 / 20.0 + 30));
              EXPECT_TRUE(eventually([] { return CCD_status == 0; }, 30));
              quit();
            }),
            0);
  warm_up_limit = 600.0;
}

// A scanner controller that opens but never answers is named at power-up and left closed; the
// cameras and the stepper controller still come up, and QUIT still ends the program.
TEST_F(Powered, AScannerThatDoesNotAnswerIsNamedAndTheRestComesUp) {
  simulate(2, {{"cool_rate", 40.0}, {"settle", 0.2}, {"hold", 0.5}},
           {{"faults", {{"no_reply", {{"times", -1}}}}}});
  EXPECT_EQ(run([&] {
              ASSERT_TRUE(Operator::commit(mainPanel, PANEL_POWERON));
              EXPECT_TRUE(Operator::waitForPopup(
                  "Error", "The scanner's controller did not open or does not answer", 60));
              ASSERT_TRUE(eventually([] { return temp_thread == 1; }, 60));
              EXPECT_EQ(Scanner_status, 0);
              EXPECT_EQ(PmacAccessible, 0);
              EXPECT_EQ(CCD_status, 1);
              EXPECT_EQ(Motor_status, 1);
              quit();
            }),
            0);
  EXPECT_EQ(CCD_status, 0);
}

TEST_F(Powered, SetupAndRunAreRefusedWhileTheScannerHomes) {
  // The controller never reports the home found: homing stays in progress.
  simulate(2, {{"cool_rate", 40.0}, {"settle", 0.2}, {"hold", 0.5}},
           {{"faults", {{"no_reply:M145", {{"times", -1}}}}}});
  EXPECT_EQ(run([&] {
              ASSERT_TRUE(Operator::commit(mainPanel, PANEL_POWERON));
              ASSERT_TRUE(eventually([] { return temp_thread == 1 && g_nAmpOnSeq == 21; }, 60));
              Operator::clearPopups();
              openSetup();
              ok();
              EXPECT_TRUE(Operator::waitForPopup("Warning", "The scanner is still homing.", 5));
              EXPECT_EQ(setup_buffers_ok, 0);
              // Run as it stands after a setup confirmed before this power-up.
              SetCtrlAttribute(mainPanel, PANEL_cmd_Run, ATTR_DIMMED, 0);
              ASSERT_TRUE(Operator::commit(mainPanel, PANEL_cmd_Run));
              EXPECT_TRUE(Operator::waitForPopup("Warning", "The scanner is still homing.", 5));
              EXPECT_EQ(RunActive(), 0);
              quit();
            }),
            0);
}

TEST_F(Powered, MonitoringTakesEveryAnnouncedStepOnceAndEndsWithTheLink) {
  simulate(2);
  run([&] {
    powerOn();
    SetCurrentCamera(nCameraHandle1);
    SetCameraParam(1, 4, 0, 0, 0, 4, 4, 0.01f, 0, 0, 5, nCameraHandle1);
    SetCurrentCamera(nCameraHandle2);
    SetCameraParam(1, 4, 0, 0, 0, 4, 4, 0.01f, 0, 0, 5, nCameraHandle2);
    std::size_t frame = static_cast<std::size_t>(nhDim1) * nvDim1;
    std::fill(g_pRawData, g_pRawData + 5 * frame, 0);
    std::fill(g_pRawData2, g_pRawData2 + 5 * frame, 0);
    helx::sim::SimLog::instance().clear();
    helx_take_mode = 1;
    auto filled = [&](unsigned short* b, int k) {
      return std::any_of(b + k * frame, b + (k + 1) * frame,
                         [](unsigned short v) { return v != 0; });
    };

    // Once homing has ended the scanner rests on its new zero (in position rises while the servo
    // still rings about the end of the long jog, so the monitoring loop's reading is waited for);
    // a step said to lie 1000 counts away is not where it is: dropped, nothing exposed, its slot
    // left alone.
    ASSERT_TRUE(eventually(
        [] {
          return g_nAmpOnSeq == 30 && Scanner_InPosition == 1 && std::fabs(position.load()) < 1.0;
        },
        60));
    const double here = position;
    ResetScanSteps(1);
    SetScanStepPositions(here, 1000.0, 10.0);
    EXPECT_EQ(AnnounceScanStep(), 1);
    ASSERT_EQ(WaitScanStepsStored(30), 1);
    EXPECT_EQ(ScanStepsDropped(), 1);
    EXPECT_EQ(ScanStepsStored(), 0);
    EXPECT_FALSE(filled(g_pRawData, 0));

    // Every step at the scanner's place is taken once, into its own slot.
    ResetScanSteps(5);
    SetScanStepPositions(here, 0.0, 50.0);
    for (int i = 0; i < 5; ++i) {
      EXPECT_EQ(AnnounceScanStep(), 1);
      ASSERT_EQ(WaitScanStepsStored(30), 1);
    }
    EXPECT_EQ(AnnounceScanStep(), 0);  // beyond the scan's frames
    EXPECT_EQ(ScanStepsStored(), 5);
    EXPECT_EQ(ScanStepsDropped(), 0);
    EXPECT_EQ(take, 0);
    for (int k = 0; k < 5; ++k) {
      EXPECT_TRUE(filled(g_pRawData, k)) << "camera 1 slot " << k;
      EXPECT_TRUE(filled(g_pRawData2, k)) << "camera 2 slot " << k;
    }
    int exposures = 0;
    for (auto& e : helx::sim::SimLog::instance().entries("camera"))
      if (e["ev"] == "exposure") ++exposures;
    EXPECT_EQ(exposures, 10);

    ASSERT_TRUE(Operator::commit(mainPanel, PANEL_POWEROFF));
    ASSERT_TRUE(eventually([] { return monitoring_active == 0 && CCD_status == 0; }, 60));
    quit();
  });
}

// Browsing the setup's pages previews the step duration on its page, but the exposure and step
// duration in force (what the cameras, the scanner and every file use) change at OK alone.
TEST_F(Powered, TheSetupPagesPreviewButOnlyOkChangesTheValuesInForce) {
  simulate(2);
  run([&] {
    powerOn();
    openSetup();
    int ccd = page("setCCDTAB");
    ASSERT_TRUE(Operator::chooseLabel(ccd, setCCDTAB_CCD_setCamera, "Camera 2"));
    ASSERT_TRUE(Operator::type(ccd, setCCDTAB_CCD_setExpTime, "0.03"));
    ASSERT_TRUE(Operator::type(ccd, setCCDTAB_CCD_setExpTime2, "0.1"));
    ok();
    EXPECT_FLOAT_EQ(g_fExpTime1, 0.03f);
    EXPECT_FLOAT_EQ(scan_duration, 170.0f);

    openSetup();
    ASSERT_TRUE(Operator::type(ccd, setCCDTAB_CCD_setExpTime, "0.5"));
    for (int tab : {1, 2, 3, 0})
      ASSERT_TRUE(Operator::selectTab(HELXpanelSetting, SetHELX_setTAB, tab));
    ASSERT_TRUE(Operator::sync());
    double preview = 0;
    GetCtrlVal(page("setScanTAB"), setScanTAB_Scan_Step_duration, &preview);
    EXPECT_DOUBLE_EQ(preview, 570.0);  // camera 1's exposure, as the page has always shown it
    ASSERT_TRUE(Operator::commit(HELXpanelSetting, SetHELX_HELX_setCancel));
    ASSERT_TRUE(Operator::sync());
    EXPECT_FLOAT_EQ(g_fExpTime1, 0.03f);
    EXPECT_FLOAT_EQ(scan_duration, 170.0f);
    quit();
  });
}

// With one camera found, camera 2's set point, gain and exposure never reach camera 1: the
// cooling leaves camera 1 at its own set point, and configurations that need camera 2 are
// refused at OK.
TEST_F(Powered, WithOneCameraNothingMeantForCameraTwoReachesCameraOne) {
  simulate(1);
  run([&] {
    SetCtrlVal(testpanel, test_panel_ccdTemp, -30);
    SetCtrlVal(testpanel, test_panel_ccdTemp2, -55);
    powerOn();
    double target = 0;
    helx::atmcd_sim::withHead(1,
                              [&](helx::sim::camera::Head& h) { target = h.thermal().target(); });
    EXPECT_DOUBLE_EQ(target, -30.0);
    for (const char* configuration : {"Camera 2", "Both", "Both(2 in 1)", "Flat Fielding"}) {
      Operator::clearPopups();
      openSetup();
      ASSERT_TRUE(Operator::chooseLabel(page("setCCDTAB"), setCCDTAB_CCD_setCamera, configuration));
      ok();
      EXPECT_TRUE(Operator::waitForPopup("Error", "Only camera 1 was found at Power On", 5))
          << configuration;
      EXPECT_EQ(setup_buffers_ok, 0) << configuration;
      ASSERT_TRUE(Operator::commit(HELXpanelSetting, SetHELX_HELX_setCancel));
    }
    openSetup();
    ASSERT_TRUE(Operator::chooseLabel(page("setCCDTAB"), setCCDTAB_CCD_setCamera, "Camera 1"));
    ok();
    EXPECT_EQ(setup_buffers_ok, 1);
    quit();
  });
}

// About switches the driver's current camera, as the temperature watch does camera by camera:
// it waits until the watch has ended. A custom binning may go up to the detector's size.
TEST_F(Powered, AboutWaitsForTheTemperatureWatchAndBinningGoesToTheDetectorSize) {
  simulate(2);
  run([&] {
    ASSERT_TRUE(Operator::commit(mainPanel, PANEL_POWERON));
    ASSERT_TRUE(eventually([] { return CCD_status == 1 && temp_thread == 0; }, 60));
    // As it stands after a setup was opened once (the test panel's coolers start a watch too).
    SetMenuBarAttribute(menubar, MENUBAR_ABOUT, ATTR_DIMMED, 0);
    SetMenuBarAttribute(menubar, MENUBAR_ABOUT_ABOUT, ATTR_DIMMED, 0);
    ASSERT_TRUE(Operator::menu(menubar, MENUBAR_ABOUT_ABOUT));
    EXPECT_TRUE(Operator::waitForPopup("Warning", "temperatures are being watched", 5));
    ASSERT_TRUE(eventually([] { return temp_thread == 1 && ScannerHoming() == 0; }, 60));
    Operator::clearPopups();
    ASSERT_TRUE(Operator::menu(menubar, MENUBAR_ABOUT_ABOUT));
    ASSERT_TRUE(Operator::sync());
    EXPECT_NE(ControlText(aboutPanel, InfoPanel_textBox).find("CCD2"), std::string::npos);

    openSetup();
    int ccd = page("setCCDTAB");
    ASSERT_TRUE(Operator::chooseLabel(ccd, setCCDTAB_CCD_setBinning, "Custom"));
    ASSERT_TRUE(Operator::sync());
    ASSERT_TRUE(Operator::type(ccd, setCCDTAB_CCD_setHBin, "100"));
    ASSERT_TRUE(Operator::type(ccd, setCCDTAB_CCD_setVBin, "2"));
    ok();
    EXPECT_EQ(ccd_HBin, 100);
    EXPECT_EQ(setup_buffers_ok, 1);
    openSetup();
    ASSERT_TRUE(Operator::type(ccd, setCCDTAB_CCD_setHBin, std::to_string(g_nXPixels1 + 1)));
    ok();
    EXPECT_TRUE(Operator::waitForPopup("Error", "Custom binning must be a whole number", 5));
    quit();
  });
}

// A warm-up ends "stable" at its 5 C: the next power-up's watch must still hold the setup until
// the cameras are cold, however warm they have become meanwhile.
TEST_F(Powered, ASecondPowerUpWaitsForTheColdSetPointAgain) {
  // The real cooling rate: the watch's first look then finds the cameras still above 5 C.
  simulate(2, {{"cool_rate", 2.0}});
  run([&] {
    SetCtrlVal(testpanel, test_panel_ccdTemp, -30);
    SetCtrlVal(testpanel, test_panel_ccdTemp2, -30);
    powerOn();
    ASSERT_TRUE(Operator::commit(mainPanel, PANEL_POWEROFF));
    ASSERT_TRUE(eventually([] { return CCD_status == 0; }, 60));
    // Closed, the cameras drift back towards ambient.
    helx::os::Clock::instance().sleepForSeconds(120);
    ASSERT_TRUE(Operator::commit(mainPanel, PANEL_POWERON));
    ASSERT_TRUE(eventually([] { return CCD_status == 1 && temp_thread == 0; }, 60));
    ASSERT_TRUE(eventually([] { return temp_thread == 1; }, 60));
    double temperature = 99;
    helx::atmcd_sim::withHead(1, [&](helx::sim::camera::Head& h) {
      temperature = h.thermal().temperature(helx::os::Clock::instance().seconds());
    });
    EXPECT_LT(temperature, -28.0);
    quit();
  });
}
