// The cameras as the program uses them, against the simulated driver: geometry and buffers,
// acquisition into frame slots, open/describe/close, cooling.
#include "camera/camera.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <nlohmann/json.hpp>
#include <string>

#include "helx_fixture.h"
#include "platform/atmcd/atmcd_sim.h"
#include "platform/os/clock.h"
#include "platform/ui/operator.h"
#include "sim/common/settings.h"
#include "sim/common/sim_log.h"
#include "state/HELX.h"
#include "state/observation_state.h"

using helx::ui::Operator;

namespace {

class Cameras : public HelxProgram {
 protected:
  // The simulated instrument with these camera settings, both cameras found and opened.
  void simulate(nlohmann::json camera) {
    helx::sim::Settings::instance().set({{"camera", camera}, {"log", {{"path", ""}}}});
    helx::sim::SimLog::instance().reopen();
    helx::atmcd_sim::reset();
    helx::os::Clock::instance().setScale(50);
    layOutSite();
  }
  void openBoth() {
    long n = 0;
    GetAvailableCameras(&n);
    nNumberOfCameras = static_cast<int>(n);
    GetCameraHandle(0, &nCameraHandle1);
    GetCameraHandle(1, &nCameraHandle2);
    SetCurrentCamera(nCameraHandle2);
    OpenCamera(nCameraHandle2);
    SetCurrentCamera(nCameraHandle1);
    OpenCamera(nCameraHandle1);
  }
  void quit() { Operator::commit(mainPanel, PANEL_QUITBUTTON); }
};
}  // namespace

TEST(FrameGeometry, LargeHeadIsBinnedTwiceMoreAndLosesTwoRows) {
  FrameGeometry g;
  ASSERT_TRUE(GetFrameGeometry(1004, 1002, 1, 1, &g));
  EXPECT_EQ(g.nh, 502);
  EXPECT_EQ(g.nv, 500);
  EXPECT_EQ(g.vsSpeed, 3);
  EXPECT_EQ((std::vector<int>{g.hbin, g.vbin, g.hstart, g.hend, g.vstart, g.vend}),
            (std::vector<int>{2, 2, 1, 1004, 1, 1000}));
  ASSERT_TRUE(GetFrameGeometry(512, 512, 2, 2, &g));
  EXPECT_EQ(g.nh, 256);
  EXPECT_EQ(g.nv, 256);
  EXPECT_EQ(g.vsSpeed, 4);
  EXPECT_EQ((std::vector<int>{g.hbin, g.vbin, g.hstart, g.hend, g.vstart, g.vend}),
            (std::vector<int>{2, 2, 1, 512, 1, 512}));
  ASSERT_TRUE(GetFrameGeometry(512, 512, 3, 5, &g));
  EXPECT_EQ(g.nh, 170);
  EXPECT_EQ(g.nv, 102);
  EXPECT_FALSE(GetFrameGeometry(512, 512, 0, 1, &g));
  EXPECT_FALSE(GetFrameGeometry(512, 512, 1, -2, &g));
}

// The largest binning leaves a frame of one pixel and one more leaves none: the large head
// allows half its pixels, less its two lost rows.
TEST(FrameGeometry, TheLargestBinningStillLeavesAPixel) {
  FrameGeometry g;
  for (auto [width, height, horizontal, vertical] :
       {std::array{512, 512, 512, 512}, std::array{1004, 1002, 502, 500}}) {
    EXPECT_EQ(LargestHorizontalBinning(width, height), horizontal);
    EXPECT_EQ(LargestVerticalBinning(width, height), vertical);
    ASSERT_TRUE(GetFrameGeometry(width, height, horizontal, vertical, &g));
    EXPECT_EQ(g.nh, 1);
    EXPECT_EQ(g.nv, 1);
    ASSERT_TRUE(GetFrameGeometry(width, height, horizontal + 1, vertical + 1, &g));
    EXPECT_EQ(g.nh, 0);
    EXPECT_EQ(g.nv, 0);
  }
  EXPECT_EQ(LargestHorizontalBinning(0, 0), 0);
}

