// One camera head: timing from the chosen speeds, darks behind a closed shutter, binning,
// saturation, series, the optics' position at each exposure, the log, and repeatability.
#include "sim/camera/head.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <numeric>
#include <vector>

#include "sim/camera/config.h"
#include "sim/common/settings.h"
#include "sim/common/sim_log.h"

namespace helx::sim::camera {
namespace {

class HeadTest : public testing::Test {
 protected:
  void SetUp() override {
    Settings::instance().set({{"log", {{"path", ""}}}});
    SimLog::instance().reopen();
    SimLog::instance().clear();
  }

  std::unique_ptr<Head> makeHead(int index = 0, std::uint64_t seed = 1,
                                 const nlohmann::json& section = nlohmann::json::object()) {
    auto config = instrumentFromSettings(section);
    return std::make_unique<Head>(index + 1, config.heads.at(static_cast<std::size_t>(index)),
                                  std::make_shared<const SunConfig>(config.sun), seed, 0.0);
  }

  // The settings the program uses for observing: slowest vertical shift it picks for this
  // detector size, 10 MHz, pre-amplifier 2, offset 1000.
  static CameraSetup observing(const Head& head) {
    CameraSetup s = head.defaults();
    s.verticalSpeed = head.config().width > 1000 ? 3 : 4;
    s.preamp = 2;
    s.baselineOffset = 1000;
    s.shutterOpening = s.shutterClosing = 1;
    s.exposure = 0.03;
    return s;
  }

  // Runs an acquisition to its end and reads it.
  std::vector<std::uint16_t> take(Head& head, const CameraSetup& s, OpticsPosition at = {}) {
    head.start(s, at, now_);
    now_ += head.timings(s).kinetic * s.frameCount() + head.timings(s).readout;
    EXPECT_FALSE(head.acquiring(now_));
    std::vector<std::uint16_t> out(head.dataSize());
    EXPECT_EQ(out.size(), s.window.pixels() * s.frameCount());
    head.read(out.data());
    return out;
  }

  static double mean(const std::vector<std::uint16_t>& v, std::size_t from = 0, std::size_t n = 0) {
    if (n == 0) n = v.size() - from;
    return std::accumulate(v.begin() + from, v.begin() + from + n, 0.0) / n;
  }

