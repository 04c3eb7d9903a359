#include "script_fixture.h"

#include <unistd.h>

#include <chrono>
#include <fstream>
#include <mutex>
#include <sstream>
#include <thread>

#include "platform/os/clock.h"
#include "platform/ui/callbacks.h"
#include "platform/ui/event_loop.h"
#include "platform/ui/message_log.h"
#include "platform/ui/userint.h"
#include "tests/source_path.h"

namespace {
std::mutex mutex;
std::vector<Event> events;
int quitPresses = 0;
std::string openedPath;
int panelHandle = 0;
std::jthread device;

void record(int control, int event, int d1, int d2) {
  std::lock_guard lock(mutex);
  events.push_back({control, event, d1, d2, helx::os::Clock::instance().seconds()});
}

int CVICALLBACK onControl(int, int control, int event, void*, int d1, int d2) {
  record(control, event, d1, d2);
  return 0;
}
int CVICALLBACK onPanel(int, int event, void*, int d1, int d2) {
  record(0, event, d1, d2);
  return 0;
}
int CVICALLBACK onStart(int, int control, int event, void*, int, int) {
  if (event != EVENT_COMMIT) return 0;
  record(control, event, 0, 0);
  SetCtrlAttribute(panelHandle, P_BTN, ATTR_DIMMED, 0);
  device = std::jthread([](std::stop_token stop) {
    if (!helx::os::Clock::instance().sleepForSeconds(0.2, stop)) return;
    SetCtrlVal(panelHandle, P_LED, 1);
    MessagePopup("Camera", "cooling reached -60 C");
  });
  return 0;
}
int CVICALLBACK onQuit(int, int control, int event, void*, int, int) {
  if (event != EVENT_COMMIT) return 0;
  record(control, event, 0, 0);
  {
    std::lock_guard lock(mutex);
    ++quitPresses;
  }
  QuitUserInterface(0);
  return 0;
}
void CVICALLBACK onOpen(int, int, void*, int) {
  char path[261] = "";
  int r = FileSelectPopup("", "*.fits", "", "Open", VAL_LOAD_BUTTON, 0, 0, 1, 0, path);
  std::lock_guard lock(mutex);
  openedPath = r == VAL_NO_FILE_SELECTED ? "(cancelled)" : path;
}
}  // namespace

int LoadScriptPanel() {
  helx::ui::RegisterCallback("onControl", onControl);
  helx::ui::RegisterCallback("onPanel", onPanel);
  helx::ui::RegisterCallback("onStart", onStart);
  helx::ui::RegisterCallback("onQuit", onQuit);
  helx::ui::RegisterCallback("onOpen", onOpen);
  panelHandle = LoadPanel(0, SourcePath("tests/platform/script/script.uir").c_str(), 1);
  if (panelHandle <= 0) return panelHandle;
  if (LoadMenuBar(panelHandle, SourcePath("tests/platform/script/script.uir").c_str(), 1) <= 0)
    return -1;
  DisplayPanel(panelHandle);
  return panelHandle;
}

std::vector<Event> Events() {
  std::lock_guard lock(mutex);
  return events;
}

std::vector<Event> EventsOf(int control, int event) {
  std::vector<Event> out;
  for (auto& e : Events())
    if (e.control == control && e.event == event) out.push_back(e);
  return out;
}

int QuitPresses() {
  std::lock_guard lock(mutex);
  return quitPresses;
}

std::string OpenedPath() {
  std::lock_guard lock(mutex);
  return openedPath;
}

std::string WriteScript(const std::string& name, const std::string& text) {
  std::string path = ::testing::TempDir() + "/" + std::to_string(::getpid()) + "-" + name;
  std::ofstream(path) << text;
  return path;
}

void ScriptTest::SetUp() {
  helx::ui::SetMessageLogPath("");
  static char arg0[] = "test";
  static char* argv[] = {arg0, nullptr};
  ASSERT_EQ(InitCVIRTE(nullptr, argv, nullptr), 1);
  panel = LoadScriptPanel();
  ASSERT_GT(panel, 0);
}

ScriptTest::Run ScriptTest::run(const std::string& text) {
  auto parsed = helx::ui::script::parseScript(text);
  EXPECT_FALSE(parsed.error) << parsed.error->line << ": " << parsed.error->message;
  Run result;
  std::ostringstream out, err;
  std::jthread actor([&](std::stop_token stop) {
    while (!helx::ui::EventLoop::instance().running())
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    helx::ui::script::Runner runner("t.hxs", out, err);
    result.outcome = runner.run(parsed.script, stop);
    QuitUserInterface(0);
  });
  RunUserInterface();
  actor.request_stop();
  actor.join();
  result.out = out.str();
  result.err = err.str();
  return result;
}
