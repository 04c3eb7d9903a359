// The stall watch: how long the UI thread goes between two turns, what held it, and that a
// callback waiting with event processing is not one long stall.
#include "platform/ui/stalls.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "platform/os/clock.h"
#include "platform/ui/callbacks.h"
#include "platform/ui/message_log.h"
#include "platform/ui/operator.h"
#include "platform/ui/userint.h"
#include "platform/ui/wait.h"
#include "tests/source_path.h"

using helx::ui::Operator;
using helx::ui::Stall;
using Wall = std::chrono::steady_clock;
using namespace std::chrono_literals;

namespace {

enum { S = 1, S_HOLD = 2, S_WAIT = 3, S_BRIEF = 4 };

// Both well over the log's threshold (kLongStallSeconds).
constexpr auto kHeld = 250ms;
constexpr auto kBrief = 150ms;
// The device of the waiting callback takes this long in all; its wait looks this often.
constexpr auto kDeviceTakes = 500ms;
constexpr double kLookSeconds = 0.15;
// Limits for what another thread does: far beyond any stall of a loaded machine.
constexpr double kLimitSeconds = 30;

std::atomic<double> heldSeconds{0}, briefSeconds{0}, waitSeconds{0};
std::atomic<bool> waiting{false}, briefRan{false}, briefInsideTheWait{false};

double since(Wall::time_point start) {
  return std::chrono::duration<double>(Wall::now() - start).count();
}

// Holds the UI thread without processing events, as a long device exchange does.
int CVICALLBACK holdTheUiThread(int, int, int event, void*, int, int) {
  if (event != EVENT_COMMIT) return 0;
  const auto start = Wall::now();
  std::this_thread::sleep_for(kHeld);
  heldSeconds = since(start);
  return 0;
}

// Waits for a device as Power Off waits for the scan to stop: processing events.
int CVICALLBACK waitForTheDevice(int, int, int event, void*, int, int) {
  if (event != EVENT_COMMIT) return 0;
  const auto start = Wall::now();
  waiting = true;
  // Ready once it has taken its time and the click made during the wait has run.
  helx::ui::WaitUntilProcessingEvents(
      [start] { return briefRan && Wall::now() - start >= kDeviceTakes; }, kLimitSeconds,
      kLookSeconds);
  waiting = false;
  waitSeconds = since(start);
  return 0;
}

int CVICALLBACK blockInsideTheWait(int, int, int event, void*, int, int) {
  if (event != EVENT_COMMIT) return 0;
  briefInsideTheWait = waiting.load();
  const auto start = Wall::now();
  std::this_thread::sleep_for(kBrief);
  briefSeconds = since(start);
  briefRan = true;
  return 0;
}

bool eventually(const std::function<bool()>& condition) {
  const auto deadline = Wall::now() + std::chrono::duration<double>(kLimitSeconds);
  while (!condition()) {
    if (Wall::now() > deadline) return false;
    std::this_thread::sleep_for(1ms);
  }
  return true;
}

std::vector<Stall> stallsOf(const std::string& what) {
  std::vector<Stall> out;
  for (const Stall& s : helx::ui::LongStalls())
    if (s.what == what) out.push_back(s);
  return out;
}

class StallWatch : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* tmp = std::getenv("TEST_TMPDIR");
    log = std::filesystem::path(tmp ? tmp : ::testing::TempDir()) / "stalls-messages.log";
    helx::ui::SetMessageLogPath(log.string());
    static char arg0[] = "test";
    static char* argv[] = {arg0, nullptr};
    ASSERT_EQ(InitCVIRTE(nullptr, argv, nullptr), 1);
    helx::ui::RegisterCallback("holdTheUiThread", holdTheUiThread);
    helx::ui::RegisterCallback("waitForTheDevice", waitForTheDevice);
    helx::ui::RegisterCallback("blockInsideTheWait", blockInsideTheWait);
    panel = LoadPanel(0, SourcePath("tests/platform/ui/stalls.uir").c_str(), S);
    ASSERT_GT(panel, 0);
    DisplayPanel(panel);
  }
  void TearDown() override { CloseCVIRTE(); }

  // The operator's actions on a worker while this thread runs the event loop.
  static void runWithUi(const std::function<void()>& actions) {
    std::jthread actor([&] {
      actions();
      QuitUserInterface(0);
    });
    RunUserInterface();
  }

  // The milliseconds of every "UI stall" line of the message log that names `what`.
  std::vector<long> loggedMs(const std::string& what) const {
    std::vector<long> out;
    std::ifstream in(log);
    const std::string head = "UI stall: ", tail = " ms in " + what;
    for (std::string line; std::getline(in, line);) {
      const auto at = line.find(head);
      if (at == std::string::npos || line.size() < tail.size() ||
          line.compare(line.size() - tail.size(), tail.size(), tail) != 0)
        continue;
      out.push_back(std::stol(line.substr(at + head.size())));
    }
    return out;
  }

  std::filesystem::path log;
  int panel = 0;
};

}  // namespace

