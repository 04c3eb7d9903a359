// The bias/dark reference: the integer average of the series, and the whole series against the
// simulated cameras with its calibration file per camera and its failures.
#include "camera/bias_dark.h"

#include <algorithm>
#include <nlohmann/json.hpp>
#include <vector>

#include "files/fits_files.h"
#include "motors/wavelength_list.h"
#include "platform/atmcd/atmcd.h"
#include "platform/atmcd/atmcd_sim.h"
#include "platform/os/clock.h"
#include "platform/ui/operator.h"
#include "sim/common/settings.h"
#include "sim/common/sim_log.h"
#include "state/HELX.h"
#include "state/observation_state.h"
#include "tests/files/panel_fixture.h"

namespace fs = std::filesystem;
using helx::ui::Operator;

namespace {
TEST(BiasDarkAverage, IsThePerPixelMeanTruncated) {
  const long pixels = 6;
  std::vector<unsigned short> series(pixels * BIASDARK_FRAMES), frame(pixels, 7);
  auto average = [&](auto value) {
    for (int f = 0; f < BIASDARK_FRAMES; f++)
      for (long i = 0; i < pixels; i++) series[f * pixels + i] = value(f, i);
    AverageBiasDark(series.data(), frame.data(), pixels, BIASDARK_FRAMES);
    return frame;
  };
  EXPECT_EQ(average([](int, long) { return 1100; }), std::vector<unsigned short>(pixels, 1100));
  // 100 x 65535 needs more than 16 bits and must not wrap.
  EXPECT_EQ(average([](int, long) { return 65535; }), std::vector<unsigned short>(pixels, 65535));
  // 1000.5 truncates to 1000.
  EXPECT_EQ(average([](int f, long) { return 1000 + f % 2; }),
            std::vector<unsigned short>(pixels, 1000));
  // Each pixel is averaged over its own position in every frame.
  auto mixed = average([](int f, long i) { return static_cast<unsigned short>(i * 10 + f % 3); });
  EXPECT_EQ(mixed, (std::vector<unsigned short>{0, 10, 20, 30, 40, 50}));
}

class BiasDark : public PanelTest {
 protected:
  void SetUp() override {
    PanelTest::SetUp();
    helx::sim::Settings::instance().set(
        {{"camera", nlohmann::json::object()}, {"log", {{"path", ""}}}});
    helx::sim::SimLog::instance().reopen();
    helx::atmcd_sim::reset();
    helx::os::Clock::instance().setScale(200);
    long n = 0;
    GetAvailableCameras(&n);
    ASSERT_EQ(n, 2);
    GetCameraHandle(0, &nCameraHandle1);
    GetCameraHandle(1, &nCameraHandle2);
    for (int c = 2; c >= 1; c--) {
      long h = c == 1 ? nCameraHandle1 : nCameraHandle2;
      SetCurrentCamera(h);
      ASSERT_EQ(Initialize(nullptr), static_cast<unsigned>(DRV_SUCCESS));
      GetDetector(c == 1 ? &g_nXPixels1 : &g_nXPixels2, c == 1 ? &g_nYPixels1 : &g_nYPixels2);
    }
    ccd_HBin = 2, ccd_VBin = 2;
    DataSource = 0;
    writeWvIni("Wv.ini", 1, 0, {6562.8f});
    InitWvRing();
    fits_sync = 0;
    folder = workdir / "drive_g" / "TARN_Data" / "20261206" / "cal";
    fs::create_directories(folder);
  }
  void TearDown() override {
    ReleaseBuffer(BiasDark1);
    ReleaseBuffer(BiasDark2);
  }
  const char* dir = "G:\\TARN_Data\\20261206\\cal";
  fs::path folder;
};

TEST_F(BiasDark, EachCameraAveragesItsClosedShutterSeriesIntoItsOwnFile) {
  SetCurrentCamera(nCameraHandle1);
  TakeBiasDark(0, 0, ccd_HBin, ccd_VBin, 0.01f, nCameraHandle1, dir);
  SetCurrentCamera(nCameraHandle2);
  TakeBiasDark(0, 0, ccd_HBin, ccd_VBin, 0.01f, nCameraHandle2, dir);
  EXPECT_TRUE(Operator::popups().empty());
  EXPECT_EQ(nhDim1, 256);
  EXPECT_EQ(nvDim1, 256);
  EXPECT_EQ(nhDim, 256);
  EXPECT_EQ(DataSource, 1);
  ASSERT_NE(BiasDark1, nullptr);
  ASSERT_NE(BiasDark2, nullptr);
  // Behind a closed shutter the mean sits near the baseline offset of 1000, with no light.
  auto [lo, hi] = std::minmax_element(BiasDark1, BiasDark1 + 256 * 256);
  EXPECT_GT(*lo, 900);
  EXPECT_LT(*hi, 1300);

  std::string a = OnlyFile(folder, "_A_BiasDark.fts"), b = OnlyFile(folder, "_B_BiasDark.fts");
  ASSERT_FALSE(a.empty());
  ASSERT_FALSE(b.empty());
  auto cards = ReadCards(a);
  EXPECT_EQ(FindCard(cards, "NAXIS1")->value, "256");
  EXPECT_EQ(FindCard(cards, "NAXIS2")->value, "256");
  EXPECT_EQ(FindCard(cards, "EXTEND")->value, "T");
  EXPECT_EQ(FindCard(cards, "CCDNAME")->value, "DV897_BV");
  EXPECT_EQ(FindCard(cards, "STRTIME"), nullptr);
  EXPECT_EQ(FindCard(cards, "CCD_XPIX"), nullptr);
  EXPECT_NE(monitorText().find("\nsetting exposure time is 0.010000\n"), std::string::npos);
}

TEST_F(BiasDark, FailedStartLeavesAZeroFrameAndNoFile) {
  helx::atmcd_sim::faults().inject("StartAcquisition", 1);
  SetCurrentCamera(nCameraHandle1);
  TakeBiasDark(0, 0, 1, 1, 0.01f, nCameraHandle1, dir);
  auto popup = Operator::waitForPopup("Error", "Start acquisition error", 1);
  ASSERT_TRUE(popup.has_value());
  EXPECT_EQ(popup->text, "Start acquisition error");
  ASSERT_NE(BiasDark1, nullptr);
  EXPECT_TRUE(
      std::all_of(BiasDark1, BiasDark1 + 512 * 512, [](unsigned short v) { return v == 0; }));
  EXPECT_EQ(DataSource, 0);
  EXPECT_TRUE(FileNames(folder).empty());
}

TEST_F(BiasDark, FailedStatusReadEndsTheSeries) {
  helx::atmcd_sim::faults().inject("GetStatus", -1);
  SetCurrentCamera(nCameraHandle1);
  TakeBiasDark(0, 0, 1, 1, 0.01f, nCameraHandle1, dir);
  auto popup = Operator::waitForPopup("Status", "System not initialized", 1);
  ASSERT_TRUE(popup.has_value());
  helx::atmcd_sim::faults().clear();
  AbortAcquisition();
  EXPECT_EQ(DataSource, 0);
  EXPECT_TRUE(FileNames(folder).empty());
}

TEST_F(BiasDark, ZeroBinningIsRefusedBeforeAnyCameraSetting) {
  SetCurrentCamera(nCameraHandle1);
  TakeBiasDark(0, 0, 0, 1, 0.01f, nCameraHandle1, dir);
  EXPECT_TRUE(Operator::waitForPopup("Error", "Bias/dark not taken", 1).has_value());
  EXPECT_EQ(BiasDark1, nullptr);
  EXPECT_TRUE(FileNames(folder).empty());
}
}  // namespace
