#include <algorithm>
#include <vector>

#include "tests/sim/pmac/pmac_fixture.h"

namespace helx::sim::pmac::test {

class Scanning : public PmacTest {
 protected:
  void SetUp() override {
    PmacTest::SetUp();
    homeLikeTheProgram();
  }
  // What the scan execution sends before it starts the program.
  void start() {
    ASSERT_TRUE(device->setQuickGather(0x10101, true));
    for (auto c : {"I19=5", "I20=7", "CLOSE", "END GAT", "DEL GAT", "DEF GAT", "GAT &1 b1 r",
                   "m180->X:$818,0", "m145->Y:$814,10"})
      ASSERT_EQ(send(c), "") << c;
  }
  std::vector<nlohmann::json> moves() { return events("move"); }
};

TEST_F(Scanning, SpectrographProgramStepsP1ThroughEveryFrameAndReturnsNearZero) {
  const int frames = 10;
  const double duration = 100.0, step = 2.0;
  ASSERT_TRUE(download(scanProgram(spectrographBody(frames, duration, step))));
  double begin = clock().seconds();
  start();
  std::vector<int> seen;  // successive p1 values
  double lastChange = begin;
  std::vector<double> stepTimes;
  while (send("m180")[0] != '0') {
    int p1 = static_cast<int>(number("p1"));
    if (seen.empty() || seen.back() != p1) {
      seen.push_back(p1);
      stepTimes.push_back(clock().seconds() - lastChange);
      lastChange = clock().seconds();
      if (p1 >= 1 && p1 < frames) {
        // When p1 reads k, the scanner has reached k steps (10 counts per unit).
        EXPECT_GE(number("#1P"), 10.0 * p1 * step - 2.0) << p1;
      }
    }
    advance(0.001);
    ASSERT_LT(clock().seconds() - begin, 60.0);
  }
  std::vector<int> expected;
  for (int k = 0; k <= frames; ++k) expected.push_back(k);
  EXPECT_EQ(seen, expected);
  // One move and one dwell per step: 70 ms of move plus 30 ms of dwell.
  for (std::size_t k = 2; k + 1 < stepTimes.size(); ++k) EXPECT_NEAR(stepTimes[k], 0.1, 0.003);
  auto m = moves();
  ASSERT_EQ(m.size(), static_cast<std::size_t>(frames + 1));  // the steps and the way back
  EXPECT_NEAR(m.back()["from"].get<double>(), frames * step * 10.0, 1e-6);
  EXPECT_DOUBLE_EQ(m.back()["to"].get<double>(), 0.0);
  ASSERT_TRUE(advanceUntil([&] { return send("m140") == "1\r"; }, 5.0));
  EXPECT_GT(number("#1P"), -10.0);
  EXPECT_LT(number("#1P"), 10.0);
}

TEST_F(Scanning, ImagingProgramSweepsAtTheFeedRate) {
  ASSERT_TRUE(download(scanProgram(imagingBody(50, 2000))));
  double begin = clock().seconds();
  start();
  advance(5.0);
  double a = number("#1P");
  advance(10.0);
  double b = number("#1P");
  EXPECT_NEAR((b - a) / 10.0, 500.0, 2.0);  // 50 units/s of 10 counts
  ASSERT_TRUE(advanceUntil([&] { return send("m180") == "0\r"; }, 120.0, 0.05));
  EXPECT_GT(clock().seconds() - begin, 40.0);  // 2000 units at 50 units/s, then the way back
  ASSERT_TRUE(advanceUntil([&] { return send("m140") == "1\r"; }, 5.0));
  EXPECT_LT(std::abs(number("#1P")), 10.0);
}

TEST_F(Scanning, WhileLoopsAndPVariableArithmeticDriveTheMoves) {
  ASSERT_TRUE(
      download("&1 #1->10X\n"
               "OPEN PROG 2 CLEAR\n"
               "ABS TA20 TS0 F1000\n"
               "P2=0 P3=1\n"
               "WHILE(P2<4)\n"
               "  P3=P3*2      ; 2, 4, 8, 16\n"
               "  X(P3*10)\n"
               "  DWELL 5\n"
               "  P2=P2+1\n"
               "ENDWHILE\n"
               "IF(P3=16) P4=1 ELSE P4=2 ENDIF\n"
               "CLOSE\n"));
  EXPECT_EQ(send("&1 B2 R"), "");
  ASSERT_TRUE(advanceUntil([&] { return send("M180->X:$818,0 M180") == "0\r"; }, 10.0, 0.005));
  EXPECT_EQ(send("P2 P3 P4"), "4\r16\r1\r");
  auto m = moves();
  ASSERT_EQ(m.size(), 4u);
  EXPECT_DOUBLE_EQ(m[3]["to"].get<double>(), 1600.0);  // 160 units of 10 counts
  ASSERT_TRUE(advanceUntil([&] { return send("m140") == "1\r"; }, 5.0));
  EXPECT_NEAR(number("#1P"), 1600.0, 10.0);
}

TEST_F(Scanning, ALimitAbortsARunningProgram) {
  ASSERT_TRUE(download("&1 #1->10X OPEN PROG 3 CLEAR ABS TA100 F5000 X50000 CLOSE"));
  send("&1 B3 R");
  ASSERT_TRUE(advanceUntil([&] { return send("M180->X:$818,0 M180") == "0\r"; }, 60.0, 0.05));
  EXPECT_EQ(send("M131"), "1\r");
  EXPECT_EQ(events("program_abort").size(), 1u);
  EXPECT_LT(number("#1P"), 170000.0);
}

}  // namespace helx::sim::pmac::test