TEST_F(StallWatch, ACallbackThatHoldsTheUiThreadIsTheLongestStallByNameAndIsLogged) {
  // The instrument clock stands still: a stall is measured in wall time all the same.
  helx::os::Clock::instance().setManual(true);
  runWithUi([this] {
    ASSERT_TRUE(Operator::commit(panel, S_HOLD));
    // The sync comes after the callback's end, which charged its stall.
    ASSERT_TRUE(Operator::sync(kLimitSeconds));
  });
  ASSERT_GE(heldSeconds.load(), std::chrono::duration<double>(kHeld).count());

  const Stall longest = helx::ui::LongestStall();
  EXPECT_EQ(longest.what, "holdTheUiThread");
  EXPECT_GE(longest.seconds, heldSeconds.load());
  const auto kept = stallsOf("holdTheUiThread");
  ASSERT_EQ(kept.size(), 1u);
  EXPECT_GE(kept[0].seconds, heldSeconds.load());

  const auto logged = loggedMs("holdTheUiThread");
  ASSERT_EQ(logged.size(), 1u) << "in " << log;
  EXPECT_GE(logged[0], std::chrono::milliseconds(kHeld).count());

  helx::ui::ResetStalls();
  EXPECT_EQ(helx::ui::LongestStall().seconds, 0.0);
  EXPECT_EQ(helx::ui::LongestStall().what, "");
  EXPECT_TRUE(helx::ui::LongStalls().empty());
}

TEST_F(StallWatch, ACallbackWaitingWithEventProcessingIsNotOneStall) {
  // The wait's pauses last their pace in real time, each over the log's threshold.
  helx::os::Clock::instance().setScale(1);
  runWithUi([this] {
    ASSERT_TRUE(Operator::commit(panel, S_WAIT));
    ASSERT_TRUE(eventually([] { return waiting.load(); }));
    ASSERT_TRUE(Operator::commit(panel, S_BRIEF));
    ASSERT_TRUE(eventually([] { return waitSeconds.load() > 0; }));
    ASSERT_TRUE(Operator::sync(kLimitSeconds));
  });
  ASSERT_TRUE(briefInsideTheWait) << "the click did not run inside the wait";
  const double wait = waitSeconds, brief = briefSeconds;
  ASSERT_GE(wait, std::chrono::duration<double>(kDeviceTakes).count());

  // The whole wait was never one stall.
  EXPECT_LT(helx::ui::LongestStall().seconds, wait);

  // The nested callback is a stall of its own, by its own name.
  const auto nested = stallsOf("blockInsideTheWait");
  ASSERT_EQ(nested.size(), 1u);
  EXPECT_GE(nested[0].seconds, brief);

  // The pauses between the wait's looks (each longer than the log's threshold) are told as a
  // wait, in the record and in the log, and none holds the time the nested callback ran.
  const std::string asAWait = "waitForTheDevice (waiting, processing events)";
  const auto pauses = stallsOf(asAWait);
  ASSERT_FALSE(pauses.empty());
  for (const Stall& s : pauses) EXPECT_LE(s.seconds, wait - brief);
  EXPECT_EQ(loggedMs(asAWait).size(), pauses.size());
  EXPECT_EQ(loggedMs("blockInsideTheWait").size(), 1u);
}
