// Synthesis of a 512 x 512 frame with noise, in frames per second, against the fastest frame
// rate the program can ask of the camera: a single scan with the shortest exposure (0 s), the
// shutter held open, the fastest read-out (10 MHz) and the vertical speed the program sets
// (index 4), i.e. exposure plus read-out of a full frame. The counter "ratio" is synthesised
// frames per second over that camera rate; the goal is at least 10.
//
//   Moving     the scanner moves between frames (a step scan): the scene is rendered anew
//   AtRest     the optics stand still (a series, focusing): the scene comes from the cache
//   Dark       shutter closed (bias/dark series)
//   SceneOnly  the solar spectrum alone; NoiseOnly the detector alone
#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "sim/camera/config.h"
#include "sim/camera/head.h"
#include "sim/common/settings.h"
#include "sim/common/sim_log.h"

namespace {

using namespace helx::sim::camera;

struct Rig {
  std::unique_ptr<Head> head;
  CameraSetup setup;
  double cameraRate = 0.0;  // frames per second the camera can deliver at best
  double now = 0.0;

  explicit Rig(int index) {
    // No log file while benchmarking: the log's file I/O is not what is measured.
    helx::sim::Settings::instance().set({{"log", {{"path", ""}}}});
    helx::sim::SimLog::instance().reopen();
    auto config = instrumentFromSettings(nlohmann::json::object());
    auto sun = std::make_shared<const SunConfig>(config.sun);
    head = std::make_unique<Head>(index + 1, config.heads.at(static_cast<std::size_t>(index)), sun,
                                  7, 0.0);
    setup = head->defaults();
    setup.verticalSpeed = 4;
    setup.horizontalSpeed = 0;
    setup.preamp = 2;
    setup.baselineOffset = 1000;
    setup.shutterMode = 1;
    setup.exposure = 0.0;
    cameraRate = 1.0 / head->timings(setup).kinetic;
    setup.exposure = 0.03;
  }

  void frame(OpticsPosition at, std::uint16_t* out) {
    head->start(setup, at, now);
    now += head->timings(setup).kinetic;
    head->acquiring(now);
    head->read(out);
  }
};

void report(benchmark::State& state, double cameraRate) {
  const double frames = static_cast<double>(state.iterations());
  state.counters["fps"] = benchmark::Counter(frames, benchmark::Counter::kIsRate);
  state.counters["camera_fps"] = cameraRate;
  state.counters["ratio"] = benchmark::Counter(frames / cameraRate, benchmark::Counter::kIsRate);
}

void BM_FrameMoving(benchmark::State& state) {
  Rig rig(static_cast<int>(state.range(0)));
  std::vector<std::uint16_t> out(rig.setup.window.pixels());
  double scanner = 0.0;
  for (auto _ : state) {
    rig.frame({scanner, 0.0}, out.data());
    scanner += 160.0;
    benchmark::DoNotOptimize(out.data());
  }
  report(state, rig.cameraRate);
}
BENCHMARK(BM_FrameMoving)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_FrameAtRest(benchmark::State& state) {
  Rig rig(0);
  std::vector<std::uint16_t> out(rig.setup.window.pixels());
  for (auto _ : state) {
    rig.frame({800.0, 0.0}, out.data());
    benchmark::DoNotOptimize(out.data());
  }
  report(state, rig.cameraRate);
}
BENCHMARK(BM_FrameAtRest)->Unit(benchmark::kMillisecond);

void BM_FrameDark(benchmark::State& state) {
  Rig rig(0);
  rig.setup.shutterMode = 2;
  std::vector<std::uint16_t> out(rig.setup.window.pixels());
  for (auto _ : state) {
    rig.frame({0.0, 0.0}, out.data());
    benchmark::DoNotOptimize(out.data());
  }
  report(state, rig.cameraRate);
}
BENCHMARK(BM_FrameDark)->Unit(benchmark::kMillisecond);

void BM_SceneOnly(benchmark::State& state) {
  Rig rig(0);
  std::vector<float> rates(rig.setup.window.pixels());
  const auto& config = rig.head->config();
  SunConfig sun;
  double scanner = 0.0;
  for (auto _ : state) {
    renderSpectrum(sun, config.spectrograph, rig.setup.window, {scanner, 0.0},
                   rig.head->responseMap().data(), rates.data());
    scanner += 160.0;
    benchmark::DoNotOptimize(rates.data());
  }
}
BENCHMARK(BM_SceneOnly)->Unit(benchmark::kMillisecond);

void BM_NoiseOnly(benchmark::State& state) {
  const std::size_t n = 512 * 512;
  std::vector<float> rates(n, 1.3e6f);
  std::vector<std::uint16_t> out(n);
  Response r;
  r.sensitivity = 4.9;
  Rng rng(3);
  for (auto _ : state) {
    digitize(rates.data(), 0.03, 1.0, out.data(), n, r, rng);
    benchmark::DoNotOptimize(out.data());
  }
}
BENCHMARK(BM_NoiseOnly)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
