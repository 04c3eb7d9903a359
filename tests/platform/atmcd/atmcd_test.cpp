// The camera driver as the program meets it: codes and state rules, the current camera, frames
// and series from the clock, the refusal of wrong buffers, the description of the heads,
// cooling, settings and injected faults. The clock is manual: each test decides when time passes.
#include "platform/atmcd/atmcd.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <numeric>
#include <string>
#include <vector>

#include "platform/atmcd/atmcd_sim.h"
#include "platform/os/clock.h"
#include "sim/common/scene_hook.h"
#include "sim/common/settings.h"
#include "sim/common/sim_log.h"

namespace {

using helx::os::Clock;
using helx::sim::SceneHook;
using helx::sim::Settings;
using helx::sim::SimLog;
using nlohmann::json;

std::atomic<double> scannerCounts{0.0};

class Driver : public testing::Test {
 protected:
  void SetUp() override { configure(json::object()); }
  void TearDown() override { SceneHook::setScannerSource({}); }

  static void configure(json camera) {
    Settings::instance().set({{"log", {{"path", ""}}}, {"camera", std::move(camera)}});
    SimLog::instance().reopen();
    SimLog::instance().clear();
    Clock::instance().setManual(true);
    helx::atmcd_sim::reset();
  }

  static void advance(double seconds) {
    Clock::instance().advance(
        std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds)));
  }

  static long select(int number) {
    long handle = 0;
    EXPECT_EQ(GetCameraHandle(number - 1, &handle), DRV_SUCCESS);
    EXPECT_EQ(SetCurrentCamera(handle), DRV_SUCCESS);
    return handle;
  }

  // Initialises camera `number` and sets it up as the program does for single frames.
  static void openForObserving(int number) {
    select(number);
    char dir[] = ".";
    ASSERT_EQ(Initialize(dir), DRV_SUCCESS);
    ASSERT_EQ(SetFrameTransferMode(0), DRV_SUCCESS);
    ASSERT_EQ(SetAcquisitionMode(1), DRV_SUCCESS);
    ASSERT_EQ(SetReadMode(4), DRV_SUCCESS);
    ASSERT_EQ(SetVSSpeed(4), DRV_SUCCESS);
    ASSERT_EQ(SetADChannel(0), DRV_SUCCESS);
    ASSERT_EQ(SetHSSpeed(0, 0), DRV_SUCCESS);
    ASSERT_EQ(SetShutter(1, 0, 1, 1), DRV_SUCCESS);
    ASSERT_EQ(SetFanMode(0), DRV_SUCCESS);
    ASSERT_EQ(SetPreAmpGain(2), DRV_SUCCESS);
    ASSERT_EQ(SetEMCCDGain(0), DRV_SUCCESS);
    ASSERT_EQ(SetImage(1, 1, 1, 512, 1, 512), DRV_SUCCESS);
    ASSERT_EQ(SetTriggerMode(0), DRV_SUCCESS);
    ASSERT_EQ(SetExposureTime(0.03f), DRV_SUCCESS);
    ASSERT_EQ(SetBaselineClamp(1), DRV_SUCCESS);
    ASSERT_EQ(SetBaselineOffset(1000), DRV_SUCCESS);
  }

  // Polls the status as the program does, a millisecond of instrument time between looks.
  // Returns the number of looks, or -1 when the camera was still acquiring after `limit`.
  static int waitIdle(int limit = 100000) {
    for (int looks = 1; looks <= limit; ++looks) {
      int status = 0;
      EXPECT_EQ(GetStatus(&status), DRV_SUCCESS);
      if (status == DRV_IDLE) return looks;
      EXPECT_EQ(status, DRV_ACQUIRING);
      advance(0.001);
    }
    return -1;
  }

  static float kineticCycle() {
    float exposure = 0, accumulate = 0, kinetic = 0;
    EXPECT_EQ(GetAcquisitionTimings(&exposure, &accumulate, &kinetic), DRV_SUCCESS);
    return kinetic;
  }

  static std::vector<json> exposures() {
    std::vector<json> out;
    for (auto& e : SimLog::instance().entries("camera"))
      if (e["ev"] == "exposure") out.push_back(e);
    return out;
  }
};

