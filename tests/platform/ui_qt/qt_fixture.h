// The site's panels loaded through the runtime and drawn by the Qt view on the offscreen
// platform; this thread is the UI thread. Every callback the resource names is bound to a
// recorder.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/ui/qt/qt_frontend.h"
#include "platform/ui/userint.h"

struct Call {
  int panel, control, event, d1, d2;
  bool onUiThread;
};

class QtViewTest : public ::testing::Test {
 public:
  void SetUp() override;
  void TearDown() override;

  static helx::ui::qt::QtFrontend& frontend();
  static helx::ui::qt::View& view() { return frontend().view(); }
  // Brings the view up to date now (as the event loop does between events).
  static void drain();
  // Runs the program's event loop here until `condition`, checked on this thread, holds; false
  // if it never does (the deadline only guards against a hang).
  static bool runUntil(const std::function<bool()>& condition, int guardMs = 10000);
  // Runs the event loop until every event queued so far has been dispatched.
  static void flushEvents();
  template <typename W>
  static W* body(int panel, int id) {
    auto* v = view().control(panel, id);
    return v ? dynamic_cast<W*>(v->body()) : nullptr;
  }

  static std::vector<Call> calls();
  static std::vector<Call> calls(int panel, int control, int event);

  // Panel handles by resource number (1 graphic, 2 about, 3 main, 4 setup, 5 test).
  std::map<int, int> panels;
  int menuBar = 0;
  int page(int index) const;
};
