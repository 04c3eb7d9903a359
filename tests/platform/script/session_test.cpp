// `helx --script FILE` end to end on a small program shaped like the real one: the script runs
// beside the event loop, a finished script quits through QUIT, and a script that stops ends the
// process with a non-zero status.
#include "platform/ui/script/session.h"

#include "platform/ui/message_log.h"
#include "platform/ui/userint.h"
#include "script_fixture.h"

using namespace helx::ui::script;

namespace {
// The program's start-up and ending, as its main has them.
int programMain(const std::string& script) {
  helx::ui::SetMessageLogPath("");
  static char arg0[] = "helx", arg1[] = "--headless", arg2[] = "--script";
  static std::string path;
  path = script;
  char* argv[] = {arg0, arg1, arg2, path.data(), nullptr};
  if (InitCVIRTE(nullptr, argv, nullptr) == 0) return -1;
  if (LoadScriptPanel() <= 0) return -1;
  RunUserInterface();
  CloseCVIRTE();
  return 0;
}

class ScriptSession : public ::testing::Test {
 protected:
  void SetUp() override { GTEST_FLAG_SET(death_test_style, "threadsafe"); }
};
}  // namespace

TEST_F(ScriptSession, FinishedScriptQuitsThroughQuitAndTheProgramEndsNormally) {
  std::string path = WriteScript("done.hxs", "type P NUM 7\nwait P NUM = 7\n");
  EXPECT_EQ(programMain(path), 0);
  EXPECT_EQ(SessionStatus(), kStatusFinished);
  EXPECT_EQ(QuitPresses(), 1);
  EXPECT_EQ(EventsOf(P_NUM, EVENT_COMMIT).size(), 1u);
}

TEST_F(ScriptSession, ScriptThatStopsEndsTheProcessWithANonZeroStatus) {
  std::string path = WriteScript("stops.hxs", "type P NUM 7\ncommit P NOPE\n");
  EXPECT_EXIT(programMain(path), ::testing::ExitedWithCode(kStatusStopped),
              "stops.hxs:2: no control 'NOPE' on 'P'");
}

TEST_F(ScriptSession, FailedWaitEndsTheProcessWithANonZeroStatus) {
  std::string path = WriteScript("waits.hxs", "commit P BTN\n\nwait P LED on within 0.1\n");
  EXPECT_EXIT(programMain(path), ::testing::ExitedWithCode(kStatusStopped),
              "waits.hxs:3: wait timed out");
}

TEST_F(ScriptSession, UnreadableOrMalformedScriptRunsNothingAndEndsWithStatus2) {
  std::string bad = WriteScript("bad.hxs", "commit P BTN\ncommit P\n");
  EXPECT_EXIT(programMain(bad), ::testing::ExitedWithCode(kStatusUnreadable),
              "bad.hxs:2: missing control name \\(nothing was run\\)");
  EXPECT_EXIT(programMain(::testing::TempDir() + "/no-such-script.hxs"),
              ::testing::ExitedWithCode(kStatusUnreadable), "cannot read the script");
}