TEST_F(Driver, AnUninitialisedCameraAnswersOnlyTheLifeCalls) {
  long count = 0, handle = 0;
  EXPECT_EQ(GetAvailableCameras(&count), DRV_SUCCESS);
  EXPECT_EQ(count, 2);
  EXPECT_EQ(GetCameraHandle(0, &handle), DRV_SUCCESS);
  EXPECT_EQ(SetCurrentCamera(handle), DRV_SUCCESS);
  EXPECT_EQ(GetCurrentCamera(&handle), DRV_SUCCESS);
  int value = 0;
  unsigned short data[4];
  EXPECT_EQ(GetStatus(&value), DRV_NOT_INITIALIZED);
  EXPECT_EQ(GetDetector(&value, &value), DRV_NOT_INITIALIZED);
  EXPECT_EQ(SetExposureTime(0.1f), DRV_NOT_INITIALIZED);
  EXPECT_EQ(StartAcquisition(), DRV_NOT_INITIALIZED);
  EXPECT_EQ(GetAcquiredData16(data, 4), DRV_NOT_INITIALIZED);
  EXPECT_EQ(GetTemperature(&value), DRV_NOT_INITIALIZED);
  EXPECT_EQ(CoolerON(), DRV_NOT_INITIALIZED);
  EXPECT_EQ(ShutDown(), DRV_NOT_INITIALIZED);

  char dir[] = ".";
  EXPECT_EQ(Initialize(dir), DRV_SUCCESS);
  EXPECT_EQ(GetStatus(&value), DRV_SUCCESS);
  EXPECT_EQ(value, DRV_IDLE);
  EXPECT_EQ(GetAcquiredData16(data, 4), DRV_NO_NEW_DATA);
  EXPECT_EQ(ShutDown(), DRV_SUCCESS);
  EXPECT_EQ(GetStatus(&value), DRV_NOT_INITIALIZED);
}

TEST_F(Driver, TheCurrentCameraIsProcessWideAndOnlyKnownHandlesSelect) {
  long h1 = 0, h2 = 0, current = 0;
  ASSERT_EQ(GetCameraHandle(0, &h1), DRV_SUCCESS);
  ASSERT_EQ(GetCameraHandle(1, &h2), DRV_SUCCESS);
  EXPECT_NE(h1, 0);
  EXPECT_NE(h2, 0);
  EXPECT_NE(h1, h2);
  EXPECT_EQ(GetCameraHandle(2, &current), DRV_P1INVALID);
  EXPECT_EQ(GetCurrentCamera(&current), DRV_SUCCESS);
  EXPECT_EQ(current, h1);  // the first camera is current from the start

  EXPECT_EQ(SetCurrentCamera(h2), DRV_SUCCESS);
  EXPECT_EQ(SetCurrentCamera(h1 + h2 + 7), DRV_P1INVALID);
  EXPECT_EQ(SetCurrentCamera(0), DRV_P1INVALID);
  EXPECT_EQ(GetCurrentCamera(&current), DRV_SUCCESS);
  EXPECT_EQ(current, h2);

  // Calls act on the current camera only.
  char dir[] = ".";
  ASSERT_EQ(Initialize(dir), DRV_SUCCESS);
  int status = 0;
  EXPECT_EQ(GetStatus(&status), DRV_SUCCESS);
  ASSERT_EQ(SetCurrentCamera(h1), DRV_SUCCESS);
  EXPECT_EQ(GetStatus(&status), DRV_NOT_INITIALIZED);
}

