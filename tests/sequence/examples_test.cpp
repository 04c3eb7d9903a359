// Every example script runs to its end against the simulated instrument, headless, and leaves
// the files its mode writes.
#include <fitsio.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "app/shell.h"
#include "helx_fixture.h"
#include "platform/atmcd/atmcd_sim.h"
#include "platform/os/clock.h"
#include "platform/ui/script/session.h"
#include "sim/common/settings.h"
#include "sim/common/sim_log.h"

namespace fs = std::filesystem;

namespace {

struct Example {
  const char* script;
  int filesA, filesB;  // observation files (or flat cubes) per camera letter
};

void PrintTo(const Example& e, std::ostream* os) { *os << e.script; }

class Examples : public ::testing::TestWithParam<Example> {};

int count(const fs::path& root, const std::string& ending) {
  int n = 0;
  if (!fs::exists(root)) return 0;
  for (auto& e : fs::recursive_directory_iterator(root)) {
    std::string name = e.path().filename().string();
    if (name.size() >= ending.size() &&
        name.compare(name.size() - ending.size(), ending.size(), ending) == 0)
      n++;
  }
  return n;
}

// How well a file's frames are exposed: the share of samples at the 14-bit ceiling, and the
// lowest and highest median of each frame's brightest tenth (frames of zeros, lost, left out).
struct Exposure {
  double saturatedShare = 0;
  double lowestBright = 1e9, highestBright = 0;
};

Exposure exposureOf(const fs::path& file) {
  Exposure e;
  fitsfile* f = nullptr;
  int status = 0, bitpix = 0, naxis = 0;
  long axes[3] = {1, 1, 1};
  if (fits_open_diskfile(&f, file.c_str(), READONLY, &status) != 0) {
    ADD_FAILURE() << "cannot open " << file;
    return e;
  }
  fits_get_img_param(f, 3, &bitpix, &naxis, axes, &status);
  const std::size_t plane = static_cast<std::size_t>(axes[0]) * axes[1];
  std::vector<float> data(plane * axes[2]);
  int anyNull = 0;
  fits_read_img(f, TFLOAT, 1, static_cast<LONGLONG>(data.size()), nullptr, data.data(), &anyNull,
                &status);
  fits_close_file(f, &status);
  EXPECT_EQ(status, 0) << file;
  e.saturatedShare = static_cast<double>(std::count(data.begin(), data.end(), 16383.0f)) /
                     static_cast<double>(data.size());
  for (long k = 0; k < axes[2]; ++k) {
    std::vector<float> frame(data.begin() + k * plane, data.begin() + (k + 1) * plane);
    if (std::all_of(frame.begin(), frame.end(), [](float v) { return v == 0; })) continue;
    std::sort(frame.begin(), frame.end());
    const std::size_t first = frame.size() * 9 / 10, count = frame.size() - first;
    const double median = frame[first + count / 2];
    e.lowestBright = std::min(e.lowestBright, median);
    e.highestBright = std::max(e.highestBright, median);
  }
  return e;
}

}  // namespace

TEST_P(Examples, RunsToTheEndAndWritesItsFiles) {
  const Example e = GetParam();
  const char* source = std::getenv("HELX_SOURCE_DIR");
  ASSERT_NE(source, nullptr);
  fs::path workdir = fs::path(::testing::TempDir()) /
                     ("helx-example-" + std::string(e.script) + "-" + std::to_string(getpid()));
  fs::remove_all(workdir);
  fs::create_directories(workdir);
  for (auto& entry : fs::directory_iterator(fs::path(source) / "site"))
    fs::copy(entry.path(), workdir / entry.path().filename());
  ASSERT_EQ(::chdir(workdir.c_str()), 0);
  helx::sim::Settings::instance().set(
      {{"camera", {{"count", 2}, {"cool_rate", 20.0}, {"warm_rate", 20.0}, {"hold", 1.0}}},
       {"sixk", {{"port", 0}}},
       {"log", {{"path", ""}}}});
  helx::sim::SimLog::instance().reopen();
  helx::atmcd_sim::reset();

  std::string script = (fs::path(source) / "examples" / e.script).string();
  static char arg0[] = "helx", arg1[] = "--headless", arg2[] = "--script", arg4[] = "--time-scale";
  std::string scale = std::to_string(TestTimeScale(4));
  char* argv[] = {arg0, arg1, arg2, script.data(), arg4, scale.data(), nullptr};
  ::testing::internal::CaptureStdout();
  int result = HELX_main(6, argv);
  std::string out = ::testing::internal::GetCapturedStdout();
  EXPECT_EQ(result, 0) << out;
  EXPECT_EQ(helx::ui::script::SessionStatus(), 0) << out;
  EXPECT_NE(out.find(script + ": finished"), std::string::npos) << out;
  bool flat = std::string(e.script) == "flat_field.hxs";
  EXPECT_EQ(count(workdir / "drive_g", flat ? "_A_Flat.fts" : "_A.fts"), e.filesA);
  EXPECT_EQ(count(workdir / "drive_g", flat ? "_B_Flat.fts" : "_B.fts"), e.filesB);

  // Well exposed on the default simulated Sun: hardly a sample at the ceiling, and the bright
  // part of every frame between 30 % and 70 % of full scale.
  for (auto& entry : fs::recursive_directory_iterator(workdir / "drive_g")) {
    const std::string name = entry.path().filename().string();
    if (entry.path().extension() != ".fts" || name.find("_BiasDark") != std::string::npos) continue;
    const Exposure x = exposureOf(entry.path());
    EXPECT_LE(x.saturatedShare, 0.001) << name;
    EXPECT_GE(x.lowestBright, 4900) << name;
    EXPECT_LE(x.highestBright, 11500) << name;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Scripts, Examples,
    ::testing::Values(Example{"observe.hxs", 2, 2}, Example{"single_frames.hxs", 3, 3},
                      Example{"frame_transfer.hxs", 2, 0}, Example{"scan_stop.hxs", 1, 0},
                      Example{"imaging_sweep.hxs", 1, 0}, Example{"video.hxs", 0, 0},
                      Example{"flat_field.hxs", 1, 1}, Example{"tour.hxs", 1, 1}),
    [](const auto& info) {
      std::string name = info.param.script;
      return name.substr(0, name.find('.'));
    });
