#include "helx_fixture.h"

#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <thread>

#include "app/shell.h"
#include "platform/ui/model.h"
#include "platform/ui/operator.h"
#include "state/observation_state.h"
#include "tests/source_path.h"

namespace fs = std::filesystem;

void HelxProgram::SetUp() {
  workdir =
      fs::path(::testing::TempDir()) /
      ("helx-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) +
       "-" + std::to_string(::getpid()));
  fs::remove_all(workdir);
  fs::create_directories(workdir);
  ASSERT_EQ(::chdir(workdir.c_str()), 0);
}

void HelxProgram::layOutSite() {
  for (auto& entry : fs::directory_iterator(SourceDirOrExit() / "site"))
    fs::copy(entry.path(), workdir / entry.path().filename(), fs::copy_options::overwrite_existing);
}

double TestTimeScale(double scale) {
  const char* slowdown = std::getenv("HELX_TEST_SLOWDOWN");
  double factor = slowdown ? std::atof(slowdown) : 1.0;
  return factor > 0 ? scale / factor : scale;
}

namespace {
bool MainPanelShown() {
  auto handle = helx::ui::Operator::panel("PANEL");
  return handle && helx::ui::Model::instance().with([&](helx::ui::Model& m) {
    helx::ui::Panel* p = m.panel(*handle);
    return p && p->visible;
  });
}
}  // namespace

int HelxProgram::run(const std::function<void()>& actions) {
  static char arg0[] = "helx", arg1[] = "--headless";
  std::vector<char*> argv = {arg0, arg1};
  for (std::string& a : extraArgs) argv.push_back(a.data());
  argv.push_back(nullptr);
  std::atomic<bool> ended{false};
  std::jthread actor([&] {
    // Start-up ends by showing the main panel, after every handle is stored: seen through the
    // model's lock, the handles are safe to read from here on.
    eventually([&] { return ended || MainPanelShown(); }, 10);
    actions();
  });
  int result = HELX_main(static_cast<int>(argv.size()) - 1, argv.data());
  ended = true;
  return result;
}

bool HelxProgram::eventually(const std::function<bool()>& condition, double seconds) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

std::string ControlText(int panel, int control) {
  // One look under the model's lock: the monitor may grow between a length query and a copy.
  return helx::ui::Operator::text(panel, control);
}

int HelxProgram::page(const std::string& constant) {
  return helx::ui::Operator::page(constant).value_or(-1);
}
