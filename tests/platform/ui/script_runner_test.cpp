// The runtime reaches the command line's script only through the runner registered with it.
// This binary links the runtime without the script session, as a program that offers no
// --script; the second case registers a runner of its own.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

#include "platform/ui/event_loop.h"
#include "platform/ui/message_log.h"
#include "platform/ui/services.h"
#include "platform/ui/userint.h"

namespace {
int initWithScript(const std::string& script) {
  helx::ui::SetMessageLogPath("");
  static char arg0[] = "helx", arg1[] = "--headless", arg2[] = "--script";
  static std::string path;
  path = script;
  char* argv[] = {arg0, arg1, arg2, path.data(), nullptr};
  return InitCVIRTE(nullptr, argv, nullptr);
}

std::string startedWith;
std::atomic<bool> loopRanWhenEnded{true};
std::atomic<int> askedStatus{3};
std::jthread quitter;
}  // namespace

// First in this file: nothing may be registered yet.
TEST(ScriptRunnerHook, ScriptIsRefusedWhenNoRunnerIsLinked) {
  testing::internal::CaptureStderr();
  EXPECT_EQ(initWithScript("any.hxs"), 0);
  EXPECT_NE(
      testing::internal::GetCapturedStderr().find("--script: this build has no script runner"),
      std::string::npos);
  CloseCVIRTE();
}

TEST(ScriptRunnerHook, RunnerRunsBesideTheLoopAndTheProcessEndsWithItsStatus) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  helx::ui::RegisterScriptRunner({[](const std::string& path) {
                                    startedWith = path;
                                    quitter = std::jthread([] {
                                      while (!helx::ui::EventLoop::instance().running())
                                        std::this_thread::sleep_for(std::chrono::milliseconds(1));
                                      QuitUserInterface(0);
                                    });
                                    return true;
                                  },
                                  [] {
                                    quitter.join();
                                    loopRanWhenEnded = helx::ui::EventLoop::instance().running();
                                  },
                                  [] { return askedStatus.load(); }});
  ASSERT_EQ(initWithScript("fake.hxs"), 1);
  RunUserInterface();
  EXPECT_EQ(startedWith, "fake.hxs");
  EXPECT_FALSE(loopRanWhenEnded);
  EXPECT_EXIT(CloseCVIRTE(), ::testing::ExitedWithCode(3), "");
  // A runner that asks for no status lets the program end as its main ends it.
  askedStatus = 0;
  CloseCVIRTE();
}