TEST_F(Driver, AnAcquisitionRunsForExposurePlusReadOutAndRefusesChangesMeanwhile) {
  openForObserving(1);
  const float kinetic = kineticCycle();
  EXPECT_GT(kinetic, 0.03f + 0.025f);
  EXPECT_LT(kinetic, 0.03f + 0.036f);

  ASSERT_EQ(StartAcquisition(), DRV_SUCCESS);
  int status = 0;
  EXPECT_EQ(GetStatus(&status), DRV_SUCCESS);
  EXPECT_EQ(status, DRV_ACQUIRING);
  std::vector<unsigned short> frame(512 * 512);
  int temperature = 0;
  float t = 0;
  EXPECT_EQ(StartAcquisition(), DRV_ACQUIRING);
  EXPECT_EQ(SetExposureTime(0.1f), DRV_ACQUIRING);
  EXPECT_EQ(SetImage(2, 2, 1, 512, 1, 512), DRV_ACQUIRING);
  EXPECT_EQ(GetAcquisitionTimings(&t, &t, &t), DRV_ACQUIRING);
  EXPECT_EQ(GetTemperature(&temperature), DRV_ACQUIRING);
  EXPECT_EQ(CoolerON(), DRV_ACQUIRING);
  EXPECT_EQ(GetAcquiredData16(frame.data(), frame.size()), DRV_ACQUIRING);
  int width = 0, height = 0;
  EXPECT_EQ(GetDetector(&width, &height), DRV_SUCCESS);  // information still answers

  advance(kinetic - 0.001);
  EXPECT_EQ(GetStatus(&status), DRV_SUCCESS);
  EXPECT_EQ(status, DRV_ACQUIRING);
  advance(0.002);
  EXPECT_EQ(GetStatus(&status), DRV_SUCCESS);
  EXPECT_EQ(status, DRV_IDLE);
  EXPECT_EQ(AbortAcquisition(), DRV_IDLE);
  ASSERT_EQ(GetAcquiredData16(frame.data(), frame.size()), DRV_SUCCESS);
  const double mean = std::accumulate(frame.begin(), frame.end(), 0.0) / frame.size();
  EXPECT_GT(mean, 3000.0);  // the Sun, well above the baseline of 1000

  // An aborted acquisition leaves no data to read.
  ASSERT_EQ(StartAcquisition(), DRV_SUCCESS);
  advance(0.01);
  EXPECT_EQ(AbortAcquisition(), DRV_SUCCESS);
  EXPECT_EQ(GetStatus(&status), DRV_SUCCESS);
  EXPECT_EQ(status, DRV_IDLE);
  EXPECT_EQ(GetAcquiredData16(frame.data(), frame.size()), DRV_NO_NEW_DATA);
}

TEST_F(Driver, GetAcquiredData16RefusesAWrongSizeOrNoBuffer) {
  openForObserving(1);
  ASSERT_EQ(SetImage(2, 2, 1, 512, 1, 512), DRV_SUCCESS);
  ASSERT_EQ(StartAcquisition(), DRV_SUCCESS);
  ASSERT_GT(waitIdle(), 0);
  std::vector<unsigned short> frame(256 * 256 + 1, 0xABCD);
  EXPECT_EQ(GetAcquiredData16(nullptr, 256 * 256), DRV_P1INVALID);
  EXPECT_EQ(GetAcquiredData16(frame.data(), 256 * 256 - 1), DRV_P2INVALID);
  EXPECT_EQ(GetAcquiredData16(frame.data(), 256 * 256 + 1), DRV_P2INVALID);
  EXPECT_EQ(GetAcquiredData16(frame.data(), 512 * 512), DRV_P2INVALID);
  EXPECT_TRUE(std::all_of(frame.begin(), frame.end(), [](auto v) { return v == 0xABCD; }));
  EXPECT_EQ(GetAcquiredData16(frame.data(), 256 * 256), DRV_SUCCESS);
  EXPECT_EQ(frame.back(), 0xABCD);
  EXPECT_LE(*std::max_element(frame.begin(), frame.end() - 1), 16383);
}

