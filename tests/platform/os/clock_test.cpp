#include "platform/os/clock.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "tests/platform/sleep_watch.h"

using helx::os::Clock;
using helx::test::SleepWatch;
using namespace std::chrono_literals;

// Every check that a sleeper still sleeps comes after the sleeper has looked at the clock and
// gone to sleep; otherwise a sleeper that has not run yet would pass it. The checks are
// EXPECTs, so that a failing one still lets the test wake the sleeper and join it.

TEST(Clock, ManualTimeMovesOnlyByAdvanceAndWakesSleepers) {
  auto& clock = Clock::instance();
  clock.setManual(true);
  const auto start = clock.now();
  std::this_thread::sleep_for(20ms);  // real time passes, instrument time does not
  EXPECT_EQ(clock.now(), start);

  SleepWatch watch;
  std::atomic<bool> woke{false};
  std::atomic<Clock::duration::rep> wokeAt{0};
  std::jthread sleeper([&] {
    watch.mark();
    clock.sleepUntil(start + 5s);
    wokeAt = clock.now().count();
    woke = true;
  });
  EXPECT_TRUE(watch.asleep());
  EXPECT_FALSE(woke);
  const long asleep = watch.blocks();
  clock.advance(4s);
  EXPECT_TRUE(watch.asleepAgain(asleep));  // woken by the advance, it found 4 s short of 5
  EXPECT_FALSE(woke);
  clock.advance(1s);
  sleeper.join();
  EXPECT_TRUE(woke);
  EXPECT_EQ(Clock::duration(wokeAt.load()), start + 5s);
  EXPECT_EQ(clock.now() - start, 5s);
  EXPECT_EQ(helx::os::MillisecondClock() - static_cast<std::uint32_t>(start / 1ms), 5000u);
  EXPECT_EQ(helx::os::PerformanceCounter() - start.count() / 100,
            5 * helx::os::PerformanceFrequency());
}

TEST(Clock, StopTokenEndsASleepEarly) {
  auto& clock = Clock::instance();
  clock.setManual(true);
  SleepWatch watch;
  std::atomic<bool> result{true};
  std::jthread sleeper([&](std::stop_token st) {
    watch.mark();
    result = clock.sleepFor(1h, st);
  });
  EXPECT_TRUE(watch.asleep());  // the stop must end a sleep, not merely forestall one
  sleeper.request_stop();
  sleeper.join();
  EXPECT_FALSE(result);
}

// "Never" on a clock slower than real time: the real wait must not overflow (UBSan sees it),
// and the sleep still ends when asked.
TEST(Clock, AFarDeadlineOnASlowClockSleepsUntilStopped) {
  auto& clock = Clock::instance();
  clock.setManual(false);
  clock.setScale(0.25);
  SleepWatch watch;
  std::atomic<bool> result{true};
  std::jthread sleeper([&](std::stop_token st) {
    watch.mark();
    result = clock.sleepUntil(Clock::duration::max() / 2, st);
  });
  EXPECT_TRUE(watch.asleep());  // past the real wait's reckoning, in the wait itself
  sleeper.request_stop();
  sleeper.join();
  EXPECT_FALSE(result);
  clock.setScale(1.0);
}

TEST(Clock, ScaleSpeedsUpSleepsAndKeepsTimeContinuous) {
  auto& clock = Clock::instance();
  clock.setManual(false);
  clock.setScale(1000.0);
  auto before = clock.now();
  auto realStart = std::chrono::steady_clock::now();
  clock.sleepFor(2s);  // 2 ms of real time
  auto real = std::chrono::steady_clock::now() - realStart;
  EXPECT_GE(clock.now() - before, 2s);
  EXPECT_LT(real, 1s);
  // Slowing down keeps the time reached: without a rebase, what the fast rate gained would be
  // lost. (Read before the change: two reads after it prove nothing.)
  const auto beforeChange = clock.now();
  clock.setScale(1.0);
  EXPECT_GE(clock.now(), beforeChange);
}

TEST(Clock, SwitchingToManualWakesAScaledSleeperOnlyByAdvance) {
  auto& clock = Clock::instance();
  clock.setManual(false);
  clock.setScale(1.0);
  const auto deadline = clock.now() + 10s;
  SleepWatch watch;
  std::atomic<bool> woke{false};
  std::jthread sleeper([&] {
    watch.mark();
    clock.sleepUntil(deadline);
    woke = true;
  });
  EXPECT_TRUE(watch.asleep());  // in its wait of 10 s of real time
  const long scaled = watch.blocks();
  clock.setManual(true);
  EXPECT_TRUE(watch.asleepAgain(scaled));  // woken by the switch, it sleeps on: short of 10 s
  EXPECT_FALSE(woke);
  const auto realStart = std::chrono::steady_clock::now();
  clock.advance(11s);
  sleeper.join();
  EXPECT_TRUE(woke);
  // Woken by the advance, not at the end of the real wait it was in before the switch.
  EXPECT_LT(std::chrono::steady_clock::now() - realStart, 5s);
}
