// Five 100-step scans with both cameras at every step ("Both(2 in 1)"), at the shortest step
// duration the setup allows for the exposure (exposure + 80 ms), run in real time on the
// simulated instrument as an operator would. From the simulated scanner, the program's own
// step announcements and the simulators' log it reports, pooled over the scans:
//   reached -> announced   the scan poll's delay (reached: in the step's band and at rest
//                          for good; see step_watch.h). A step announced before that (the
//                          scanner touched its band on the way) counts as no delay and is
//                          counted apart
//   announced -> exposure  the monitoring loop's delay, per camera
//   reached -> exposure    both together, per camera: median, 95th percentile, worst
//   poll CPU               the CPU time of the thread running the scan's poll per second of
//                          scan (it also runs the simulated controller's servo cycles inside
//                          each exchange, so it is an upper bound for the polling itself)
//   unused, lost           the part of each step left after both frames are stored; frames
//                          not stored
// Each figure is printed beside its goal (the step duration being the baseline of the run).
//
// With --clients=N the program also serves its status page, and N clients poll it as a browser
// does (the JSON every half second, the picture when it changed) through the scans.
//
//   build/bench/tests/sequence/run_bench [--exposure=0.01] [--scans=5] [--clients=0]
//   (from any folder)
#include <httplib.h>
#include <time.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "bench/step_watch.h"
#include "observing_fixture.h"
#include "platform/os/clock.h"
#include "platform/ui/web/status_server.h"
#include "scanner/scanner.h"
#include "scanner/step_handshake.h"
#include "sequence/sequence.h"
#include "state/observation_state.h"