TEST_F(Driver, ASeriesArrivesInOrderEachFrameFromItsOwnExposure) {
  SceneHook::setScannerSource([] { return scannerCounts.load(); });
  scannerCounts = 0.0;
  openForObserving(1);
  ASSERT_EQ(SetAcquisitionMode(6), DRV_SUCCESS);
  ASSERT_EQ(SetFrameTransferMode(1), DRV_SUCCESS);
  ASSERT_EQ(SetNumberKinetics(5), DRV_SUCCESS);
  const float kinetic = kineticCycle();
  ASSERT_EQ(StartAcquisition(), DRV_SUCCESS);
  // The scanner steps just after each frame has begun; the driver sees it at the next look.
  int status = 0;
  for (int k = 1; k < 5; ++k) {
    advance(kinetic);
    scannerCounts = 160.0 * k;
    EXPECT_EQ(GetStatus(&status), DRV_SUCCESS);
    EXPECT_EQ(status, DRV_ACQUIRING);
  }
  ASSERT_GT(waitIdle(), 0);
  std::vector<unsigned short> frames(5 * 512 * 512);
  EXPECT_EQ(GetAcquiredData16(frames.data(), 512 * 512), DRV_P2INVALID);  // one frame is not all
  ASSERT_EQ(GetAcquiredData16(frames.data(), frames.size()), DRV_SUCCESS);

  const auto log = exposures();
  ASSERT_EQ(log.size(), 5u);
  for (int k = 0; k < 5; ++k) {
    EXPECT_EQ(log[k]["camera"], 1);
    EXPECT_EQ(log[k]["frame"], k);
    EXPECT_EQ(log[k]["scanner"], 160.0 * k);
    if (k > 0) {
      EXPECT_NEAR(log[k]["start"].get<double>() - log[k - 1]["start"].get<double>(), kinetic, 1e-6);
    }
  }
  const std::size_t n = 512 * 512;
  for (int k = 1; k < 5; ++k)
    EXPECT_FALSE(
        std::equal(frames.begin() + (k - 1) * n, frames.begin() + k * n, frames.begin() + k * n));
}

TEST_F(Driver, BothCamerasExposeAtOnceAndAreReadInTurn) {
  openForObserving(1);
  openForObserving(2);
  const long h1 = select(1);
  ASSERT_EQ(StartAcquisition(), DRV_SUCCESS);
  const long h2 = select(2);
  ASSERT_EQ(StartAcquisition(), DRV_SUCCESS);
  std::vector<unsigned short> a(512 * 512), b(512 * 512);
  ASSERT_EQ(SetCurrentCamera(h1), DRV_SUCCESS);
  ASSERT_GT(waitIdle(), 0);
  ASSERT_EQ(GetAcquiredData16(a.data(), a.size()), DRV_SUCCESS);
  ASSERT_EQ(SetCurrentCamera(h2), DRV_SUCCESS);
  ASSERT_EQ(waitIdle(), 1);  // it ran meanwhile
  ASSERT_EQ(GetAcquiredData16(b.data(), b.size()), DRV_SUCCESS);
  EXPECT_NE(a, b);  // H-alpha and Ca II 8542: different spectra
  const auto log = exposures();
  ASSERT_EQ(log.size(), 2u);
  EXPECT_NE(log[0]["camera"], log[1]["camera"]);
  EXPECT_LT(log[1]["start"].get<double>(), log[0]["end"].get<double>());  // overlapping
}

