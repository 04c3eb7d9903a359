// Tells the benchmarks' step watcher where each scan's steps lie, as the scan tells the
// handshake: SetScanStepPositions is wrapped at link time (-Wl,--wrap).
#include "bench/step_watch.h"

#include <cmath>
#include <cstdlib>

#include "scanner/scanner.h"
#include "state/observation_state.h"

StepWatch& TheStepWatch() {
  static StepWatch watch;
  return watch;
}

extern "C" void __real__Z20SetScanStepPositionsddd(double, double, double);
extern "C" void __wrap__Z20SetScanStepPositionsddd(double start, double countsPerStep,
                                                   double band) {
  // The poll's own band: the controller's in-position band (I128, sixteenths of a count), never
  // more than half a step; and its "still": 0.5 counts/ms, less for small steps
  // (scanner/execution.cpp).
  char reply[256];
  const double inPosition = PmacCommand("i128", reply) >= 0 ? std::atof(reply) / 16.0 : 10.0;
  TheStepWatch().expect(start, countsPerStep, g_nFrameNumber1,
                        std::fmin(inPosition, std::fabs(countsPerStep) / 2.0),
                        std::fmin(0.5, 2.0 * std::fabs(countsPerStep) / step_duration));
  __real__Z20SetScanStepPositionsddd(start, countsPerStep, band);
}
