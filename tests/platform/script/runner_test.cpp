// Scripts run against a live panel and event loop: what each statement does to the program,
// where a script stops and what it says.
#include <atomic>
#include <thread>

#include "platform/os/clock.h"
#include "platform/ui/model.h"
#include "platform/ui/operator.h"
#include "platform/ui/userint.h"
#include "script_fixture.h"

using helx::ui::Operator;
using namespace helx::ui::script;

namespace {
std::string text(int panel, int control) {
  return helx::ui::Model::instance().with(
      [&](helx::ui::Model& m) { return m.control(panel, control)->text; });
}
bool contains(const std::string& haystack, const std::string& needle) {
  return haystack.find(needle) != std::string::npos;
}
}  // namespace

TEST_F(ScriptTest, ScriptThatCommitsTypesAndWaitsRunsToTheEnd) {
  Run r =
      run("# numbers, text, a ring, and an LED a device thread lights\n"
          "type   P NUM 42\n"
          "wait   P NUM = 42 within 5\n"
          "commit P START\n"
          "wait   P LED on within 30\n"
          "type   PAGE1 PS \"two words\"\n"
          "wait   PAGE1 PS ~ two\n"
          "choose P RING B\n"
          "wait   P RING = 5\n");
  EXPECT_EQ(r.outcome.status, kStatusFinished) << r.err;
  EXPECT_EQ(r.outcome.line, 0);
  EXPECT_TRUE(r.err.empty()) << r.err;
  // Each statement is printed with its line as it runs.
  EXPECT_TRUE(contains(r.out, "t.hxs:2: type   P NUM 42\n")) << r.out;
  EXPECT_TRUE(contains(r.out, "t.hxs:5: wait   P LED on within 30\n  met after")) << r.out;
  // The program saw the operator's events: typing commits, the page came forward for PS.
  EXPECT_EQ(EventsOf(P_NUM, EVENT_COMMIT).size(), 1u);
  EXPECT_EQ(EventsOf(P_START, EVENT_COMMIT).size(), 1u);
  EXPECT_EQ(EventsOf(P_RING, EVENT_COMMIT).size(), 1u);
  EXPECT_EQ(EventsOf(P_TAB, EVENT_ACTIVE_TAB_CHANGE).size(), 1u);
  auto page1 = Operator::page("PAGE1");
  ASSERT_TRUE(page1);
  EXPECT_EQ(text(*page1, 2), "two words");
}

TEST_F(ScriptTest, UnknownNamesStopTheScriptAtTheirLine) {
  struct Case {
    const char* script;
    int line;
    const char* says;
  } cases[] = {
      {"commit P BTN\n# next\ncommit P NOPE\ncommit P BTN\n", 3, "no control 'NOPE' on 'P'"},
      {"\ntype NOPANEL NUM 3\ncommit P BTN\n", 2, "no panel or tab page 'NOPANEL'"},
      {"menu MENUBAR_FILE_NOPE\ncommit P BTN\n", 1, "no menu item 'MENUBAR_FILE_NOPE'"},
      {"tab NOPAGE\ncommit P BTN\n", 1, "no tab page 'NOPAGE'"},
  };
  for (auto& c : cases) {
    SCOPED_TRACE(c.script);
    Run r = run(c.script);
    EXPECT_EQ(r.outcome.status, kStatusStopped);
    EXPECT_EQ(r.outcome.line, c.line);
    EXPECT_TRUE(contains(r.err, "t.hxs:" + std::to_string(c.line) + ": " + c.says)) << r.err;
    // Nothing after the failing line ran.
    EXPECT_FALSE(contains(r.out, "t.hxs:" + std::to_string(c.line + 1) + ":")) << r.out;
  }
  // Only the first script's first line pressed the button.
  EXPECT_EQ(EventsOf(P_BTN, EVENT_COMMIT).size(), 1u);
}

