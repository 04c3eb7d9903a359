// A small panel (script.uir) whose callbacks record what reached them, for running scripts
// against: a button, a numeric, a string, an LED, a ring, a picture, a tab with two pages, a
// QUIT button and a File > Open menu item. Its START button enables BTN and starts a worker
// that, a moment of instrument time later, lights the LED and raises a popup, as a device
// thread does.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/ui/script/runner.h"

struct Event {
  int control, event, d1, d2;
  double time;  // instrument seconds
};

// Registers the callbacks and loads and shows the panel and its menu bar; returns the panel.
int LoadScriptPanel();
std::vector<Event> Events();
std::vector<Event> EventsOf(int control, int event);
int QuitPresses();
std::string OpenedPath();
// Writes `text` to a file of its own in the test's temporary folder; returns its path.
std::string WriteScript(const std::string& name, const std::string& text);

enum {
  P_BTN = 2,
  P_NUM = 3,
  P_STR = 4,
  P_LED = 5,
  P_RING = 6,
  P_START = 7,
  P_PIC = 8,
  P_TAB = 9,
  P_QUIT = 10
};

// The panel with an event loop on the test's thread and the script on a worker, as
// `helx --script` runs it. The loop ends when the script has run.
class ScriptTest : public ::testing::Test {
 protected:
  void SetUp() override;

  struct Run {
    helx::ui::script::Outcome outcome;
    std::string out, err;
  };
  Run run(const std::string& text);

  int panel = 0;
};
