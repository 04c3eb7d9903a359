// A 100-step scan with both cameras at every step ("Both(2 in 1)"), at the shortest step
// duration the setup allows for the exposure (exposure + 80 ms), run in real time on the
// simulated instrument as an operator would. From the simulators' log and the program's own
// step announcements it reports:
//   latency   step announced -> exposure start, per camera: median and worst
//   unused    the part of each step left after both frames are stored: median and least
//   lost      frames not stored
//
//   build/bench/tests/sequence/run_bench [--exposure=0.01]   (from any folder)
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <vector>

#include "observing_fixture.h"
#include "platform/os/clock.h"
#include "scanner/scanner.h"
#include "scanner/step_handshake.h"
#include "sequence/sequence.h"
#include "state/observation_state.h"

namespace {
std::mutex mutex;
std::vector<double> announced;  // instrument time of step k (index k - 1)
std::vector<double> stored[2];  // instrument time each camera's frame k was stored
std::string exposure = "0.01";

double median(std::vector<double> v) {
  if (v.empty()) return NAN;
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}
}  // namespace

extern "C" int __real__Z16AnnounceScanStepv();
extern "C" int __wrap__Z16AnnounceScanStepv() {
  double t = helx::os::Clock::instance().seconds();
  int ok = __real__Z16AnnounceScanStepv();
  if (ok) {
    std::lock_guard lock(mutex);
    announced.push_back(t);
  }
  return ok;
}

class RunBench : public Observing {};

TEST_F(RunBench, HundredStepsBothCameras) {
  simulate();
  runScale = 1;
  observe([&] {
    powerOn();
    Observation s;
    s.camera = "Both(2 in 1)";
    s.frames = 100;
    s.exposure = exposure;
    s.exposure2 = exposure;
    setup(s);
    SetReadoutHook([](int camera, int) {
      double t = helx::os::Clock::instance().seconds();
      std::lock_guard lock(mutex);
      if (camera == 1 || camera == 2) stored[camera - 1].push_back(t);
    });
    runAndWait(600);
    SetReadoutHook({});

    std::vector<double> latency[2], unused;
    for (int camera : {1, 2}) {
      std::vector<Exposure> at;
      for (auto& x : exposures(camera))
        if (std::lround(x.scanner / (10.0 * step_moved)) != 0) at.push_back(x);
      for (std::size_t k = 0; k < at.size() && k < announced.size(); k++)
        latency[camera - 1].push_back(at[k].start - announced[k]);
    }
    for (std::size_t k = 0; k + 1 < announced.size(); k++) {
      if (k >= stored[0].size() || k >= stored[1].size()) break;
      double period = announced[k + 1] - announced[k];
      double busy = std::max(stored[0][k], stored[1][k]) - announced[k];
      unused.push_back(1.0 - busy / period);
    }
    std::printf("\nstep duration %.0f ms, exposure %s s, %zu steps announced, %d frames lost\n",
                static_cast<double>(scan_duration), exposure.c_str(), announced.size(),
                run_frames_lost.load());
    for (int c = 0; c < 2; c++) {
      auto& l = latency[c];
      std::printf(
          "camera %d: step -> exposure start  median %.2f ms  worst %.2f ms  (%zu frames)\n", c + 1,
          1000 * median(l), l.empty() ? NAN : 1000 * *std::max_element(l.begin(), l.end()),
          l.size());
    }
    std::printf("unused part of a step: median %.0f %%  least %.0f %%\n", 100 * median(unused),
                unused.empty() ? NAN : 100 * *std::min_element(unused.begin(), unused.end()));
    EXPECT_EQ(run_frames_lost, 0);
    EXPECT_EQ(announced.size(), 100u);
    quit();
  });
}

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  for (int i = 1; i < argc; i++)
    if (std::string(argv[i]).rfind("--exposure=", 0) == 0) exposure = argv[i] + 11;
  return RUN_ALL_TESTS();
}
