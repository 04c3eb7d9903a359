// The measurements every picture starts from, to the last bit of single precision: the
// observers compare these read-outs and ranges night to night.
#include <gtest/gtest.h>

#include <vector>

#include "display/display.h"

namespace {
struct Measured {
  unsigned short min = 0, max = 0;
  float mean = 0, stdev = 0;
  int lower = 0, upper = 0;
};

// In the order every display path measures: mean, deviation against it, then extremes.
Measured Measure(int width, int height, const std::vector<unsigned short>& s) {
  Measured m;
  m.mean = DataMean(width, height, s.data());
  m.stdev = DataStdev(width, height, s.data(), m.mean);
  GetMinMax(s.data(), width * height, &m.min, &m.max);
  GetDisplayRange(m.mean, m.stdev, m.min, m.max, &m.lower, &m.upper);
  return m;
}
}  // namespace

TEST(Statistics, EqualSamplesGiveOneValueAndNoSpread) {
  Measured m = Measure(3, 3, std::vector<unsigned short>(9, 777));
  EXPECT_EQ(m.min, 777);
  EXPECT_EQ(m.max, 777);
  EXPECT_EQ(m.mean, 777.0f);
  EXPECT_EQ(m.stdev, 0.0f);
  EXPECT_EQ(m.lower, 777);
  EXPECT_EQ(m.upper, 777);
}

TEST(Statistics, ExtremesReplaceTheStartingValues) {
  unsigned short min = 1, max = 1;
  std::vector<unsigned short> s = {300, 0, 65535, 12};
  GetMinMax(s.data(), 4, &min, &max);
  EXPECT_EQ(min, 0);
  EXPECT_EQ(max, 65535);
  // A single sample is both; unsigned comparison keeps 40000 above 100.
  std::vector<unsigned short> t = {40000, 100};
  GetMinMax(t.data(), 2, &min, &max);
  EXPECT_EQ(min, 100);
  EXPECT_EQ(max, 40000);
}

TEST(Statistics, TwoByTwoPlaneClampsBothEndsOfTheRange) {
  Measured m = Measure(2, 2, {100, 200, 300, 400});
  EXPECT_EQ(m.mean, 250.0f);
  EXPECT_EQ(m.stdev, 111.80339813232422f);
  EXPECT_EQ(m.lower, 100);  // -85 truncated, below the minimum
  EXPECT_EQ(m.upper, 400);  // 585 truncated, above the maximum
}

TEST(Statistics, OneBrightSampleDoesNotCompressTheRest) {
  std::vector<unsigned short> s(100, 1000);
  s[99] = 60000;
  Measured m = Measure(10, 10, s);
  EXPECT_EQ(m.mean, 1590.0f);
  EXPECT_EQ(m.stdev, 5870.42578125f);
  EXPECT_EQ(m.lower, 1000);
  EXPECT_EQ(m.upper, 19201);

  // The sum is sequential in single precision: the same plane with the bright sample first
  // rounds differently.
  std::vector<unsigned short> first(100, 1000);
  first[0] = 60000;
  Measured f = Measure(10, 10, first);
  EXPECT_EQ(f.mean, 1590.0f);
  EXPECT_EQ(f.stdev, 5870.43115234375f);
}

TEST(Statistics, BrightMegapixelKeepsTheSinglePrecisionMean) {
  std::vector<unsigned short> s(1024 * 1024, 60000);
  Measured m = Measure(1024, 1024, s);
  EXPECT_EQ(m.mean, 60530.3359375f);
  EXPECT_EQ(m.stdev, 529.4317626953125f);
  EXPECT_EQ(m.lower, 60000);
  EXPECT_EQ(m.upper, 60000);
}

TEST(Statistics, QuarterMegapixelOfThousand) {
  std::vector<unsigned short> s(512 * 512, 1000);
  Measured m = Measure(512, 512, s);
  EXPECT_EQ(m.mean, 996.0960693359375f);
  EXPECT_EQ(m.stdev, 3.905024290084839f);
  EXPECT_EQ(m.lower, 1000);
  EXPECT_EQ(m.upper, 1000);
  // The argument order does not matter, only the product.
  EXPECT_EQ(DataMean(262144, 1, s.data()), m.mean);
}

TEST(Statistics, EmptyPlaneMeasuresZeroInsteadOfNaN) {
  unsigned short one = 5;
  EXPECT_EQ(DataMean(0, 7, &one), 0.0f);
  EXPECT_EQ(DataStdev(7, 0, &one, 0.0f), 0.0f);
}

TEST(Statistics, RangeStaysOnThePlaneWhenTheMeanOvershootsIt) {
  // A mean above the maximum with no spread would put the lower end above every sample.
  int lower = 0, upper = 0;
  GetDisplayRange(60530.3359375f, 0.0f, 60000, 60000, &lower, &upper);
  EXPECT_EQ(lower, 60000);
  EXPECT_EQ(upper, 60000);
}

TEST(ByteScale, MapsTheRangeOntoBlackToWhite) {
  EXPECT_EQ(ScaleToByte(999, 1000, 1000), 0);
  EXPECT_EQ(ScaleToByte(1000, 1000, 1000), 0);
  EXPECT_EQ(ScaleToByte(1500, 1000, 1000), 127);  // 127.5 truncated
  EXPECT_EQ(ScaleToByte(2000, 1000, 1000), 255);
  EXPECT_EQ(ScaleToByte(65535, 1000, 1000), 255);
  // Inverted: the minimum slider pulled above the maximum.
  EXPECT_EQ(ScaleToByte(1500, 2000, -1000), 127);
  EXPECT_EQ(ScaleToByte(2100, 2000, -1000), 0);
  EXPECT_EQ(ScaleToByte(900, 2000, -1000), 255);
  // Empty range: at or above the bound white, below it black.
  EXPECT_EQ(ScaleToByte(1000, 1000, 0), 255);
  EXPECT_EQ(ScaleToByte(1001, 1000, 0), 255);
  EXPECT_EQ(ScaleToByte(999, 1000, 0), 0);
}
