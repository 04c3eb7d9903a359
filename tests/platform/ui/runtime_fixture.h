// A loaded test panel and a UI thread: the test body's operator actions run on a second
// thread while the test's own thread runs the event loop, as in the program.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "platform/ui/userint.h"

struct Recorded {
  int panel, control, event, d1, d2;
  bool onUiThread;
};

class RuntimeTest : public ::testing::Test {
 public:
  void SetUp() override;
  void TearDown() override { CloseCVIRTE(); }
  // Runs `operatorActions` on a worker while this thread runs the event loop; the loop ends when
  // the actions return.
  void runWithUi(const std::function<void()>& operatorActions);
  // Polls (real time) until `condition` holds; false after the deadline.
  static bool eventually(const std::function<bool()>& condition, double seconds = 10);

  int panel = 0, page0 = 0, page1 = 0, menu = 0;
  static std::vector<Recorded> commits();
  static std::atomic<int> ticks;
  static std::atomic<bool> releaseSlow;
  static std::atomic<bool> slowEntered;
};

enum {
  P = 1,
  P_BTN = 2,
  P_NUM = 3,
  P_STR = 4,
  P_BOX = 5,
  P_MSG = 6,
  P_RING = 7,
  P_TICK = 8,
  P_LED = 9,
  P_TAB = 10,
  P_SLOW = 11,
  P_GHOST = 12
};
