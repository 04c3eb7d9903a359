// The UI thread's stalls over a whole observation on the simulated instrument, driven as an
// operator would: Power On, the setup dialog and OK, one Run of a 100-step scan with both
// cameras at every step ("Both(2 in 1)"), Power Off. Prints the longest time the UI thread went
// without coming back to its queue and what ran (platform/ui/stalls.h), every stall over 100 ms,
// and how many of those lie outside a wait that processes events. Goal: none. Not a test: no
// figure of it decides pass or fail.
//
// The instrument clock keeps real time throughout by default: the program's own pauses on the
// UI thread (a controller's settle time) shrink on a faster clock, and the stall with them.
// --scale=S runs power-up, OK and Power Off S times faster (the scan always runs in real time).
//
//   build/bench/tests/sequence/ui_stall_bench [--scale=1] [--exposure=0.01]   (from any folder)
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "observing_fixture.h"
#include "platform/ui/operator.h"
#include "platform/ui/stalls.h"
#include "sequence/sequence.h"
#include "state/HELX.h"
#include "state/observation_state.h"

using helx::ui::Operator;
using helx::ui::Stall;

namespace {
double scale = 1;
std::string exposure = "0.01";
// Power Off ends the scanner's link, closes the stepper controller and warms the cameras.
constexpr double kPowerOffLimitSeconds = 120;

const std::string kWaitMark = " (waiting, processing events)";

bool inAWait(const Stall& s) {
  return s.what.size() >= kWaitMark.size() &&
         s.what.compare(s.what.size() - kWaitMark.size(), kWaitMark.size(), kWaitMark) == 0;
}

double ms(double seconds) { return 1000 * seconds; }
}  // namespace

class UiStallBench : public Observing {};

TEST_F(UiStallBench, PowerUpOkScanOfHundredStepsBothCamerasPowerOff) {
  simulate(scale);
  runScale = 1;
  observe([&] {
    // Only the operator's observation counts, not the program's start.
    helx::ui::ResetStalls();
    powerOn();
    Observation s;
    s.camera = "Both(2 in 1)";
    s.frames = 100;
    s.runs = 1;
    s.exposure = exposure;
    s.exposure2 = exposure;
    setup(s);
    runAndWait(600);
    ASSERT_TRUE(Operator::commit(mainPanel, PANEL_POWEROFF));
    ASSERT_TRUE(eventually([] { return CCD_status == 0; }, kPowerOffLimitSeconds));
    // Power Off has returned once the queue reaches this: its stall is charged.
    ASSERT_TRUE(Operator::sync(kPowerOffLimitSeconds));

    const Stall longest = helx::ui::LongestStall();
    const std::vector<Stall> over = helx::ui::LongStalls();
    std::printf(
        "\nPower On, OK, one 100-step scan with both cameras (exposure %s s), Power Off; "
        "instrument clock %gx real time outside the scan, %d frames lost\n",
        exposure.c_str(), scale, run_frames_lost.load());
    std::printf("longest UI stall: %.0f ms in %s (%.1f times the 100 ms goal)\n",
                ms(longest.seconds), longest.what.c_str(),
                longest.seconds / helx::ui::kLongStallSeconds);
    std::printf("stalls over %.0f ms, in order (%zu):\n", ms(helx::ui::kLongStallSeconds),
                over.size());
    for (const Stall& st : over) std::printf("  %8.0f ms  %s\n", ms(st.seconds), st.what.c_str());

    // The same, by what ran: how often, the longest, the total.
    struct Tally {
      int count = 0;
      double longest = 0, total = 0;
    };
    std::map<std::string, Tally> byWhat;
    for (const Stall& st : over) {
      Tally& t = byWhat[st.what];
      ++t.count;
      t.longest = std::max(t.longest, st.seconds);
      t.total += st.seconds;
    }
    if (!byWhat.empty()) std::printf("by what ran:\n");
    for (const auto& [what, t] : byWhat)
      std::printf("  %4d x  longest %8.0f ms  total %8.0f ms  %s\n", t.count, ms(t.longest),
                  ms(t.total), what.c_str());

    const auto outside =
        std::count_if(over.begin(), over.end(), [](const Stall& st) { return !inAWait(st); });
    std::printf(
        "stalls over 100 ms outside a device wait that processes events: %td (goal 0: %s)\n",
        outside, outside == 0 ? "met" : "NOT met");
    quit();
  });
}

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  for (int i = 1; i < argc; i++) {
    std::string a = argv[i];
    if (a.rfind("--scale=", 0) == 0) scale = std::max(1.0, std::atof(a.c_str() + 8));
    if (a.rfind("--exposure=", 0) == 0) exposure = a.substr(11);
  }
  return RUN_ALL_TESTS();
}