TEST_F(Cameras, SettingsSizeTheBufferAndAFailedClampWritesNeitherMessage) {
  simulate({{"count", 2}});
  run([&] {
    openBoth();
    helx::atmcd_sim::faults().inject("SetBaselineClamp", 1);
    SetCameraParam(1, 4, 0, 0, 0, 1, 1, 0.01f, 0, 0, 20, nCameraHandle1);
    EXPECT_EQ(nhDim1, 512);
    EXPECT_EQ(nvDim, 512);
    ASSERT_NE(g_pRawData, nullptr);
    std::string text = ControlText(mainPanel, PANEL_TB_Text_Monitor);
    EXPECT_EQ(text.find("BaseLine Clamp On"), std::string::npos);
    EXPECT_EQ(text.find("Not Set Baseline Clamp"), std::string::npos);
    // Twenty frames: the last slot is there (the sanitizers catch a short buffer).
    TakeImage(512, 512, nCameraHandle1, 19);
    DataDump(512, 512, nCameraHandle1, 19);
    EXPECT_NE(g_pRawData[20 * 512 * 512 - 1], 0);

    SetCurrentCamera(nCameraHandle2);
    SetCameraParam(1, 4, 0, 0, 0, 2, 2, 0.01f, 0, 0, 0, nCameraHandle2);
    EXPECT_EQ(nhDim2, 256);
    text = ControlText(mainPanel, PANEL_TB_Text_Monitor);
    EXPECT_NE(text.find("BaseLine Clamp On"), std::string::npos);
    EXPECT_NE(text.find("\nsetting exposure time is 0.010000\n"), std::string::npos);
    EXPECT_NE(text.find("\nactual exposure time is"), std::string::npos);
    // A binning of 0 is refused before anything changes.
    unsigned short* before = g_pRawData2;
    SetCameraParam(1, 4, 0, 0, 0, 0, 1, 0.01f, 0, 0, 0, nCameraHandle2);
    EXPECT_EQ(g_pRawData2, before);
    EXPECT_EQ(nhDim2, 256);
    quit();
  });
}

TEST_F(Cameras, DataDumpFillsExactlyItsSlotAndAnUnknownHandleCopiesNothing) {
  simulate({{"count", 2}, {"heads", {{{"width", 100}, {"height", 80}}}}});
  run([&] {
    openBoth();
    SetCameraParam(1, 4, 0, 0, 0, 1, 1, 0.01f, 1, 0, 5, nCameraHandle1);
    ASSERT_EQ(nhDim1 * nvDim1, 8000);
    std::fill(g_pRawData, g_pRawData + 40000, 0xBEEF);
    TakeImage(100, 80, nCameraHandle1, 3);
    DataDump(100, 80, nCameraHandle1, 3);
    auto sentinel = [](unsigned short v) { return v == 0xBEEF; };
    EXPECT_TRUE(std::all_of(g_pRawData, g_pRawData + 24000, sentinel));
    EXPECT_TRUE(std::none_of(g_pRawData + 24000, g_pRawData + 32000, sentinel));
    EXPECT_TRUE(std::all_of(g_pRawData + 32000, g_pRawData + 40000, sentinel));

    std::fill(g_pRawData, g_pRawData + 40000, 0xBEEF);
    DataSource = 0;
    TakeImage(100, 80, 12345, 0);
    DataDump(100, 80, 12345, 0);
    EXPECT_TRUE(std::all_of(g_pRawData, g_pRawData + 40000, sentinel));
    EXPECT_EQ(DataSource, 1);
    quit();
  });
}

