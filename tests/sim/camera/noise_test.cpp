// The detector's statistics: what a flat field shows in mean and variance, the Poisson law of
// few electrons, the gain register's excess noise, the converter's range, and the random
// numbers underneath.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "sim/camera/detector_noise.h"
#include "sim/camera/random.h"

namespace helx::sim::camera {
namespace {

constexpr std::size_t kPixels = 200000;

struct Moments {
  double mean = 0.0, variance = 0.0;
};

Moments moments(const std::vector<std::uint16_t>& v) {
  double sum = 0.0, sum2 = 0.0;
  for (auto x : v) {
    sum += x;
    sum2 += static_cast<double>(x) * x;
  }
  Moments m;
  m.mean = sum / v.size();
  m.variance = sum2 / v.size() - m.mean * m.mean;
  return m;
}

std::vector<std::uint16_t> flat(double electrons, const Response& r, std::uint64_t seed,
                                bool uniformOffset = false) {
  std::vector<float> rate(kPixels, static_cast<float>(electrons));
  std::vector<std::uint16_t> out(kPixels);
  Rng rng(seed);
  if (uniformOffset)
    digitize(nullptr, 0.0, electrons, out.data(), out.size(), r, rng);
  else
    digitize(rate.data(), 1.0, 0.0, out.data(), out.size(), r, rng);
  return out;
}

TEST(DetectorNoise, FlatFieldMeanAndVarianceFollowBiasGainAndShotNoise) {
  struct Case {
    double electrons, gain, sensitivity, readNoise;
  };
  // Bright and faint, with and without the gain register (faint cases take the exact path).
  for (const Case c : {Case{10000, 1, 2, 50}, Case{400, 1, 1, 5}, Case{12, 1, 0.5, 3},
                       Case{2, 50, 10, 30}, Case{100, 300, 5, 60}}) {
    SCOPED_TRACE(testing::Message() << "electrons " << c.electrons << " gain " << c.gain);
    Response r{c.sensitivity, c.readNoise, c.gain, 1000.0};
    const Moments m = moments(flat(c.electrons, r, 11));
    const double mean = expectedMean(r, c.electrons);
    const double variance = expectedVariance(r, c.electrons) + 1.0 / 12.0;  // + rounding
    EXPECT_NEAR(m.mean, mean, 5.0 * std::sqrt(variance / kPixels) + 0.01);
    EXPECT_NEAR(m.variance / variance, 1.0, 0.03);
  }
}

TEST(DetectorNoise, FewElectronsFollowThePoissonLaw) {
  // No read noise and one electron per DN: the digital numbers are the counts themselves.
  Response r{1.0, 0.0, 1.0, 100.0};
  const double mean = 3.0;
  for (bool uniformOffset : {false, true}) {
    SCOPED_TRACE(uniformOffset ? "uniform mean (dark frame)" : "per-pixel mean");
    const auto out = flat(mean, r, 5, uniformOffset);
    std::vector<double> counts(20, 0.0);
    for (auto x : out) {
      ASSERT_GE(x, 100);
      if (x - 100 < 20) counts[x - 100] += 1.0;
    }
    double p = std::exp(-mean);
    for (int k = 0; k < 10; ++k) {
      const double expected = p * kPixels;
      EXPECT_NEAR(counts[k], expected, 5.0 * std::sqrt(expected) + 1.0) << "k = " << k;
      p *= mean / (k + 1);
    }
  }
}

TEST(DetectorNoise, GainRegisterDoublesTheShotNoiseVariance) {
  const double electrons = 5.0, gain = 1000.0;  // few electrons: the exact path
  Response r{100.0, 0.0, gain, 1000.0};
  const Moments m = moments(flat(electrons, r, 3));
  const double signal = gain * electrons / r.sensitivity;
  EXPECT_NEAR((m.mean - r.bias) / signal, 1.0, 0.01);
  EXPECT_NEAR(m.variance / (signal * signal / electrons), 2.0, 0.06);  // excess noise factor^2
}

TEST(DetectorNoise, ConverterClipsAt14BitsAndZero) {
  Response r{1.0, 0.0, 1.0, 1000.0};
  for (auto x : flat(1e6, r, 1)) ASSERT_EQ(x, kAdcMax);
  Response low{1.0, 20.0, 1.0, 0.0};  // half the read noise falls below zero
  const auto out = flat(0.0, low, 1);
  std::size_t zeros = 0;
  for (auto x : out) {
    ASSERT_LE(x, 200);  // no wrap-around to the top of the range
    zeros += x == 0;
  }
  EXPECT_GT(zeros, kPixels / 3);
}

TEST(DetectorNoise, SameSeedSameFrameOtherSeedOtherFrame) {
  Response r;
  EXPECT_EQ(flat(500.0, r, 42), flat(500.0, r, 42));
  EXPECT_NE(flat(500.0, r, 42), flat(500.0, r, 43));
}

TEST(Random, ABlockOfNormalsIsTheSameStreamAsOneAtATime) {
  // Long enough that the ziggurat's wedges and tail are taken many times.
  Rng block(21), single(21);
  std::vector<float> z(100'000);
  block.normals(z.data(), z.size());
  for (std::size_t i = 0; i < z.size(); ++i)
    ASSERT_EQ(z[i], static_cast<float>(single.normal())) << "draw " << i;
  EXPECT_EQ(block.next(), single.next());
}

TEST(Random, NormalDeviatesHaveTheNormalTails) {
  Rng rng(9);
  const int n = 2'000'000;
  double sum = 0.0, sum2 = 0.0;
  int beyond1 = 0, beyond2 = 0, beyond3 = 0, above35 = 0;
  for (int i = 0; i < n; ++i) {
    const double z = rng.normal();
    sum += z;
    sum2 += z * z;
    const double a = std::fabs(z);
    beyond1 += a > 1.0;
    beyond2 += a > 2.0;
    beyond3 += a > 3.0;
    above35 += z > 3.5;  // only the ziggurat's tail algorithm produces these
  }
  EXPECT_NEAR(sum / n, 0.0, 0.004);
  EXPECT_NEAR(sum2 / n, 1.0, 0.005);
  auto expectFraction = [&](int count, double p) {
    EXPECT_NEAR(static_cast<double>(count) / n, p, 5.0 * std::sqrt(p / n)) << "p = " << p;
  };
  expectFraction(beyond1, 0.3173105);
  expectFraction(beyond2, 0.0455003);
  expectFraction(beyond3, 0.0026998);
  expectFraction(above35, 2.326e-4);
}

TEST(Random, PoissonAndGammaHaveTheirMeansAndVariances) {
  Rng rng(4);
  for (double mean : {0.2, 7.0, 40.0, 900.0}) {
    double s = 0.0, s2 = 0.0;
    const int n = 100000;
    for (int i = 0; i < n; ++i) {
      const double k = rng.poisson(mean);
      s += k;
      s2 += k * k;
    }
    const double m = s / n;
    EXPECT_NEAR(m, mean, 5.0 * std::sqrt(mean / n)) << mean;
    EXPECT_NEAR((s2 / n - m * m) / mean, 1.0, 0.03) << mean;
  }
  double s = 0.0, s2 = 0.0;
  const int n = 100000;
  for (int i = 0; i < n; ++i) {
    const double g = rng.gammaInteger(6);
    s += g;
    s2 += g * g;
  }
  EXPECT_NEAR(s / n, 6.0, 0.05);
  EXPECT_NEAR(s2 / n - (s / n) * (s / n), 6.0, 0.2);
}

}  // namespace
}  // namespace helx::sim::camera