TEST_F(Driver, AClosedShutterSeriesAveragesToTheBaseline) {
  // The bias/dark reference: 100 frames behind the closed shutter, binned 2 x 2.
  openForObserving(1);
  ASSERT_EQ(SetAcquisitionMode(6), DRV_SUCCESS);
  ASSERT_EQ(SetFrameTransferMode(1), DRV_SUCCESS);
  ASSERT_EQ(SetNumberKinetics(100), DRV_SUCCESS);
  ASSERT_EQ(SetShutter(1, 2, 1, 1), DRV_SUCCESS);
  ASSERT_EQ(SetImage(2, 2, 1, 512, 1, 512), DRV_SUCCESS);
  ASSERT_EQ(StartAcquisition(), DRV_SUCCESS);
  ASSERT_GT(waitIdle(), 0);
  std::vector<unsigned short> series(100 * 256 * 256);
  ASSERT_EQ(GetAcquiredData16(series.data(), series.size()), DRV_SUCCESS);
  const double mean = std::accumulate(series.begin(), series.end(), 0.0) / series.size();
  EXPECT_GT(mean, 1000.0);  // dark charge of an uncooled sensor on top of the baseline
  EXPECT_LT(mean, 1010.0);
  for (const auto& e : exposures()) ASSERT_EQ(e["shutter"], "closed");
}

TEST_F(Driver, TheHeadsDescribeThemselvesAs512By512EMCCDs) {
  select(1);
  char dir[] = ".";
  ASSERT_EQ(Initialize(dir), DRV_SUCCESS);
  AndorCapabilities caps{};
  EXPECT_EQ(GetCapabilities(&caps), DRV_P1INVALID);  // size not preset
  caps.ulSize = 48;
  ASSERT_EQ(GetCapabilities(&caps), DRV_SUCCESS);
  EXPECT_TRUE(caps.ulTriggerModes & 8);
  EXPECT_EQ(caps.ulCameraType, 1u);
  char model[32];
  std::memset(model, 'x', sizeof model);
  ASSERT_EQ(GetHeadModel(model), DRV_SUCCESS);
  EXPECT_STREQ(model, "DV897_BV");
  int width = 0, height = 0;
  ASSERT_EQ(GetDetector(&width, &height), DRV_SUCCESS);
  EXPECT_EQ(width, 512);
  EXPECT_EQ(height, 512);

  // The program looks for the slowest vertical and the fastest horizontal speed.
  int n = 0;
  ASSERT_EQ(GetNumberVSSpeeds(&n), DRV_SUCCESS);
  ASSERT_GE(n, 5);
  float speed = 0, slowest = 0;
  int slowestIndex = -1;
  for (int i = 0; i < n; ++i) {
    ASSERT_EQ(GetVSSpeed(i, &speed), DRV_SUCCESS);
    if (speed > slowest) slowest = speed, slowestIndex = i;
  }
  EXPECT_EQ(slowestIndex, 4);
  EXPECT_EQ(GetVSSpeed(n, &speed), DRV_P1INVALID);
  ASSERT_EQ(GetNumberADChannels(&n), DRV_SUCCESS);
  EXPECT_EQ(n, 1);
  ASSERT_EQ(GetNumberHSSpeeds(0, 0, &n), DRV_SUCCESS);
  ASSERT_GE(n, 1);
  ASSERT_EQ(GetHSSpeed(0, 0, 0, &speed), DRV_SUCCESS);
  EXPECT_FLOAT_EQ(speed, 10.0f);
  EXPECT_EQ(GetHSSpeed(1, 0, 0, &speed), DRV_P1INVALID);

  unsigned v[6] = {};
  EXPECT_EQ(GetHardwareVersion(&v[0], &v[1], &v[2], &v[3], &v[4], &v[5]), DRV_SUCCESS);
  EXPECT_GT(v[4], 0u);
  EXPECT_EQ(GetSoftwareVersion(&v[0], &v[1], &v[2], &v[3], &v[4], nullptr), DRV_P6INVALID);
  int low = 0, high = 0;
  ASSERT_EQ(GetTemperatureRange(&low, &high), DRV_SUCCESS);
  EXPECT_LT(low, -60);
  EXPECT_GE(high, 5);
  ASSERT_EQ(GetEMGainRange(&low, &high), DRV_SUCCESS);
  EXPECT_EQ(low, 0);
  EXPECT_EQ(high, 255);
  ASSERT_EQ(SetEMCCDGain(120), DRV_SUCCESS);
  ASSERT_EQ(GetEMCCDGain(&n), DRV_SUCCESS);
  EXPECT_EQ(n, 120);
  EXPECT_EQ(SetEMCCDGain(256), DRV_P1INVALID);
  ASSERT_EQ(GetNumberPreAmpGains(&n), DRV_SUCCESS);
  EXPECT_EQ(n, 3);
  EXPECT_EQ(SetPreAmpGain(3), DRV_P1INVALID);
  EXPECT_EQ(IsTriggerModeAvailable(0), DRV_SUCCESS);
  EXPECT_EQ(IsTriggerModeAvailable(10), DRV_INVALID_MODE);
}