TEST_F(Cameras, FrameTransferSeriesLandsWholeEachFrameItsOwnExposure) {
  simulate({{"count", 1}});
  run([&] {
    long n = 0;
    GetAvailableCameras(&n);
    GetCameraHandle(0, &nCameraHandle1);
    SetCurrentCamera(nCameraHandle1);
    OpenCamera(nCameraHandle1);
    SetAcquisitionMode(6);  // as the bias/dark series leaves it
    SetCameraParam(6, 4, 0, 0, 0, 4, 4, 0.005f, 0, 0, 10, nCameraHandle1);
    std::size_t frame = static_cast<std::size_t>(nhDim1) * nvDim1;
    std::fill(g_pRawData, g_pRawData + 10 * frame, 0);
    helx::sim::SimLog::instance().clear();
    TakeImage_FTmode(nhDim1, nvDim1, 10, nCameraHandle1);
    for (int k = 0; k < 10; ++k)
      EXPECT_TRUE(std::any_of(g_pRawData + k * frame, g_pRawData + (k + 1) * frame,
                              [](unsigned short v) { return v != 0; }))
          << "frame " << k;
    int exposures = 0;
    for (auto& e : helx::sim::SimLog::instance().entries("camera"))
      if (e["ev"] == "exposure") ++exposures;
    EXPECT_EQ(exposures, 10);
    quit();
  });
}

TEST_F(Cameras, ACameraThatNeverFinishesIsReportedAfterItsTimeLimit) {
  simulate({{"count", 1}});
  run([&] {
    long n = 0;
    GetAvailableCameras(&n);
    GetCameraHandle(0, &nCameraHandle1);
    SetCurrentCamera(nCameraHandle1);
    OpenCamera(nCameraHandle1);
    SetCameraParam(1, 4, 0, 0, 0, 1, 1, 0.01f, 0, 0, 1, nCameraHandle1);
    g_pRawData[0] = 0xBEEF;
    helx::atmcd_sim::faults().inject("AcquisitionHang", 1);
    g_fExpTime1 = 0.01f;  // the limit follows the camera's exposure
    double start = helx::os::Clock::instance().seconds();
    TakeImage(512, 512, nCameraHandle1, 0);
    DataDump(512, 512, nCameraHandle1, 0);
    EXPECT_GE(helx::os::Clock::instance().seconds() - start, AcquisitionTimeLimit(0.01f, 1));
    // Named as hung, not as a camera that is not there.
    EXPECT_TRUE(Operator::waitForPopup(
        "Error", "Camera 1 did not finish its exposure within 5.5 s: acquisition aborted.", 5));
    EXPECT_FALSE(Operator::waitForPopup("Status", "System not initialized", 0));
    // Nothing was read: the slot holds zeros, never what was there before.
    EXPECT_EQ(g_pRawData[0], 0);

    // Closing a camera that hangs names it and still shuts it down.
    Operator::clearPopups();
    helx::atmcd_sim::faults().inject("AcquisitionHang", 1);
    TakeImage(512, 512, nCameraHandle1, 0);
    CloseCamera(nCameraHandle1);
    EXPECT_TRUE(Operator::waitForPopup("Error", "Camera 1 did not finish its exposure", 5));
    EXPECT_EQ(CCD_status, 0);
    int status = 0;
    EXPECT_EQ(GetStatus(&status), static_cast<unsigned>(DRV_NOT_INITIALIZED));
    quit();
  });
}

TEST_F(Cameras, OpenSurvivesAFailedInitialiseAndReportsTheFirstOfEqualSpeeds) {
  simulate({{"count", 1}, {"vertical_speeds", {3.3, 3.3, 1.0}}});
  run([&] {
    GetCameraHandle(0, &nCameraHandle1);
    SetCurrentCamera(nCameraHandle1);
    helx::atmcd_sim::faults().inject("Initialize", 1);
    OpenCamera(nCameraHandle1);
    EXPECT_EQ(CCD_status, 1);
    EXPECT_TRUE(Operator::waitForPopup("Error", "Initialize Error", 5));
    OpenCamera(nCameraHandle1);
    char info[4096];
    GetCameraInfo(info);
    std::string text = info;
    EXPECT_EQ(text.rfind("Head Model : ", 0), 0u);
    EXPECT_NE(text.find("VSNumber is 0\n"), std::string::npos);
    EXPECT_NE(text.find("Size of CCD : 512 X 512 pixels\n"), std::string::npos);
    helx::atmcd_sim::faults().inject("GetNumberADChannels", 1);
    GetCameraInfo(info);
    text = info;
    EXPECT_NE(text.find("ADNumber is 0\nHSNumber is 0\n"), std::string::npos);
    EXPECT_TRUE(Operator::waitForPopup("Error", "Get number AD Channel Error\n", 5));
    quit();
  });
}

