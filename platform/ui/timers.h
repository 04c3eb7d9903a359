// Timer controls: while a timer is enabled it posts a tick event every `interval` seconds of
// instrument time (the one clock). A tick still waiting in the queue is not posted twice, so a
// busy UI thread sees late ticks, never a pile of them.
//
// Threads: one scheduler thread, started with the first timer; changed() from any thread
// after an attribute of a timer changed.
#pragma once

namespace helx::ui {

class Timers {
 public:
  static void changed();
  static void shutdown();
};

}  // namespace helx::ui