  double now_ = 1.0;
};

TEST_F(HeadTest, ReadOutTimeFollowsSpeedsAndGeometry) {
  auto head = makeHead();
  CameraSetup s = observing(*head);
  const Timings full = head->timings(s);
  EXPECT_GT(full.readout, 0.025);  // a 512 x 512 frame at 10 MHz: about 30 ms
  EXPECT_LT(full.readout, 0.035);
  EXPECT_NEAR(full.kinetic, s.exposure + 0.001 + full.readout, 1e-9);  // + shutter transfer

  CameraSetup binned = s;
  binned.window.hbin = binned.window.vbin = 2;
  EXPECT_LT(head->timings(binned).readout, 0.4 * full.readout);
  CameraSetup slow = s;
  slow.horizontalSpeed = 3;  // 1 MHz
  EXPECT_GT(head->timings(slow).readout, 9 * full.readout);

  // A frame-transfer series exposes while the previous frame reads out: the cycle is set by
  // the longer of the two.
  CameraSetup series = s;
  series.series = true;
  series.frames = 10;
  series.frameTransfer = true;
  series.exposure = 0.005;
  const Timings ft = head->timings(series);
  EXPECT_NEAR(ft.exposure, ft.readout, 1e-12);
  EXPECT_NEAR(ft.kinetic, ft.readout + ft.shift, 1e-12);
  series.exposure = 0.2;
  EXPECT_NEAR(head->timings(series).kinetic, 0.2 + ft.shift, 1e-12);

  auto large = makeHead(1, 1, {{"heads", {nlohmann::json::object(), {{"model", "DV885_KCS_VP"}}}}});
  EXPECT_EQ(large->config().width, 1004);
  EXPECT_EQ(large->config().height, 1002);
  CameraSetup l = observing(*large);
  l.window.hbin = l.window.vbin = 2;
  l.window.vend = 1000;
  EXPECT_EQ(l.window.width(), 502);
  EXPECT_EQ(l.window.height(), 500);
  EXPECT_LT(head->timings(l).readout, 0.035);
}

TEST_F(HeadTest, ClosedShutterGivesDarksAtTheBaseline) {
  auto head = makeHead();
  CameraSetup s = observing(*head);
  head->thermal().setTarget(-60, 0.0);
  head->thermal().setCooler(true, 0.0);
  now_ = 200.0;  // cold: little dark current
  s.shutterMode = 2;
  const auto dark = take(*head, s);
  EXPECT_NEAR(mean(dark), 1000.0, 1.0);
  s.shutterMode = 0;
  const auto light = take(*head, s);
  EXPECT_GT(mean(light), 5000.0);

  // Warm, the same dark exposure collects dark charge: about 300 e-/s at 20 C.
  auto warm = makeHead();
  CameraSetup w = observing(*warm);
  w.shutterMode = 2;
  w.exposure = 2.0;
  const double electrons = warm->config().darkRate(20.0) * (2.0 + 0.5 * warm->timings(w).readout);
  const double perDn = warm->config().sensitivity / warm->config().preampGains[2];
  EXPECT_NEAR(mean(take(*warm, w)) - 1000.0, electrons / perDn, 0.02 * electrons / perDn);
}

TEST_F(HeadTest, BinningConservesCharge) {
  auto head = makeHead();
  CameraSetup s = observing(*head);
  s.exposure = 0.01;
  const double single = mean(take(*head, s, {800.0, 0.0})) - 1000.0;
  s.window.hbin = s.window.vbin = 2;
  const double binned = mean(take(*head, s, {800.0, 0.0})) - 1000.0;
  EXPECT_NEAR(binned / single, 4.0, 0.02);
}

TEST_F(HeadTest, SaturationClipsAt16383) {
  auto head = makeHead();
  CameraSetup s = observing(*head);
  s.exposure = 0.1;  // twice what the continuum needs to fill the converter
  const auto frame = take(*head, s, {800.0, 0.0});
  EXPECT_EQ(*std::max_element(frame.begin(), frame.end()), kAdcMax);
  // The continuum is clipped; the core of H-alpha (17 % of it) stays below.
  const std::size_t row = 100 * 512;
  EXPECT_EQ(frame[row + 20], kAdcMax);
  EXPECT_LT(*std::min_element(frame.begin() + row + 200, frame.begin() + row + 300), kAdcMax);
}

TEST_F(HeadTest, ASeriesIsFramesOfTheirOwnExposuresAndPositions) {
  auto head = makeHead();
  CameraSetup s = observing(*head);
  s.series = true;
  s.frames = 4;
  s.frameTransfer = true;
  const Timings t = head->timings(s);
  const double start = now_;
  head->start(s, {0.0, 5.0}, start);
  // The scanner moves on after each frame's middle; the head is told at each look.
  for (int k = 1; k < 4; ++k) {
    const double look = start + k * t.kinetic + 0.1 * t.exposure;
    head->observe({1000.0 * k, 5.0}, look);
    EXPECT_TRUE(head->acquiring(look));
  }
  now_ = start + 4 * t.kinetic + t.readout;
  ASSERT_FALSE(head->acquiring(now_));
  std::vector<std::uint16_t> frames(head->dataSize());
  ASSERT_EQ(frames.size(), 4u * 512 * 512);
  head->read(frames.data());

  const auto log = SimLog::instance().entries("camera");
  std::vector<nlohmann::json> exposures;
  for (const auto& e : log)
    if (e["ev"] == "exposure") exposures.push_back(e);
  ASSERT_EQ(exposures.size(), 4u);
  for (int k = 0; k < 4; ++k) {
    EXPECT_EQ(exposures[k]["frame"], k);
    EXPECT_EQ(exposures[k]["camera"], 1);
    EXPECT_NEAR(exposures[k]["start"].get<double>(), start + k * t.kinetic, 1e-9);
    EXPECT_NEAR(exposures[k]["end"].get<double>() - exposures[k]["start"].get<double>(), t.exposure,
                1e-9);
    EXPECT_EQ(exposures[k]["scanner"], 1000.0 * k);
    EXPECT_EQ(exposures[k]["grating"], 5.0);
    EXPECT_EQ(exposures[k]["shutter"], "open");
  }
  // Each frame shows its own part of the Sun and its own noise.
  const std::size_t n = 512 * 512;
  for (int k = 1; k < 4; ++k)
    EXPECT_FALSE(std::equal(frames.begin(), frames.begin() + n, frames.begin() + k * n));
}

TEST_F(HeadTest, FramesRepeatForASeedAndDifferForAnother) {
  auto a = makeHead(0, 7);
  auto b = makeHead(0, 7);
  auto c = makeHead(0, 8);
  const CameraSetup s = observing(*a);
  const auto fa = take(*a, s, {300.0, 0.0});
  EXPECT_EQ(fa, take(*b, s, {300.0, 0.0}));
  EXPECT_NE(fa, take(*c, s, {300.0, 0.0}));
  EXPECT_NE(fa, take(*a, s, {300.0, 0.0}));  // the next exposure has new noise
}

TEST_F(HeadTest, AnAbortedAcquisitionLeavesNoData) {
  auto head = makeHead();
  const CameraSetup s = observing(*head);
  head->start(s, {}, now_);
  head->abort(now_ + 0.001);
  EXPECT_FALSE(head->acquiring(now_ + 1.0));
  EXPECT_EQ(head->dataSize(), 0u);
  head->start(s, {}, now_ + 1.0, /*neverEnds=*/true);
  EXPECT_TRUE(head->acquiring(now_ + 1e6));
}

}  // namespace
}  // namespace helx::sim::camera
