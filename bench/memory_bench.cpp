// Memory over a night: 200 scans of 10 steps with both cameras at every step, the clock scaled,
// on the simulated instrument. Prints the resident size's growth per scan after 10 warm-up
// scans (goal: under 5 kB a scan). Not a test.
//
//   build/bench/tests/sequence/memory_bench [--scans=200]   (from any folder)
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "observing_fixture.h"

namespace {
int scans = 200;
}

class MemoryBench : public Observing {};

TEST_F(MemoryBench, TwoHundredScans) {
  simulate();
  runScale = 4;
  double growth = GrowthPerScan(10, scans);
  std::printf("\n%d scans: resident size grew %.0f bytes a scan (goal: under 5000)\n", scans,
              growth);
  EXPECT_LT(growth, 5000.0);
}

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  for (int i = 1; i < argc; ++i)
    if (std::strncmp(argv[i], "--scans=", 8) == 0) scans = std::atoi(argv[i] + 8);
  return RUN_ALL_TESTS();
}
