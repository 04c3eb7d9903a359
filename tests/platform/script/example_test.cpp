// The example script runs to the end against the real program, headless, in a working
// directory laid out from site/.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "app/shell.h"
#include "platform/ui/script/session.h"

namespace fs = std::filesystem;

TEST(ScriptExample, ObserveRunsToTheEndHeadless) {
  const char* source = std::getenv("HELX_SOURCE_DIR");
  ASSERT_NE(source, nullptr);
  fs::path workdir = fs::path(::testing::TempDir()) / ("helx-example-" + std::to_string(getpid()));
  fs::remove_all(workdir);
  fs::create_directories(workdir);
  for (auto& entry : fs::directory_iterator(fs::path(source) / "site"))
    fs::copy(entry.path(), workdir / entry.path().filename());
  ASSERT_EQ(::chdir(workdir.c_str()), 0);

  std::string script = (fs::path(source) / "examples" / "observe.hxs").string();
  // The site's own simulator settings, as scripts/run starts the program; four times faster.
  static char arg0[] = "helx", arg1[] = "--headless", arg2[] = "--script", arg4[] = "--time-scale",
              arg5[] = "4";
  char* argv[] = {arg0, arg1, arg2, script.data(), arg4, arg5, nullptr};
  ::testing::internal::CaptureStdout();
  int result = HELX_main(6, argv);
  std::string out = ::testing::internal::GetCapturedStdout();
  EXPECT_EQ(result, 0);
  EXPECT_EQ(helx::ui::script::SessionStatus(), 0);
  // Every statement ran, the last one pressing QUIT.
  EXPECT_NE(out.find("MISC_Observer  \"A. Observer\""), std::string::npos) << out;
  EXPECT_NE(out.find("QUITBUTTON\n" + script + ": finished"), std::string::npos) << out;
}