TEST_F(ScriptTest, DimmedControlsAndPagesStopTheScriptLikeAPersonsHands) {
  SetCtrlAttribute(panel, P_BTN, ATTR_DIMMED, 1);
  Run r = run("type P NUM 7\ncommit P BTN\ntype P NUM 8\n");
  EXPECT_EQ(r.outcome.status, kStatusStopped);
  EXPECT_EQ(r.outcome.line, 2);
  EXPECT_TRUE(contains(r.err, "dimmed")) << r.err;
  EXPECT_TRUE(EventsOf(P_BTN, EVENT_COMMIT).empty());
  EXPECT_EQ(EventsOf(P_NUM, EVENT_COMMIT).size(), 1u);

  SetTabPageAttribute(panel, P_TAB, 1, ATTR_DIMMED, 1);
  r = run("type PAGE1 PS x\n");
  EXPECT_EQ(r.outcome.status, kStatusStopped);
  EXPECT_EQ(r.outcome.line, 1);
}

TEST_F(ScriptTest, AWaitCanExpectAControlToBeDimmedOrEnabledAgain) {
  SetCtrlAttribute(panel, P_BTN, ATTR_DIMMED, 1);
  // START's callback enables BTN.
  Run r =
      run("wait P BTN dimmed\ncommit P START\nwait P BTN enabled within 5\n"
          "wait P BTN dimmed within 0.2\n");
  EXPECT_EQ(r.outcome.status, kStatusStopped);
  EXPECT_EQ(r.outcome.line, 4);
  EXPECT_TRUE(contains(r.err, "expected = dimmed")) << r.err;
}

TEST_F(ScriptTest, EachLineSeesWhatThePreviousLinesCallbackDid) {
  // START's callback enables BTN on the UI thread; the next line must find it enabled, as a
  // person who waits for the program to respond would.
  for (int i = 0; i < 20; ++i) {
    SetCtrlAttribute(panel, P_BTN, ATTR_DIMMED, 1);
    Run r = run("commit P START\ncommit P BTN\n");
    ASSERT_EQ(r.outcome.status, kStatusFinished) << "round " << i << ": " << r.err;
  }
  EXPECT_EQ(EventsOf(P_BTN, EVENT_COMMIT).size(), 20u);
}

TEST_F(ScriptTest, FailedWaitStopsAtItsLineAndSaysWhatItSaw) {
  Run r = run("type P NUM 3\nwait P NUM > 50 within 0.2\ncommit P BTN\n");
  EXPECT_EQ(r.outcome.status, kStatusStopped);
  EXPECT_EQ(r.outcome.line, 2);
  EXPECT_TRUE(
      contains(r.err, "t.hxs:2: wait timed out after 0.20 s: P NUM is \"3\", expected > 50"))
      << r.err;
  EXPECT_TRUE(EventsOf(P_BTN, EVENT_COMMIT).empty());

  r = run("wait P LED on within 0.1\n");
  EXPECT_EQ(r.outcome.line, 1);
  EXPECT_TRUE(contains(r.err, "P LED is \"0\", expected = on")) << r.err;
}

TEST_F(ScriptTest, WaitForPopupSeesAPopupRaisedByAWorkerThread) {
  Run r = run("commit P START\nwait popup Camera \"reached\" within 30\n");
  EXPECT_EQ(r.outcome.status, kStatusFinished) << r.err;
  EXPECT_TRUE(contains(r.out, "  popup \"Camera\": cooling reached -60 C")) << r.out;
  auto popups = Operator::popups();
  ASSERT_EQ(popups.size(), 1u);
  EXPECT_TRUE(popups[0].fromWorker);

  // The popup has been waited for; another wait for it, or one with the wrong title, fails.
  r = run("wait popup \"\" reached within 0.1\n");
  EXPECT_EQ(r.outcome.line, 1);
  r = run("commit P START\nwait popup Telescope reached within 0.5\n");
  EXPECT_EQ(r.outcome.line, 2);
  EXPECT_TRUE(contains(r.err, "no popup titled \"Telescope\" with \"reached\"")) << r.err;
}

