#include <algorithm>
#include <cmath>

#include "tests/sim/pmac/pmac_fixture.h"

namespace helx::sim::pmac::test {

class Gathering : public PmacTest {
 protected:
  struct Data {
    std::vector<double> commanded, actual, output;
  };
  // Gathers a jog to `target` with the given gains; returns the samples in counts and DAC bits.
  Data gatherMove(const std::string& gains, double target) {
    enable();
    send(gains);
    advance(0.5);
    EXPECT_TRUE(device->setQuickGather(0x10101, true));
    EXPECT_EQ(send("I19=5 I20=7 END GAT DEL GAT DEF GAT GAT"), "");
    send("#1J=" + std::to_string(target));
    advance(2.0);
    long sources = 0, samples = 0;
    EXPECT_TRUE(device->collectGather(sources, samples));
    EXPECT_EQ(sources, 3);
    Data d;
    double perCount = 32.0 * device->ivariable(108).value();
    auto raw = [&](int source) {
      return device->gatherSamples(source).value_or(std::vector<double>{});
    };
    for (double v : raw(0)) d.commanded.push_back(v / perCount);
    for (double v : raw(1)) d.actual.push_back(v / perCount);
    for (double v : raw(2)) d.output.push_back(v / 256.0);
    EXPECT_EQ(d.actual.size(), static_cast<std::size_t>(samples));
    return d;
  }
  static double maxFollowingError(const Data& d) {
    double m = 0.0;
    for (std::size_t k = 0; k < d.actual.size(); ++k)
      m = std::max(m, std::fabs(d.commanded[k] - d.actual[k]));
    return m;
  }
};

TEST_F(Gathering, OneSampleEvery2_2076MsInRawUnits) {
  Data d = gatherMove("I130=40000", 20000);
  // 2 s of gathering at 5 servo cycles of I10 = 3703707 / 8388608 ms each.
  double period = 5 * 3703707.0 / 8388608.0 / 1000.0;
  EXPECT_NEAR(period, 0.0022076, 1e-7);
  EXPECT_NEAR(static_cast<double>(d.actual.size()), 2.0 / period, 2.0);
  // The last sample matches the position the controller reports, in counts.
  EXPECT_NEAR(d.actual.back(), number("#1P"), 1.0);
  EXPECT_NEAR(d.commanded.back(), 20000.0, 1e-6);
  // The output is a whole 16-bit DAC value in the top of the word.
  for (double out : d.output) {
    EXPECT_EQ(out, std::floor(out));
    EXPECT_LE(std::fabs(out), 32767.0);
  }
  EXPECT_GT(*std::max_element(d.output.begin(), d.output.end()), 100.0);
}

TEST_F(Gathering, ActualFollowsCommandedWithAFollowingErrorTheGainsShape) {
  Data stiff = gatherMove("I130=120000 I131=4000 I132=4000 I133=40000 I135=20000", 20000);
  Data soft = gatherMove("I130=10000 I131=1800 I132=1800 I133=0 I135=0", 40000);
  double stiffError = maxFollowingError(stiff);
  double softError = maxFollowingError(soft);
  EXPECT_GT(stiffError, 0.05);  // a real servo never tracks perfectly
  EXPECT_GT(softError, 3.0 * stiffError);
  EXPECT_LT(softError, 2000.0);  // and still well short of the fatal following error
  // Actual lags commanded while moving up.
  std::size_t mid = soft.actual.size() / 4;
  EXPECT_LT(soft.actual[mid], soft.commanded[mid]);
}

TEST_F(Gathering, GatherWithoutADefinedBufferIsRefused) {
  EXPECT_EQ(send("DEL GAT GAT"), "\aERR003\r");
  long sources = 0, samples = 0;
  EXPECT_FALSE(device->collectGather(sources, samples));
  EXPECT_FALSE(device->setQuickGather(0x2, true));  // there is no motor 2
}

}  // namespace helx::sim::pmac::test
