// A night of scans must not grow the program: the message box keeps its last lines, popups and
// every per-scan record are bounded. Resident size is measured over 20 scans after 10 to warm up;
// the benchmark (bench/memory_bench) takes 200 and aims at under 5 kB a scan.
#include "observing_fixture.h"

TEST_F(Observing, TwentyScansGrowTheProgramByLessThanFiftyKilobytesEach) {
  if (Sanitized())
    GTEST_SKIP() << "the sanitizers keep freed memory on purpose (quarantine, shadow): the "
                    "resident size says nothing about the program there";
  simulate();
  runScale = 4;  // lost steps do not matter here, only memory
  double growth = GrowthPerScan(10, 20);
  ASSERT_GE(growth, -1e9);  // measured
  RecordProperty("bytes_per_scan", std::to_string(growth));
  EXPECT_LT(growth, 50e3) << "resident size grew " << growth << " bytes a scan";
}
