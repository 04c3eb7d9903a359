// The redraw of a 1024 x 1024 frame, stage by stage, each beside a memcpy of the same bytes
// measured in the same run (the *_Memcpy entries): mean, standard deviation, minimum and
// maximum, byte scaling, histogram (the runtime's on doubles and the display's own on the
// 16-bit samples), and the column slice of a 100-frame 512 x 512 cube. Below the table the
// ratios against the baselines of the same run. The goal: a whole redraw (statistics, range,
// bytes, histogram, into the panel model) within 80 memcpy's of the frame.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <new>
#include <string>
#include <vector>

#include "display/display.h"
#include "platform/ui/userint.h"
#include "state/HELX.h"
#include "state/observation_state.h"
#include "tests/source_path.h"

namespace {
constexpr int kSide = 1024;
constexpr std::size_t kCount = static_cast<std::size_t>(kSide) * kSide;

// A frame like a camera's: a gradient with pseudo-random noise, 14-bit.
const std::vector<unsigned short>& Frame() {
  static std::vector<unsigned short> frame = [] {
    std::vector<unsigned short> f(kCount);
    std::uint32_t state = 12345;
    for (std::size_t i = 0; i < kCount; i++) {
      state = state * 1664525u + 1013904223u;
      f[i] = static_cast<unsigned short>(1000 + (i % kSide) * 8 + (state >> 24));
    }
    return f;
  }();
  return frame;
}

void Memcpy(benchmark::State& state, std::size_t bytes) {
  std::vector<unsigned char> src(bytes, 1), dst(bytes);
  for (auto _ : state) {
    std::memcpy(dst.data(), src.data(), bytes);
    benchmark::DoNotOptimize(dst.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
}

void BM_Frame_Memcpy(benchmark::State& state) { Memcpy(state, kCount * 2); }
void BM_Slice_Memcpy(benchmark::State& state) { Memcpy(state, 100 * 512 * 2); }

void BM_Mean(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(DataMean(kSide, kSide, Frame().data()));
}

void BM_Stdev(benchmark::State& state) {
  float m = DataMean(kSide, kSide, Frame().data());
  for (auto _ : state) benchmark::DoNotOptimize(DataStdev(kSide, kSide, Frame().data(), m));
}

void BM_MinMax(benchmark::State& state) {
  unsigned short lo = 0, hi = 0;
  for (auto _ : state) {
    GetMinMax(Frame().data(), static_cast<int>(kCount), &lo, &hi);
    benchmark::DoNotOptimize(lo);
    benchmark::DoNotOptimize(hi);
  }
}

// The bytes of the picture, bottom row first, as the display builds them.
void BM_ByteScale(benchmark::State& state) {
  std::vector<unsigned char> bytes(kCount);
  const unsigned short* s = Frame().data();
  for (auto _ : state) {
    ScalePlaneToBytes(kSide, kSide, s, 1200, 9200, bytes.data());
    benchmark::DoNotOptimize(bytes.data());
  }
}

// The runtime's Histogram of the frame as doubles (the baseline the display's own path must
// equal), and the display's one pass over the 16-bit samples.
void BM_Histogram_Runtime(benchmark::State& state) {
  std::vector<double> values(kCount);
  int counts[100];
  double axis[100];
  for (auto _ : state) {
    for (std::size_t i = 0; i < kCount; i++) values[i] = Frame()[i];
    Histogram(values.data(), static_cast<int>(kCount), 1200, 9200, counts, axis, 100);
    benchmark::DoNotOptimize(counts);
  }
}

void BM_Histogram(benchmark::State& state) {
  int counts[100];
  double axis[100];
  for (auto _ : state) {
    SampleHistogram(Frame().data(), static_cast<int>(kCount), 1200, 9200, counts, axis, 100);
    benchmark::DoNotOptimize(counts);
  }
}

void BM_ColumnSlice(benchmark::State& state) {
  static std::vector<unsigned short> cube(static_cast<std::size_t>(512) * 512 * 100, 7);
  std::vector<unsigned short> slice(100 * 512);
  for (auto _ : state) {
    CopyColumnSlice(cube.data(), 512, 512, 100, 260, slice.data());
    benchmark::DoNotOptimize(slice.data());
  }
}

// Statistics, range, bytes, the picture into the panel model and the histogram plot.
void BM_WholeRedraw(benchmark::State& state) {
  auto dir = std::filesystem::temp_directory_path() / ("helx-bench-" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  std::filesystem::copy_file(SourceDirOrExit() / "site" / "HELX.uir", dir / "HELX.uir",
                             std::filesystem::copy_options::overwrite_existing);
  if (chdir(dir.c_str()) != 0) state.SkipWithError("no working directory");
  if (mainPanel <= 0) mainPanel = LoadPanel(0, "HELX.uir", PANEL);
  for (int k = 0; k < 256; k++) colortable[k] = k * 0x010101;
  Plane plane;
  ReferPlane(plane, const_cast<unsigned short*>(Frame().data()), kSide, kSide);
  for (auto _ : state) {
    unsigned short lo = 0, hi = 0;
    int lower = 0, upper = 0;
    MeasurePlane(plane, &lo, &hi, &lower, &upper);
    ByteDisplay(kSide, kSide, plane.data, static_cast<unsigned short>(lower),
                static_cast<unsigned short>(upper));
  }
  ReleasePlane(plane);
}
}  // namespace

BENCHMARK(BM_Frame_Memcpy)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Mean)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Stdev)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_MinMax)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ByteScale)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Histogram_Runtime)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Histogram)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Slice_Memcpy)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ColumnSlice)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_WholeRedraw)->Unit(benchmark::kMillisecond);
namespace {
// Keeps each benchmark's time per iteration for the summary below the table.
class Collector : public benchmark::ConsoleReporter {
 public:
  std::map<std::string, double> seconds;
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs)
      if (!run.error_occurred)
        seconds[run.benchmark_name()] =
            run.GetAdjustedRealTime() / benchmark::GetTimeUnitMultiplier(run.time_unit);
    ConsoleReporter::ReportRuns(runs);
  }
};

void PrintRatio(const Collector& c, const char* what, const char* name, const char* base,
                double goal) {
  auto n = c.seconds.find(name), b = c.seconds.find(base);
  if (n == c.seconds.end() || b == c.seconds.end() || b->second <= 0) return;
  double ratio = n->second / b->second;
  std::printf("%-46s %9.3f ms  %-22s %7.3f ms  ratio %6.1f", what, 1e3 * n->second, base,
              1e3 * b->second, ratio);
  if (goal > 0) std::printf("  (goal <= %.0f: %s)", goal, ratio <= goal ? "met" : "NOT met");
  std::printf("\n");
}
}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  Collector collector;
  benchmark::RunSpecifiedBenchmarks(&collector);
  std::printf("\nAgainst the baselines of this run:\n");
  PrintRatio(collector, "whole redraw of a 1024 x 1024 frame", "BM_WholeRedraw", "BM_Frame_Memcpy",
             80);
  PrintRatio(collector, "histogram, display's 16-bit path", "BM_Histogram", "BM_Histogram_Runtime",
             0);
  PrintRatio(collector, "column slice of a 100-frame cube", "BM_ColumnSlice", "BM_Slice_Memcpy", 0);
  benchmark::Shutdown();
  return 0;
}