TEST_F(Driver, ArgumentsOutsideTheirRangesAreRefusedByPosition) {
  openForObserving(1);
  EXPECT_EQ(SetAcquisitionMode(2), DRV_P1INVALID);
  EXPECT_EQ(SetReadMode(0), DRV_P1INVALID);
  EXPECT_EQ(SetNumberKinetics(0), DRV_P1INVALID);
  EXPECT_EQ(SetExposureTime(-1.0f), DRV_P1INVALID);
  EXPECT_EQ(SetShutter(1, 3, 1, 1), DRV_P2INVALID);
  EXPECT_EQ(SetFanMode(3), DRV_P1INVALID);
  EXPECT_EQ(SetBaselineOffset(1050), DRV_P1INVALID);
  EXPECT_EQ(SetImage(0, 1, 1, 512, 1, 512), DRV_P1INVALID);
  EXPECT_EQ(SetImage(1, 1, 1, 513, 1, 512), DRV_P4INVALID);
  EXPECT_EQ(SetImage(1, 1, 1, 512, 300, 200), DRV_P6INVALID);
  EXPECT_EQ(SetTemperature(-200), DRV_P1INVALID);
  ASSERT_EQ(SetAcquisitionMode(6), DRV_SUCCESS);
  ASSERT_EQ(SetNumberKinetics(1 << 20), DRV_SUCCESS);
  EXPECT_EQ(StartAcquisition(), DRV_ACQ_BUFFER);  // 2^38 samples: more than the driver holds
  ASSERT_EQ(SetAcquisitionMode(1), DRV_SUCCESS);
  // A window that is not a multiple of the binning drops the remainder.
  ASSERT_EQ(SetImage(3, 3, 1, 512, 1, 512), DRV_SUCCESS);
  ASSERT_EQ(StartAcquisition(), DRV_SUCCESS);
  ASSERT_GT(waitIdle(), 0);
  std::vector<unsigned short> frame(170 * 170);
  EXPECT_EQ(GetAcquiredData16(frame.data(), frame.size()), DRV_SUCCESS);
}

TEST_F(Driver, CoolingPassesNotReachedNotStabilisedStabilisedAndWarmsWhenOff) {
  openForObserving(1);
  int t = 99;
  EXPECT_EQ(GetTemperature(&t), DRV_TEMP_OFF);
  EXPECT_EQ(t, 20);
  ASSERT_EQ(SetTemperature(-30), DRV_SUCCESS);
  ASSERT_EQ(CoolerON(), DRV_SUCCESS);
  std::vector<unsigned> codes;
  int previous = t;
  for (int second = 0; second < 120; ++second) {
    const unsigned code = GetTemperature(&t);
    if (codes.empty() || codes.back() != code) codes.push_back(code);
    EXPECT_LE(t, previous);
    previous = t;
    advance(1.0);
  }
  EXPECT_EQ(codes, (std::vector<unsigned>{DRV_TEMP_NOT_REACHED, DRV_TEMP_NOT_STABILIZED,
                                          DRV_TEMP_STABILIZED}));
  EXPECT_EQ(t, -30);

  ASSERT_EQ(CoolerOFF(), DRV_SUCCESS);
  advance(30.0);
  EXPECT_EQ(GetTemperature(&t), DRV_TEMP_OFF);
  EXPECT_GT(t, -30);
  EXPECT_LT(t, 20);
}