TEST_F(ScriptTest, EachActionReachesTheProgramAsThePersonsEventWould) {
  Run r =
      run("choose P RING index 2\n"
          "tab PAGE1\n"
          "key P STR Enter\n"
          "pointer move P PIC 11 22\n"
          "pointer click P PIC 33 44\n"
          "file /data/scan.fits\n"
          "menu MENUBAR_FILE_OPEN\n"
          "close P\n");
  EXPECT_EQ(r.outcome.status, kStatusFinished) << r.err;
  auto ring = EventsOf(P_RING, EVENT_COMMIT);
  ASSERT_EQ(ring.size(), 1u);
  int index = -1;
  GetCtrlIndex(panel, P_RING, &index);
  EXPECT_EQ(index, 2);
  auto tab = EventsOf(P_TAB, EVENT_ACTIVE_TAB_CHANGE);
  ASSERT_EQ(tab.size(), 1u);
  EXPECT_EQ(tab[0].d1, 1);
  auto keys = EventsOf(P_STR, EVENT_KEYPRESS);
  ASSERT_EQ(keys.size(), 1u);
  EXPECT_EQ(keys[0].d1, VAL_ENTER_VKEY);
  // Mouse events carry y in eventData1 and x in eventData2.
  auto moves = EventsOf(P_PIC, EVENT_MOUSE_POINTER_MOVE);
  ASSERT_EQ(moves.size(), 1u);
  EXPECT_EQ(moves[0].d1, 22);
  EXPECT_EQ(moves[0].d2, 11);
  auto clicks = EventsOf(P_PIC, EVENT_LEFT_CLICK);
  ASSERT_EQ(clicks.size(), 1u);
  EXPECT_EQ(clicks[0].d1, 44);
  EXPECT_EQ(clicks[0].d2, 33);
  EXPECT_EQ(OpenedPath(), "/data/scan.fits");
  EXPECT_EQ(EventsOf(0, EVENT_CLOSE).size(), 1u);
}

TEST_F(ScriptTest, PauseLastsInInstrumentTime) {
  auto& clock = helx::os::Clock::instance();
  clock.setManual(true);
  double start = clock.seconds();
  std::atomic<bool> done{false};
  // Instrument time moves only when this thread moves it.
  std::jthread time([&] {
    while (!done) {
      clock.advance(std::chrono::milliseconds(100));
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  });
  Run r = run("commit P BTN\npause 5\ncommit P BTN\n");
  done = true;
  EXPECT_EQ(r.outcome.status, kStatusFinished) << r.err;
  auto commits = EventsOf(P_BTN, EVENT_COMMIT);
  ASSERT_EQ(commits.size(), 2u);
  EXPECT_GE(commits[1].time - commits[0].time, 5.0);
  EXPECT_GE(commits[1].time - start, 5.0);
}

TEST_F(ScriptTest, QuitPressesQuitAndNothingRunsAfterTheProgramHasEnded) {
  Run r = run("quit\ncommit P BTN\n");
  EXPECT_EQ(QuitPresses(), 1);
  EXPECT_TRUE(contains(r.out, "t.hxs: pressing QUIT")) << r.out;
  EXPECT_EQ(r.outcome.status, kStatusStopped);
  EXPECT_EQ(r.outcome.line, 2);
  EXPECT_TRUE(contains(r.err, "t.hxs:2: the program has ended")) << r.err;
  EXPECT_TRUE(EventsOf(P_BTN, EVENT_COMMIT).empty());
}

TEST_F(ScriptTest, WithoutAViewASnapshotIsSkippedAndSaidButAnUnknownPanelStops) {
  Run r = run("snapshot P \"p.png\"\ncommit P BTN\nsnapshot NOPANEL \"n.png\"\ncommit P BTN\n");
  EXPECT_EQ(r.outcome.status, kStatusStopped);
  EXPECT_EQ(r.outcome.line, 3);
  EXPECT_TRUE(contains(r.out, "t.hxs:1: snapshot P \"p.png\"\n  no view: nothing to draw\n"))
      << r.out;
  EXPECT_TRUE(contains(r.err, "t.hxs:3: no panel 'NOPANEL'")) << r.err;
  EXPECT_EQ(EventsOf(P_BTN, EVENT_COMMIT).size(), 1u);
}