namespace {
std::mutex mutex;
std::vector<double> announced;  // instrument time of each step, scan after scan
std::vector<double> stored[2];  // instrument time each camera's frame was stored
double pollCpuSeconds = 0, scanSeconds = 0;
std::string exposure = "0.01";
int scans = 5;
int clients = 0;

double threadCpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

// The q-quantile (0..1) in milliseconds.
double quantileMs(std::vector<double> v, double q) {
  if (v.empty()) return NAN;
  std::sort(v.begin(), v.end());
  return 1000 *
         v[std::min(v.size() - 1, static_cast<std::size_t>(q * static_cast<double>(v.size())))];
}

void printLatency(const char* what, const std::vector<double>& v, double goalMedianMs,
                  double goal95Ms) {
  std::printf("%-34s median %5.2f ms  95%% %5.2f ms  worst %5.2f ms  (%zu)", what,
              quantileMs(v, 0.5), quantileMs(v, 0.95), quantileMs(v, 1.0), v.size());
  if (goalMedianMs > 0)
    std::printf(
        "  goal median <= %.0f, 95%% <= %.0f: %s", goalMedianMs, goal95Ms,
        quantileMs(v, 0.5) <= goalMedianMs && quantileMs(v, 0.95) <= goal95Ms ? "met" : "NOT met");
  std::printf("\n");
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

extern "C" int __real__Z14ExecuteProgramli(long, int);
extern "C" int __wrap__Z14ExecuteProgramli(long camera, int takeMode) {
  const double cpu = threadCpuSeconds();
  const double start = helx::os::Clock::instance().seconds();
  int result = __real__Z14ExecuteProgramli(camera, takeMode);
  std::lock_guard lock(mutex);
  pollCpuSeconds += threadCpuSeconds() - cpu;
  scanSeconds += helx::os::Clock::instance().seconds() - start;
  return result;
}

class RunBench : public Observing {};

TEST_F(RunBench, HundredStepsBothCameras) {
  if (clients > 0) extraArgs = {"--status-port", "0"};
  simulate();
  runScale = 1;
  observe([&] {
    powerOn();
    Observation s;
    s.camera = "Both(2 in 1)";
    s.frames = 100;
    s.runs = scans;
    s.exposure = exposure;
    s.exposure2 = exposure;
    setup(s);
    SetReadoutHook([](int camera, int) {
      double t = helx::os::Clock::instance().seconds();
      std::lock_guard lock(mutex);
      if (camera == 1 || camera == 2) stored[camera - 1].push_back(t);
    });
    // Clients of the status page, each as a browser's page polls it.
    std::atomic<bool> polling{true};
    std::atomic<long> answers{0};
    std::vector<std::jthread> pollers;
    for (int i = 0; i < clients; ++i)
      pollers.emplace_back([&] {
        httplib::Client client("127.0.0.1", helx::ui::web::RunningStatusPort());
        long generation = -1;
        while (polling) {
          if (auto r = client.Get("/status.json"); r && r->status == 200) {
            ++answers;
            long now = nlohmann::json::parse(r->body)["picture"]["generation"].get<long>();
            if (now != generation) client.Get("/picture.png");
            generation = now;
          }
          std::this_thread::sleep_for(std::chrono::milliseconds(500));
        }
      });
    TheStepWatch().start();
    runAndWait(600.0 * scans);
    TheStepWatch().stop();
    polling = false;
    pollers.clear();
    SetReadoutHook({});

    const std::vector<double> reached = TheStepWatch().reached();
    // A step announced while the scanner touched its band before coming to rest for good waited
    // for nothing: its delay counts as zero, and such steps are counted apart.
    std::vector<double> poll, settled, latency[2], both[2], unused;
    int early = 0;
    for (std::size_t k = 0; k < announced.size() && k < reached.size(); k++)
      if (reached[k] >= 0) {
        early += announced[k] < reached[k];
        poll.push_back(std::max(0.0, announced[k] - reached[k]));
        if (announced[k] >= reached[k]) settled.push_back(announced[k] - reached[k]);
      }
    for (int camera : {1, 2}) {
      std::vector<Exposure> at;
      for (auto& x : exposures(camera))
        if (std::lround(x.scanner / (10.0 * step_moved)) != 0) at.push_back(x);
      for (std::size_t k = 0; k < at.size() && k < announced.size(); k++) {
        latency[camera - 1].push_back(at[k].start - announced[k]);
        if (k < reached.size() && reached[k] >= 0)
          both[camera - 1].push_back(std::max(0.0, at[k].start - reached[k]));
      }
    }
    for (std::size_t k = 0; k + 1 < announced.size(); k++) {
      if (k >= stored[0].size() || k >= stored[1].size()) break;
      double period = announced[k + 1] - announced[k];
      // The last step of a scan is followed by the return to the start, not by a step.
      if (period > 2 * scan_duration / 1000.0) continue;
      double busy = std::max(stored[0][k], stored[1][k]) - announced[k];
      unused.push_back(1.0 - busy / period);
    }
    if (clients > 0)
      std::printf("\n%d status page clients polled it: %ld answers\n", clients, answers.load());
    std::printf(
        "\n%d scans of 100 steps, step duration %.0f ms, exposure %s s, %zu steps "
        "announced, %zu reached, %d frames lost (goal 0)\n",
        scans, static_cast<double>(scan_duration), exposure.c_str(), announced.size(), poll.size(),
        run_frames_lost.load());
    printLatency("step reached -> announced", poll, 0, 0);
    std::printf("  %d steps announced before the scanner came to rest for good (counted as 0)\n",
                early);
    printLatency("  the others alone", settled, 0, 0);
    printLatency("announced -> camera 1 exposure", latency[0], 0, 0);
    printLatency("announced -> camera 2 exposure", latency[1], 0, 0);
    printLatency("step reached -> camera 1 exposure", both[0], 1, 3);
    printLatency("step reached -> camera 2 exposure", both[1], 1, 3);
    std::printf("scan poll CPU: %.1f ms per second of scan (goal <= 100), %.1f s of scan\n",
                scanSeconds > 0 ? 1000 * pollCpuSeconds / scanSeconds : NAN, scanSeconds);
    std::printf("unused part of a step: median %.0f %%  least %.0f %%\n",
                100 * quantileMs(unused, 0.5) / 1000, 100 * quantileMs(unused, 0.0) / 1000);
    EXPECT_EQ(run_frames_lost, 0);
    EXPECT_EQ(announced.size(), 100u * static_cast<std::size_t>(scans));
    quit();
  });
}

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  for (int i = 1; i < argc; i++) {
    std::string a = argv[i];
    if (a.rfind("--exposure=", 0) == 0) exposure = a.substr(11);
    if (a.rfind("--scans=", 0) == 0) scans = std::max(1, std::atoi(a.c_str() + 8));
    if (a.rfind("--clients=", 0) == 0) clients = std::max(0, std::atoi(a.c_str() + 10));
  }
  return RUN_ALL_TESTS();
}