TEST_F(Cameras, ClosingCameraOneFreesItsBufferAndBothBiasFrames) {
  simulate({{"count", 2}});
  run([&] {
    openBoth();
    SetCameraParam(1, 4, 0, 0, 0, 2, 2, 0.01f, 0, 0, 0, nCameraHandle1);
    SetCurrentCamera(nCameraHandle2);
    SetCameraParam(1, 4, 0, 0, 0, 2, 2, 0.01f, 0, 0, 0, nCameraHandle2);
    BiasDark1 = AllocateSamples(10);
    BiasDark2 = AllocateSamples(10);
    SetCurrentCamera(nCameraHandle1);
    CloseCamera(nCameraHandle1);
    EXPECT_EQ(g_pRawData, nullptr);
    EXPECT_NE(g_pRawData2, nullptr);
    EXPECT_EQ(BiasDark1, nullptr);
    EXPECT_EQ(BiasDark2, nullptr);
    EXPECT_EQ(CCD_status, 0);
    std::string text = ControlText(mainPanel, PANEL_TB_Text_Monitor);
    EXPECT_NE(text.find("Set to Shutter Auto Mode\nComplete Shut Down\n"), std::string::npos);
    quit();
  });
}

TEST_F(Cameras, CoolingEndsStabilisedAndCoolersOffStartNoWatch) {
  simulate({{"count", 2}, {"cool_rate", 5.0}, {"hold", 2.0}});
  run([&] {
    openBoth();
    SetCtrlVal(testpanel, test_panel_CoolerOnOff1, 1);
    SetCtrlVal(testpanel, test_panel_CoolerOnOff2, 1);
    setCooler(testpanel, test_panel_setCooler, EVENT_COMMIT, nullptr, 0, 0);
    EXPECT_EQ(temp_thread, 1);
    EXPECT_NE(ControlText(testpanel, test_panel_TB_Text_Monitor).find("\nCamera 1,2 off!\n"),
              std::string::npos);

    EXPECT_EQ(TempSet(0, 0, -30, -30), 1);
    EXPECT_EQ(temp_thread, 1);
    int led = 0;
    GetCtrlVal(mainPanel, PANEL_CCDTEMPSTATUS, &led);
    EXPECT_EQ(led, 1);
    EXPECT_NE(ControlText(mainPanel, PANEL_TB_Text_Monitor).find("Temperature Stabilized!\n"),
              std::string::npos);
    std::string test = ControlText(testpanel, test_panel_TB_Text_Monitor);
    EXPECT_NE(test.find("CCD1: "), std::string::npos);
    char temperature[32];
    GetCtrlVal(mainPanel, PANEL_CCD1TEMP, temperature);
    EXPECT_NE(std::string(temperature)
                  .find(" \xB0"
                        "C"),
              std::string::npos);

    // The warm-up before shutdown ends once both are above 5 C or stable at 5 C.
    temp_thread = 1;
    temp_warming = 1;
    EXPECT_EQ(TempSet(0, 0, 5, 5), 1);
    EXPECT_EQ(temp_thread, 1);
    int t1 = 0, t2 = 0;
    SetCurrentCamera(nCameraHandle1);
    GetTemperature(&t1);
    SetCurrentCamera(nCameraHandle2);
    GetTemperature(&t2);
    EXPECT_GE(t1, 4);
    EXPECT_GE(t2, 4);
    quit();
  });
}
