#include "runtime_fixture.h"

#include <chrono>
#include <mutex>

#include "platform/ui/callbacks.h"
#include "platform/ui/event_loop.h"
#include "platform/ui/message_log.h"
#include "tests/source_path.h"

std::atomic<int> RuntimeTest::ticks{0};
std::atomic<bool> RuntimeTest::releaseSlow{false};
std::atomic<bool> RuntimeTest::slowEntered{false};

namespace {
std::mutex mutex;
std::vector<Recorded> recorded;

int CVICALLBACK onCommit(int panel, int control, int event, void*, int d1, int d2) {
  std::lock_guard lock(mutex);
  recorded.push_back({panel, control, event, d1, d2, helx::ui::EventLoop::instance().onUiThread()});
  return 0;
}
int CVICALLBACK onTick(int, int, int event, void*, int, int) {
  if (event == EVENT_TIMER_TICK) ++RuntimeTest::ticks;
  return 0;
}
int CVICALLBACK onSlow(int, int, int event, void*, int, int) {
  if (event != EVENT_COMMIT) return 0;
  // Holds the UI thread without processing events, as a long sequence does.
  RuntimeTest::slowEntered = true;
  while (!RuntimeTest::releaseSlow) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  return 0;
}
int CVICALLBACK onTab(int panel, int control, int event, void* data, int d1, int d2) {
  return onCommit(panel, control, event, data, d1, d2);
}
int CVICALLBACK onPanel(int panel, int event, void*, int, int) {
  std::lock_guard lock(mutex);
  recorded.push_back({panel, 0, event, 0, 0, helx::ui::EventLoop::instance().onUiThread()});
  return 0;
}
void CVICALLBACK onMenu(int, int item, void*, int panel) {
  std::lock_guard lock(mutex);
  recorded.push_back(
      {panel, item, EVENT_COMMIT, 0, 0, helx::ui::EventLoop::instance().onUiThread()});
}
}  // namespace

std::vector<Recorded> RuntimeTest::commits() {
  std::lock_guard lock(mutex);
  return recorded;
}

void RuntimeTest::SetUp() {
  helx::ui::SetMessageLogPath("");
  static char arg0[] = "test";
  static char* argv[] = {arg0, nullptr};
  ASSERT_EQ(InitCVIRTE(nullptr, argv, nullptr), 1);
  helx::ui::RegisterCallback("onCommit", onCommit);
  helx::ui::RegisterCallback("onTick", onTick);
  helx::ui::RegisterCallback("onSlow", onSlow);
  helx::ui::RegisterCallback("onTab", onTab);
  helx::ui::RegisterCallback("onPanel", onPanel);
  helx::ui::RegisterCallback("onMenu", onMenu);
  panel = LoadPanel(0, SourcePath("tests/platform/ui/test.uir").c_str(), P);
  ASSERT_GT(panel, 0);
  menu = LoadMenuBar(panel, SourcePath("tests/platform/ui/test.uir").c_str(), 1);
  ASSERT_GT(menu, 0);
  ASSERT_EQ(GetPanelHandleFromTabPage(panel, P_TAB, 0, &page0), 0);
  ASSERT_EQ(GetPanelHandleFromTabPage(panel, P_TAB, 1, &page1), 0);
  DisplayPanel(panel);
}

void RuntimeTest::runWithUi(const std::function<void()>& operatorActions) {
  std::jthread actor([&] {
    operatorActions();
    QuitUserInterface(0);
  });
  RunUserInterface();
}

bool RuntimeTest::eventually(const std::function<bool()>& condition, double seconds) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}