TEST_F(Driver, SettingsChooseHowManyCamerasAndWhichHeads) {
  long count = -1, handle = 0;
  configure({{"count", 0}});
  ASSERT_EQ(GetAvailableCameras(&count), DRV_SUCCESS);
  EXPECT_EQ(count, 0);
  EXPECT_EQ(GetCameraHandle(0, &handle), DRV_P1INVALID);
  char dir[] = ".";
  EXPECT_EQ(Initialize(dir), DRV_ERROR_NOCAMERA);

  configure({{"count", 1}});
  ASSERT_EQ(GetAvailableCameras(&count), DRV_SUCCESS);
  EXPECT_EQ(count, 1);

  configure({{"heads", {json::object(), {{"model", "DV885_KCS_VP"}}}}});
  select(2);
  ASSERT_EQ(Initialize(dir), DRV_SUCCESS);
  int width = 0, height = 0;
  ASSERT_EQ(GetDetector(&width, &height), DRV_SUCCESS);
  EXPECT_EQ(width, 1004);
  EXPECT_EQ(height, 1002);
  // The program's large-detector window: binned twice, two rows short.
  ASSERT_EQ(SetImage(2, 2, 1, 1004, 1, 1000), DRV_SUCCESS);
  ASSERT_EQ(StartAcquisition(), DRV_SUCCESS);
  ASSERT_GT(waitIdle(), 0);
  std::vector<unsigned short> frame(502 * 500);
  EXPECT_EQ(GetAcquiredData16(frame.data(), frame.size()), DRV_SUCCESS);
}

TEST_F(Driver, InjectedFaultsFailCallsAsConfigured) {
  configure({{"faults", {{"Initialize", {{"times", 1}, {"code", DRV_NOT_AVAILABLE}}}}}});
  char dir[] = ".";
  EXPECT_EQ(Initialize(dir), DRV_NOT_AVAILABLE);
  EXPECT_EQ(Initialize(dir), DRV_SUCCESS);

  auto& faults = helx::atmcd_sim::faults();
  faults.inject("StartAcquisition", 2);
  EXPECT_EQ(StartAcquisition(), DRV_ERROR_ACK);
  EXPECT_EQ(StartAcquisition(), DRV_ERROR_ACK);
  ASSERT_EQ(StartAcquisition(), DRV_SUCCESS);
  ASSERT_GT(waitIdle(), 0);

  // Camera 2 only.
  faults.inject("GetStatus@2", -1);
  int status = 0;
  EXPECT_EQ(GetStatus(&status), DRV_SUCCESS);
  select(2);
  ASSERT_EQ(Initialize(dir), DRV_SUCCESS);
  EXPECT_EQ(GetStatus(&status), DRV_ERROR_ACK);
  faults.clear();

  // From a moment on.
  faults.inject("GetTemperature", -1, Clock::instance().seconds() + 10.0);
  int t = 0;
  EXPECT_EQ(GetTemperature(&t), DRV_TEMP_OFF);
  advance(11.0);
  EXPECT_EQ(GetTemperature(&t), DRV_ERROR_ACK);
  faults.clear();

  // An acquisition that never finishes, until aborted.
  faults.inject("AcquisitionHang", 1);
  ASSERT_EQ(StartAcquisition(), DRV_SUCCESS);
  advance(3600.0);
  EXPECT_EQ(GetStatus(&status), DRV_SUCCESS);
  EXPECT_EQ(status, DRV_ACQUIRING);
  EXPECT_EQ(AbortAcquisition(), DRV_SUCCESS);
  ASSERT_EQ(StartAcquisition(), DRV_SUCCESS);
  EXPECT_GT(waitIdle(), 0);

  const auto log = SimLog::instance().entries("camera");
  EXPECT_TRUE(std::any_of(log.begin(), log.end(), [](const json& e) {
    return e["ev"] == "fault" && e["call"] == "GetStatus" && e["camera"] == 2;
  }));
}

}  // namespace
