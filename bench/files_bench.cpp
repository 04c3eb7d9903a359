// SaveFits of a 512 x 512 x 100 cube against, in the same run and folder, a plain fwrite of the
// same 52,428,800 bytes and Astropy's writeto of the same cube, each with and without fsync;
// and the 100-frame bias/dark average against a memcpy of the series. Ratios are printed at
// the end (time of ours / time of the baseline): SaveFits should beat Astropy and stay within
// 2x of the plain write.
//
// Run: files_bench [folder]   (default: a folder under the system's temporary directory)
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "camera/bias_dark.h"
#include "files/fits_files.h"
#include "state/observation_state.h"

namespace fs = std::filesystem;

namespace {
constexpr int kNx = 512, kNy = 512, kFrames = 100;
constexpr std::size_t kSamples = static_cast<std::size_t>(kNx) * kNy * kFrames;
fs::path folder;
std::vector<unsigned short> cube;

void clearFolder() {
  for (auto& e : fs::directory_iterator(folder)) fs::remove(e.path());
}

void BM_SaveFits(benchmark::State& state) {
  fits_sync = static_cast<int>(state.range(0));
  g_pRawData = cube.data();
  nCameraHandle1 = 1, nCameraHandle2 = 2;
  for (auto _ : state) {
    if (SaveFits(kNx, kNy, kFrames, 0.03f, 1, "a", "b", 1.0f, folder.c_str()) != 1)
      state.SkipWithError("save failed");
    state.PauseTiming();
    clearFolder();
    state.ResumeTiming();
  }
  state.SetBytesProcessed(state.iterations() * kSamples * 2);
}

void BM_Fwrite(benchmark::State& state) {
  bool sync = state.range(0);
  for (auto _ : state) {
    std::string path = (folder / "plain.bin").string();
    FILE* f = std::fopen(path.c_str(), "wb");
    std::fwrite(cube.data(), 2, kSamples, f);
    std::fflush(f);
    if (sync) ::fsync(fileno(f));
    std::fclose(f);
    state.PauseTiming();
    clearFolder();
    state.ResumeTiming();
  }
  state.SetBytesProcessed(state.iterations() * kSamples * 2);
}

// Astropy's own time for writeto, measured inside Python (interpreter start-up excluded).
void BM_AstropyWriteto(benchmark::State& state) {
  bool sync = state.range(0);
  fs::path script = folder.parent_path() / "astropy_write.py";
  std::ofstream(script) << R"(import sys, os, time, numpy as np
from astropy.io import fits
cube = (np.arange(512*512*100, dtype=np.uint32) % 60000).astype(np.uint16).view(np.int16).reshape(100, 512, 512)
path = sys.argv[1]; sync = sys.argv[2] == '1'
t = time.perf_counter()
fits.PrimaryHDU(cube).writeto(path, overwrite=True)
if sync:
    fd = os.open(path, os.O_RDONLY); os.fsync(fd); os.close(fd)
print(time.perf_counter() - t)
)";
  for (auto _ : state) {
    std::string command = "/usr/bin/python3 " + script.string() + " " +
                          (folder / "astropy.fits").string() + (sync ? " 1" : " 0");
    FILE* p = ::popen(command.c_str(), "r");
    double seconds = -1;
    if (!p || std::fscanf(p, "%lf", &seconds) != 1) seconds = -1;
    if (p) ::pclose(p);
    if (seconds < 0) state.SkipWithError("astropy failed");
    state.SetIterationTime(seconds);
    clearFolder();
  }
  state.SetBytesProcessed(state.iterations() * kSamples * 2);
}

void BM_AverageBiasDark(benchmark::State& state) {
  std::vector<unsigned short> frame(kNx * kNy);
  for (auto _ : state) {
    AverageBiasDark(cube.data(), frame.data(), kNx * kNy, kFrames);
    benchmark::DoNotOptimize(frame.data());
  }
}

void BM_MemcpySeries(benchmark::State& state) {
  std::vector<unsigned short> copy(kSamples);
  for (auto _ : state) {
    std::memcpy(copy.data(), cube.data(), kSamples * 2);
    benchmark::DoNotOptimize(copy.data());
  }
}

BENCHMARK(BM_SaveFits)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(8);
BENCHMARK(BM_Fwrite)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(8);
BENCHMARK(BM_AstropyWriteto)
    ->Arg(0)
    ->Arg(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(4);
BENCHMARK(BM_AverageBiasDark)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MemcpySeries)->Unit(benchmark::kMillisecond);

// Keeps every run's mean time to print the ratios after the table.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (auto& r : runs)
      if (!r.error_occurred) times[r.benchmark_name()] = r.GetAdjustedRealTime();
    ConsoleReporter::ReportRuns(runs);
  }
  std::map<std::string, double> times;
};
}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  folder = argc > 1 ? fs::path(argv[1]) : fs::temp_directory_path() / "helx-files-bench" / "data";
  fs::create_directories(folder);
  clearFolder();
  cube.resize(kSamples);
  for (std::size_t i = 0; i < kSamples; i++) cube[i] = static_cast<unsigned short>(i % 60000);

  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  auto& t = reporter.times;
  auto ratio = [&](const char* a, const char* b) {
    if (!t.count(a) || !t.count(b) || t[b] <= 0) return;
    std::printf("%-40s / %-34s = %.2f\n", a, b, t[a] / t[b]);
  };
  std::printf("\nratios (lower is better for the first):\n");
  ratio("BM_SaveFits/0/iterations:8", "BM_Fwrite/0/iterations:8");
  ratio("BM_SaveFits/0/iterations:8", "BM_AstropyWriteto/0/iterations:4/manual_time");
  ratio("BM_SaveFits/1/iterations:8", "BM_Fwrite/1/iterations:8");
  ratio("BM_SaveFits/1/iterations:8", "BM_AstropyWriteto/1/iterations:4/manual_time");
  ratio("BM_AverageBiasDark", "BM_MemcpySeries");
  return 0;
}
