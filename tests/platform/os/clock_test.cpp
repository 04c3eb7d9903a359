#include "platform/os/clock.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

using helx::os::Clock;
using namespace std::chrono_literals;

TEST(Clock, ManualTimeMovesOnlyByAdvanceAndWakesSleepers) {
  auto& clock = Clock::instance();
  clock.setManual(true);
  auto start = clock.now();
  std::atomic<bool> woke{false};
  std::jthread sleeper([&] {
    clock.sleepFor(5s);
    woke = true;
  });
  std::this_thread::sleep_for(20ms);
  EXPECT_EQ(clock.now(), start);
  EXPECT_FALSE(woke);
  clock.advance(4s);
  std::this_thread::sleep_for(20ms);
  EXPECT_FALSE(woke);
  clock.advance(1s);
  sleeper.join();
  EXPECT_TRUE(woke);
  EXPECT_EQ(clock.now() - start, 5s);
  EXPECT_EQ(helx::os::MillisecondClock() - static_cast<std::uint32_t>(start / 1ms), 5000u);
  EXPECT_EQ(helx::os::PerformanceCounter() - start.count() / 100,
            5 * helx::os::PerformanceFrequency());
}

TEST(Clock, StopTokenEndsASleepEarly) {
  auto& clock = Clock::instance();
  clock.setManual(true);
  std::atomic<bool> result{true};
  std::jthread sleeper([&](std::stop_token st) { result = clock.sleepFor(1h, st); });
  std::this_thread::sleep_for(10ms);
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
  std::atomic<bool> result{true};
  std::jthread sleeper(
      [&](std::stop_token st) { result = clock.sleepUntil(Clock::duration::max() / 2, st); });
  std::this_thread::sleep_for(10ms);
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
  clock.setScale(1.0);
  auto a = clock.now();
  EXPECT_GE(clock.now(), a);
}

TEST(Clock, SwitchingToManualWakesAScaledSleeperOnlyByAdvance) {
  auto& clock = Clock::instance();
  clock.setScale(1.0);
  std::atomic<bool> woke{false};
  std::jthread sleeper([&] {
    clock.sleepFor(10s);
    woke = true;
  });
  std::this_thread::sleep_for(10ms);
  clock.setManual(true);
  clock.advance(11s);
  sleeper.join();
  EXPECT_TRUE(woke);
}
