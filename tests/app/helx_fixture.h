// The program started headless in a working directory of its own, on this thread, with the
// operator's actions on a second thread: the way an operator (or a script) drives it.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

// The clock rate a test asks for, divided by HELX_TEST_SLOWDOWN when that is set: the
// sanitizers' builds run several times slower, and the simulated instrument, like the real one,
// does not wait for a slow program.
double TestTimeScale(double scale);

// A control's whole text, however long.
std::string ControlText(int panel, int control);

class HelxProgram : public ::testing::Test {
 protected:
  void SetUp() override;
  // Copies the site files into the working directory (the test may then spoil one).
  void layOutSite();
  // Runs the program's main with --headless; `actions` run on a worker once the main panel is
  // up (or at once if start-up fails). Returns main's result.
  int run(const std::function<void()>& actions);
  static bool eventually(const std::function<bool()>& condition, double seconds = 10);
  // Handles by the resource's names, once the program is up.
  static int page(const std::string& constant);

  std::filesystem::path workdir;
  // Options after --headless (the status page's, for one).
  std::vector<std::string> extraArgs;
};
