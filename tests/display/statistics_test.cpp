// The measurements every picture starts from, to the last bit of single precision: the
// observers compare these read-outs and ranges night to night.
#include <gtest/gtest.h>

#include <vector>

#include "display/display.h"
#include "platform/ui/userint.h"

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

TEST(Statistics, MeasuringAPlaneInOnePassGivesTheSeparateMeasurementsBitForBit) {
  // Noise over a gradient, bright enough that the single-precision sums round at every step.
  std::vector<unsigned short> s(640 * 480);
  unsigned state = 99;
  for (std::size_t i = 0; i < s.size(); i++) {
    state = state * 1664525u + 1013904223u;
    s[i] = static_cast<unsigned short>(20000 + (i % 640) * 50 + (state >> 20));
  }
  Plane plane;
  ReferPlane(plane, s.data(), 640, 480);
  Measured one;
  MeasurePlane(plane, &one.min, &one.max, &one.lower, &one.upper);
  Measured apart = Measure(640, 480, s);
  EXPECT_EQ(mean, apart.mean);
  EXPECT_EQ(stdev, apart.stdev);
  EXPECT_EQ(one.min, apart.min);
  EXPECT_EQ(one.max, apart.max);
  EXPECT_EQ(one.lower, apart.lower);
  EXPECT_EQ(one.upper, apart.upper);
  ReleasePlane(plane);
}

TEST(SampleHistogram, CountsWhatTheRuntimeCountsOnTheSamplesAsDoubles) {
  // Both ends of the 16-bit range, interval edges and values outside every range below.
  std::vector<unsigned short> s = {0,   1,    99,   100,   101,   150,   199,   200,
                                   201, 1000, 1000, 16383, 16383, 40000, 65534, 65535};
  for (unsigned short v = 0; v < 3000; v += 7) s.push_back(v);
  const std::vector<double> values(s.begin(), s.end());
  struct Range {
    double base, top;
    int intervals;
  };
  for (Range r : {Range{100, 200, 100}, Range{100, 200, 3}, Range{99.5, 200.25, 7},
                  Range{0, 65535, 100}, Range{-10.5, 16383, 13}, Range{1000, 1000, 100},
                  Range{1000.5, 1000.5, 5}, Range{200, 100, 100}, Range{16383, 70000, 1}}) {
    SCOPED_TRACE(testing::Message() << r.base << ".." << r.top << " / " << r.intervals);
    std::vector<int> want(static_cast<std::size_t>(r.intervals)), got(want.size());
    std::vector<double> wantAxis(want.size()), gotAxis(want.size());
    int wantCode = Histogram(values.data(), static_cast<int>(values.size()), r.base, r.top,
                             want.data(), wantAxis.data(), r.intervals);
    int gotCode = SampleHistogram(s.data(), static_cast<int>(s.size()), r.base, r.top, got.data(),
                                  gotAxis.data(), r.intervals);
    EXPECT_EQ(gotCode, wantCode);
    EXPECT_EQ(got, want);
    EXPECT_EQ(gotAxis, wantAxis);
  }
}
