// Every example script runs to its end against the simulated instrument, headless, and leaves
// the files its mode writes.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <ostream>
#include <string>

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
