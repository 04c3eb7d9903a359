#include "qt_fixture.h"

#include <QApplication>
#include <QTimer>
#include <cstdlib>
#include <mutex>

#include "platform/ui/callbacks.h"
#include "platform/ui/event_loop.h"
#include "platform/ui/message_log.h"
#include "tests/source_path.h"

using helx::ui::EventLoop;

namespace {
std::mutex mutex;
std::vector<Call> recorded;

int CVICALLBACK onControl(int panel, int control, int event, void*, int d1, int d2) {
  std::lock_guard lock(mutex);
  recorded.push_back({panel, control, event, d1, d2, EventLoop::instance().onUiThread()});
  return 0;
}
int CVICALLBACK onPanel(int panel, int event, void*, int d1, int d2) {
  return onControl(panel, 0, event, nullptr, d1, d2);
}
void CVICALLBACK onMenu(int, int item, void*, int panel) {
  onControl(panel, item, EVENT_COMMIT, nullptr, 0, 0);
}
}  // namespace

helx::ui::qt::QtFrontend& QtViewTest::frontend() {
  return dynamic_cast<helx::ui::qt::QtFrontend&>(helx::ui::CurrentFrontend());
}

void QtViewTest::SetUp() {
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  helx::ui::SetMessageLogPath("");
  static char arg0[] = "qtview_tests";
  static char headless[] = "--headless";
  static char* argv[] = {arg0, headless, nullptr};
  ASSERT_EQ(InitCVIRTE(nullptr, argv, nullptr), 1);
  static int argc = 1;
  helx::ui::InstallFrontend(std::make_unique<helx::ui::qt::QtFrontend>(argc, argv));
  for (const auto& name : helx::ui::UnboundCallbackNames(SourcePath("site/HELX.uir").c_str())) {
    helx::ui::RegisterCallback(name, onControl);
    helx::ui::RegisterCallback(name, onPanel);
    helx::ui::RegisterCallback(name, onMenu);
  }
  for (int number : {3, 4, 5, 2, 1}) {
    panels[number] = LoadPanel(0, SourcePath("site/HELX.uir").c_str(), number);
    ASSERT_GT(panels[number], 0);
  }
  menuBar = LoadMenuBar(panels[3], SourcePath("site/HELX.uir").c_str(), 1);
  ASSERT_GT(menuBar, 0);
  for (int number : {3, 4, 5, 2, 1}) DisplayPanel(panels[number]);
  drain();
}

// Stops the runtime's timer thread, which would otherwise still wait on the clock at exit.
void QtViewTest::TearDown() { CloseCVIRTE(); }

int QtViewTest::page(int index) const {
  int handle = 0;
  GetPanelHandleFromTabPage(panels.at(4), 3, index, &handle);
  return handle;
}

void QtViewTest::drain() {
  frontend().drainDirty();
  QApplication::processEvents();
}

bool QtViewTest::runUntil(const std::function<bool()>& condition, int guardMs) {
  bool met = false;
  QTimer poll, guard;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    if (condition()) {
      met = true;
      QuitUserInterface(0);
    }
  });
  QObject::connect(&guard, &QTimer::timeout, [] { QuitUserInterface(1); });
  poll.start(1);
  guard.setSingleShot(true);
  guard.start(guardMs);
  RunUserInterface();
  return met || condition();
}

void QtViewTest::flushEvents() {
  bool reached = false;
  EventLoop::instance().post([&] { reached = true; });
  ASSERT_TRUE(runUntil([&] { return reached; }));
}

std::vector<Call> QtViewTest::calls() {
  std::lock_guard lock(mutex);
  return recorded;
}

std::vector<Call> QtViewTest::calls(int panel, int control, int event) {
  std::vector<Call> out;
  for (auto& c : calls())
    if (c.panel == panel && c.control == control && c.event == event) out.push_back(c);
  return out;
}
