// The runtime's threading rules: callbacks on the UI thread only, workers never wait for it,
// nested waits, timers and the one clock.
#include <chrono>

#include "platform/os/clock.h"
#include "platform/ui/operator.h"
#include "platform/ui/wait.h"
#include "runtime_fixture.h"
#include "tests/platform/sleep_watch.h"

using helx::ui::Operator;

TEST_F(RuntimeTest, CallbacksRunOnTheUiThreadWhoeverActs) {
  runWithUi([&] {
    ASSERT_TRUE(Operator::commit(panel, P_BTN));
    ASSERT_TRUE(Operator::type(panel, P_NUM, "7"));
    ASSERT_TRUE(Operator::sync());
  });
  auto c = commits();
  ASSERT_FALSE(c.empty());
  for (auto& r : c) EXPECT_TRUE(r.onUiThread);
}

TEST_F(RuntimeTest, AWorkerWritesAndPopsUpWhileTheUiThreadIsHeld) {
  runWithUi([&] {
    ASSERT_TRUE(Operator::commit(panel, P_SLOW));
    ASSERT_TRUE(eventually([] { return slowEntered.load(); }));
    std::jthread worker([&] {
      for (int i = 0; i < 10000; ++i) SetCtrlVal(panel, P_MSG, i);
      MessagePopup("Error", "from a worker");
    });
    worker.join();  // finishes although the UI thread is held
    char text[64];
    GetCtrlVal(panel, P_MSG, text);
    EXPECT_STREQ(text, "9999");
    auto popup = Operator::waitForPopup("Error", "from a worker", 1);
    ASSERT_TRUE(popup);
    EXPECT_TRUE(popup->fromWorker);
    releaseSlow = true;
    ASSERT_TRUE(Operator::sync());
  });
}

namespace {
std::atomic<bool> workDone{false};
std::atomic<bool> releaseWork{false};
int CVICALLBACK work(void*) {
  while (!releaseWork) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  workDone = true;
  return 42;
}
}  // namespace

TEST_F(RuntimeTest, WaitingWithEventProcessingRunsCallbacksNested) {
  int id = 0;
  ASSERT_EQ(CmtScheduleThreadPoolFunction(DEFAULT_THREAD_POOL_HANDLE, work, nullptr, &id), 0);
  std::jthread actor([&] {
    Operator::commit(panel, P_BTN);
    eventually([] { return !commits().empty(); });
    releaseWork = true;
  });
  // The UI thread waits for the pool function, processing events: the commit runs inside.
  CmtWaitForThreadPoolFunctionCompletion(DEFAULT_THREAD_POOL_HANDLE, id,
                                         OPT_TP_PROCESS_EVENTS_WHILE_WAITING);
  EXPECT_TRUE(workDone);
  ASSERT_EQ(commits().size(), 1u);
  EXPECT_EQ(commits()[0].control, P_BTN);
  int value = 0;
  CmtGetThreadPoolFunctionAttribute(DEFAULT_THREAD_POOL_HANDLE, id, ATTR_TP_FUNCTION_RETURN_VALUE,
                                    &value);
  EXPECT_EQ(value, 42);
  EXPECT_EQ(CmtReleaseThreadPoolFunctionID(DEFAULT_THREAD_POOL_HANDLE, id), 0);
}

TEST_F(RuntimeTest, WaitingWithoutEventProcessingLeavesEventsQueued) {
  releaseWork = false;
  int id = 0;
  ASSERT_EQ(CmtScheduleThreadPoolFunction(DEFAULT_THREAD_POOL_HANDLE, work, nullptr, &id), 0);
  // Queued before the wait begins, so that every look of the wait could run it.
  std::jthread([&] { ASSERT_TRUE(Operator::commit(panel, P_BTN)); }).join();
  // The work ends only once the wait has looked at it and slept: a wait that found it already
  // done would leave the commit queued whatever it does.
  helx::test::SleepWatch uiThread;
  std::jthread actor([&] {
    EXPECT_TRUE(uiThread.asleep());
    releaseWork = true;
  });
  uiThread.mark();
  CmtWaitForThreadPoolFunctionCompletion(DEFAULT_THREAD_POOL_HANDLE, id, 0);
  EXPECT_TRUE(commits().empty());
  ProcessSystemEvents();
  EXPECT_EQ(commits().size(), 1u);
}

