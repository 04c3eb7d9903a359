// The synthetic Sun and its spectrum, alone: the surface's structures, where the lines fall on
// the detector and how they move with the grating and with solar velocities, binning, and
// repeatability.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numeric>
#include <vector>

#include "sim/camera/config.h"
#include "sim/camera/solar_scene.h"

namespace helx::sim::camera {
namespace {

Geometry fullFrame(int width = 512, int height = 512) {
  Geometry g;
  g.detectorWidth = g.hend = width;
  g.detectorHeight = g.vend = height;
  return g;
}

std::vector<float> render(const SunConfig& sun, const Spectrograph& sp, const Geometry& g,
                          OpticsPosition at = {}) {
  std::vector<float> out(g.pixels());
  renderSpectrum(sun, sp, g, at, nullptr, out.data());
  return out;
}

// A featureless Sun moving at `velocity` km/s everywhere.
SunConfig uniformSun(double velocity = 0.0) {
  SunConfig sun;
  sun.spots.clear();
  sun.granulationContrast = 0.0;
  sun.laneDownflow = velocity;
  sun.granuleUpflow = -velocity;
  return sun;
}

// Column of the intensity minimum near `guess` in one row, refined by a parabola.
double lineCentre(const std::vector<float>& frame, int width, int row, int guess, int reach = 40) {
  const float* r = frame.data() + static_cast<std::size_t>(row) * width;
  int best = std::max(1, guess - reach);
  for (int c = std::max(1, guess - reach); c < std::min(width - 1, guess + reach); ++c)
    if (r[c] < r[best]) best = c;
  const double a = r[best - 1], b = r[best], c = r[best + 1];
  return best + 0.5 * (a - c) / (a - 2 * b + c);
}

TEST(SolarSurface, SunspotHasACoolUmbraAndAWarmerPenumbra) {
  SunConfig sun;
  const Spot& spot = sun.spots.front();
  const Surface umbra = sampleSurface(sun, spot.x, spot.y);
  const Surface penumbra =
      sampleSurface(sun, spot.x + 0.5 * (spot.umbraRadius + spot.penumbraRadius), spot.y);
  const Surface quiet = sampleSurface(sun, spot.x + 3 * spot.penumbraRadius, spot.y);
  EXPECT_NEAR(umbra.temperature, spot.umbraTemperature, 50.0);
  EXPECT_GT(penumbra.temperature, umbra.temperature + 800.0);
  EXPECT_LT(penumbra.temperature, quiet.temperature - 100.0);
  EXPECT_GT(umbra.field, 0.9);
  EXPECT_LT(quiet.field, 0.01);
}

TEST(SolarSurface, GranulesRiseAndLanesSink) {
  SunConfig sun;
  sun.spots.clear();
  // Across a quiet patch, hot places move towards the observer (negative velocity).
  double st = 0, sv = 0, stt = 0, svv = 0, stv = 0;
  int n = 0;
  for (double x = 0; x < 20; x += 0.13)
    for (double y = 0; y < 20; y += 0.17) {
      const Surface s = sampleSurface(sun, x, y);
      st += s.temperature;
      sv += s.velocity;
      stt += s.temperature * s.temperature;
      svv += s.velocity * s.velocity;
      stv += s.temperature * s.velocity;
      ++n;
    }
  const double cov = stv / n - (st / n) * (sv / n);
  const double corr = cov / std::sqrt((stt / n - st * st / n / n) * (svv / n - sv * sv / n / n));
  EXPECT_LT(corr, -0.9);
  EXPECT_NEAR(st / n, sun.quietTemperature, 60.0);
  const double rmsT = std::sqrt(stt / n - st * st / n / n);
  EXPECT_GT(rmsT, 30.0);
  EXPECT_LT(rmsT, 200.0);
}

TEST(SolarSurface, EvershedFlowRecedesOnTheLimbSideOfThePenumbra) {
  SunConfig sun;
  const Spot& spot = sun.spots.front();
  const double r = 0.5 * (spot.umbraRadius + spot.penumbraRadius);
  double limbSide = 0, centreSide = 0;
  for (double a = -0.5; a <= 0.5; a += 0.01) {
    limbSide += sampleSurface(sun, spot.x + r * std::cos(a), spot.y + r * std::sin(a)).velocity;
    centreSide += sampleSurface(sun, spot.x - r * std::cos(a), spot.y - r * std::sin(a)).velocity;
  }
  EXPECT_GT(limbSide / 101, 0.5);
  EXPECT_LT(centreSide / 101, -0.5);
}

TEST(Spectrum, LinesFallWhereTheirWavelengthsAreAndTheGratingMovesThem) {
  const Spectrograph sp = defaultSpectrograph(0);
  const Geometry g = fullFrame();
  const SunConfig sun = uniformSun();
  const auto frame = render(sun, sp, g);
  const double halpha = sp.lines.front().wavelength;
  const double expected = (halpha - sp.centreWavelength) / sp.dispersion + 255.5;
  EXPECT_NEAR(lineCentre(frame, 512, 100, static_cast<int>(expected)), expected, 0.05);
  // Line core depth as configured, against the continuum at the frame's edge.
  const float* row = frame.data() + 100 * 512;
  const float core = *std::min_element(row, row + 512);
  EXPECT_NEAR(core / sp.continuumRate, 1.0 - sp.lines.front().depth, 0.02);

  // 100 grating steps move the spectrum by 100 x A per step / dispersion columns, to the left.
  const auto moved = render(sun, sp, g, {0.0, 100.0});
  const double shift = 100.0 * sp.angstromPerStep / sp.dispersion;
  EXPECT_NEAR(lineCentre(moved, 512, 100, static_cast<int>(expected - shift)), expected - shift,
              0.05);
}

TEST(Spectrum, SolarLinesShowTheDopplerShiftAndTelluricLinesDoNot) {
  const Spectrograph sp = defaultSpectrograph(0);
  const Geometry g = fullFrame();
  const double v = 3.0;  // km/s away from the observer
  const auto still = render(uniformSun(0.0), sp, g);
  const auto receding = render(uniformSun(v), sp, g);
  const double expectedShift = sp.lines[0].wavelength * v / 299792.458 / sp.dispersion;
  const double c0 = lineCentre(still, 512, 200, 256);
  EXPECT_NEAR(lineCentre(receding, 512, 200, 256) - c0, expectedShift, 0.05);
  const SpectralLine& telluric = sp.lines[2];
  ASSERT_TRUE(telluric.telluric);
  const int tc =
      static_cast<int>((telluric.wavelength - sp.centreWavelength) / sp.dispersion + 255.5);
  EXPECT_NEAR(lineCentre(receding, 512, 200, tc, 4), lineCentre(still, 512, 200, tc, 4), 0.05);
}

TEST(Spectrum, TheSceneFollowsTheScannerAndRepeatsItself) {
  SunConfig sun;
  const Spectrograph sp = defaultSpectrograph(1);
  const Geometry g = fullFrame();
  const auto a = render(sun, sp, g, {0.0, 0.0});
  EXPECT_EQ(a, render(sun, sp, g, {0.0, 0.0}));
  const auto b = render(sun, sp, g, {160.0, 0.0});  // one default scan step
  EXPECT_NE(a, b);
  // Scanning onto the spot's centre darkens the middle of the slit.
  const double spotCounts = sun.spots.front().x / sun.arcsecPerCount;
  const auto onSpot = render(sun, sp, g, {spotCounts, 0.0});
  auto rowMean = [](const std::vector<float>& f, int row) {
    return std::accumulate(f.begin() + row * 512, f.begin() + (row + 1) * 512, 0.0) / 512;
  };
  EXPECT_LT(rowMean(onSpot, 256), 0.4 * rowMean(onSpot, 10));
  EXPECT_GT(rowMean(a, 256), 0.4 * rowMean(a, 10));
  // Another seed, another granulation.
  SunConfig other = sun;
  other.seed = sun.seed + 1;
  EXPECT_NE(render(other, sp, g, {0.0, 0.0}), a);
}

TEST(Spectrum, BinningSumsTheChargeOfTheBinnedPixels) {
  SunConfig sun;
  const Spectrograph sp = defaultSpectrograph(0);
  const Geometry g = fullFrame();
  const auto full = render(sun, sp, g, {8000.0, 0.0});
  for (auto [hbin, vbin] : {std::pair{2, 2}, std::pair{4, 1}, std::pair{3, 5}}) {
    Geometry b = g;
    b.hbin = hbin;
    b.vbin = vbin;
    const auto binned = render(sun, sp, b, {8000.0, 0.0});
    ASSERT_EQ(binned.size(), static_cast<std::size_t>((512 / hbin) * (512 / vbin)));
    for (int r = 0; r < b.height(); r += 7)
      for (int c = 0; c < b.width(); c += 5) {
        double sum = 0;
        for (int dr = 0; dr < vbin; ++dr)
          for (int dc = 0; dc < hbin; ++dc) sum += full[(r * vbin + dr) * 512 + c * hbin + dc];
        ASSERT_NEAR(binned[r * b.width() + c], sum, 1e-5 * sum) << hbin << "x" << vbin;
      }
  }
}

TEST(Spectrum, AWindowSeesItsOwnPartOfTheDetector) {
  SunConfig sun;
  const Spectrograph sp = defaultSpectrograph(0);
  const auto full = render(sun, sp, fullFrame(), {500.0, 0.0});
  Geometry w = fullFrame();
  w.hstart = 101;
  w.hend = 300;
  w.vstart = 51;
  w.vend = 450;
  const auto part = render(sun, sp, w, {500.0, 0.0});
  ASSERT_EQ(part.size(), 200u * 400u);
  for (int r = 0; r < 400; r += 13)
    for (int c = 0; c < 200; c += 11) {
      const float expected = full[(r + 50) * 512 + c + 100];
      ASSERT_NEAR(part[r * 200 + c], expected, 1e-5 * expected);
    }
}

}  // namespace
}  // namespace helx::sim::camera
