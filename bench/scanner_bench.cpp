// Step-to-announcement latency of a spectrograph scan: 100 steps of 16 units (160 counts),
// 100 ms per step, at real time (clock scale 1), with the monitoring loop running beside it and
// taking each step's frame, as in an observation.
//
//   reached    the first moment the scanner is within its step's band and at rest for good
//              (see step_watch.h)
//   announced  the moment ExecuteProgram calls AnnounceScanStep (wrapped at link time)
//
// Prints the median and worst latency, and the CPU time of the thread running ExecuteProgram
// per second of scan. That thread also runs the simulated controller's servo cycles (the
// simulator computes its state inside each exchange), so the figure is an upper bound for the
// polling itself.
//
// Usage: scanner_bench [steps]   (run from any directory; it works in a temporary one)
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "app/shell.h"
#include "bench/step_watch.h"
#include "camera/camera.h"
#include "platform/os/clock.h"
#include "platform/ui/operator.h"
#include "scanner/scanner.h"
#include "scanner/step_handshake.h"
#include "sequence/sequence.h"
#include "sim/common/scene_hook.h"
#include "sim/common/settings.h"
#include "state/observation_state.h"
#include "tests/source_path.h"

namespace fs = std::filesystem;

namespace {
std::mutex mutex;
std::vector<double> announced_at;  // instrument seconds, by step - 1

double threadCpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}
}  // namespace

extern "C" int __real__Z16AnnounceScanStepv();
extern "C" int __wrap__Z16AnnounceScanStepv() {
  double now = helx::os::Clock::instance().seconds();
  int ok = __real__Z16AnnounceScanStepv();
  if (ok) {
    std::lock_guard lock(mutex);
    announced_at.push_back(now);
  }
  return ok;
}

int main(int argc, char** argv) {
  const int steps = argc > 1 ? std::max(2, std::atoi(argv[1])) : 100;
  const fs::path site = SourceDirOrExit() / "site";
  fs::path dir = fs::temp_directory_path() / ("helx-scanner-bench-" + std::to_string(getpid()));
  fs::create_directories(dir);
  for (auto& e : fs::directory_iterator(site))
    fs::copy(e.path(), dir / e.path().filename(), fs::copy_options::overwrite_existing);
  fs::current_path(dir);
  helx::sim::Settings::instance().set({{"camera", {{"count", 2}}}, {"log", {{"path", ""}}}});

  double cpu = 0, scan_seconds = 0;
  int result = -1;
  std::thread actor([&] {
    while (mainPanel <= 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    long n = 0;
    GetAvailableCameras(&n);
    GetCameraHandle(0, &nCameraHandle1);
    GetCameraHandle(1, &nCameraHandle2);
    for (long handle : {nCameraHandle2, nCameraHandle1}) {
      SetCurrentCamera(handle);
      OpenCamera(handle);
      SetCameraParam(1, 4, 0, 0, 0, 4, 4, 0.03f, 1, 0, steps, handle);
    }
    if (ScanOpen() != 1) {
      std::fprintf(stderr, "the scanner did not open\n");
      helx::ui::Operator::commit(mainPanel, PANEL_QUITBUTTON);
      return;
    }
    char reply[256];
    PmacCommand("#1J/", reply);
    PmacCommand("#1J=0", reply);
    do {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
      PmacCommand("m140", reply);
    } while (reply[0] != '1');
    g_nFrameNumber1 = steps;
    scan_mode = 0;
    helx_take_mode = 0;
    ScanCommandWrite(steps, 100, 16, 0, 0);
    std::thread monitor([] { MonitoringThreadFunction(nullptr); });

    TheStepWatch().start();
    SetCurrentCamera(nCameraHandle1);
    double start = helx::os::Clock::instance().seconds();
    double cpu0 = threadCpuSeconds();
    result = ExecuteProgram(nCameraHandle1, 0);
    cpu = threadCpuSeconds() - cpu0;
    scan_seconds = helx::os::Clock::instance().seconds() - start;
    TheStepWatch().stop();
    WaitScanStepsStored(10.0);
    CloseDevice();
    monitor.join();
    helx::ui::Operator::commit(mainPanel, PANEL_QUITBUTTON);
  });
  static char arg0[] = "helx", arg1[] = "--headless";
  char* args[] = {arg0, arg1, nullptr};
  HELX_main(2, args);
  actor.join();
  fs::current_path(fs::temp_directory_path());
  fs::remove_all(dir);

  const std::vector<double> reached = TheStepWatch().reached();
  std::vector<double> latency;
  int early = 0;
  for (int k = 0; k < steps && k < static_cast<int>(announced_at.size()); ++k)
    if (reached[static_cast<std::size_t>(k)] >= 0)
      latency.push_back(1000.0 * (announced_at[static_cast<std::size_t>(k)] -
                                  reached[static_cast<std::size_t>(k)]));
  // Announced while the scanner touched the band before coming to rest: no delay.
  for (double& l : latency)
    if (l < 0) {
      ++early;
      l = 0;
    }
  std::printf("scan result %d, %zu of %d steps announced, %d frames stored\n", result,
              announced_at.size(), steps, ScanStepsStored());
  if (latency.empty()) return 1;
  std::sort(latency.begin(), latency.end());
  std::printf(
      "step-to-announcement latency: median %.3f ms, 95%% %.3f ms, worst %.3f ms (%zu "
      "steps, %d announced before the scanner came to rest for good, counted as 0)\n",
      latency[latency.size() / 2], latency[latency.size() * 95 / 100], latency.back(),
      latency.size(), early);
  std::printf("scan %.2f s, polling thread CPU %.3f s: %.1f ms of CPU per second of scan\n",
              scan_seconds, cpu, 1000.0 * cpu / scan_seconds);
  return 0;
}