TEST_F(RuntimeTest, TimersDelayAndClocksFollowAManualClock) {
  auto& clock = helx::os::Clock::instance();
  clock.setManual(true);
  SetCtrlAttribute(panel, P_TICK, ATTR_INTERVAL, 0.5);
  SetCtrlAttribute(panel, P_TICK, ATTR_ENABLED, 1);
  auto ms0 = helx::os::MillisecondClock();
  runWithUi([&] {
    for (int i = 0; i < 4; ++i) {
      ASSERT_TRUE(Operator::sync());
      clock.advance(std::chrono::milliseconds(500));
      ASSERT_TRUE(eventually([&] { return ticks.load() == i + 1; })) << "tick " << i;
    }
    SetCtrlAttribute(panel, P_TICK, ATTR_ENABLED, 0);
    ASSERT_TRUE(Operator::sync());
    clock.advance(std::chrono::seconds(5));
    ASSERT_TRUE(Operator::sync());
  });
  EXPECT_EQ(ticks, 4);
  EXPECT_EQ(helx::os::MillisecondClock() - ms0, 7000u);

  // Delay sleeps in instrument time: it returns only once the clock has moved 3 s past its start.
  std::atomic<bool> delayed{false};
  std::atomic<long long> startedAt{-1}, endedAt{-1};
  helx::test::SleepWatch watch;
  std::jthread sleeper([&] {
    startedAt = clock.now().count();
    watch.mark();
    Delay(3.0);
    endedAt = clock.now().count();
    delayed = true;
  });
  // The clock moves a quarter second at a time, each step once the sleeper has looked at the
  // clock and slept again (or returned), however late it is scheduled: the clock never runs on
  // past its deadline while it is still to look.
  EXPECT_TRUE(watch.asleep());
  for (int step = 0; step < 40 && !delayed; ++step) {
    const long blocks = watch.blocks();
    clock.advance(std::chrono::milliseconds(250));
    EXPECT_TRUE(eventually([&] { return delayed || watch.blockedSince(blocks); }))
        << "step " << step;
  }
  EXPECT_TRUE(delayed);
  clock.advance(std::chrono::seconds(10));  // frees a sleeper the steps did not
  sleeper.join();
  EXPECT_GE(endedAt - startedAt, std::chrono::nanoseconds(std::chrono::seconds(3)).count());
  EXPECT_LE(endedAt - startedAt, std::chrono::nanoseconds(std::chrono::milliseconds(3500)).count());
}

TEST_F(RuntimeTest, WaitUntilLooksAtItsPaceEndsAtItsLimitAndWakesOnItsSignal) {
  auto& clock = helx::os::Clock::instance();
  clock.setManual(true);
  // A condition that already holds costs no time and a single look.
  int looks = 0;
  EXPECT_TRUE(helx::ui::WaitUntil([&] { return ++looks > 0; }, 10.0, 1.0));
  EXPECT_EQ(looks, 1);

  // A condition that never holds: one look per pace and a last one at the limit, no later.
  std::atomic<int> idleLooks{0};
  std::atomic<int> result{-1};
  std::jthread waiter(
      [&] { result = helx::ui::WaitUntil([&] { return ++idleLooks < 0; }, 2.0, 0.5) ? 1 : 0; });
  for (int step = 0; step < 8 && result < 0; ++step) {
    ASSERT_TRUE(eventually([&] { return idleLooks == step + 1 || result >= 0; }));
    clock.advance(std::chrono::milliseconds(500));
  }
  waiter.join();
  EXPECT_EQ(result, 0);
  EXPECT_EQ(idleLooks, 5);  // at 0, 0.5, 1, 1.5 and 2 s

  // A producer's signal wakes the waiter while the clock stands still, also when it comes
  // between two looks; a notification with no waiter is harmless.
  helx::ui::WakeSignal signal;
  signal.notify();
  std::atomic<bool> ready{false};
  std::atomic<int> signalled{-1};
  std::jthread sleeper([&] {
    signalled = helx::ui::WaitUntil([&] { return ready.load(); }, 3600.0, 600.0, &signal);
  });
  for (int round = 0; round < 3; ++round) {
    signal.notify();  // the condition does not hold yet: the waiter looks and sleeps again
    EXPECT_FALSE(eventually([&] { return signalled >= 0; }, 0.02));
  }
  ready = true;
  signal.notify();
  ASSERT_TRUE(eventually([&] { return signalled >= 0; }));
  EXPECT_EQ(signalled, 1);
  clock.setManual(false);
}
