// The simulated instrument held against its own truth: a 100-step scan across the synthetic
// Sun, its column slice at the H-alpha line core (bias/dark subtracted), against the scene's
// line-core intensity at the same slit positions and rows.
#include <cmath>
#include <vector>

#include "observing_fixture.h"
#include "platform/atmcd/atmcd_sim.h"
#include "scanner/scanner.h"
#include "sim/camera/solar_scene.h"
#include "state/observation_state.h"

namespace {

double pearson(const std::vector<double>& a, const std::vector<double>& b) {
  const double n = static_cast<double>(a.size());
  double ma = 0, mb = 0;
  for (std::size_t i = 0; i < a.size(); ++i) ma += a[i] / n, mb += b[i] / n;
  double sab = 0, saa = 0, sbb = 0;
  for (std::size_t i = 0; i < a.size(); ++i) {
    sab += (a[i] - ma) * (b[i] - mb);
    saa += (a[i] - ma) * (a[i] - ma);
    sbb += (b[i] - mb) * (b[i] - mb);
  }
  return sab / std::sqrt(saa * sbb);
}

}  // namespace

TEST_F(Observing, TheLineCoreSliceOfAScanFollowsTheScenesTruth) {
  simulate();
  observe([&] {
    powerOn();
    Observation s;
    s.frames = 100;
    setup(s);
    runAndWait(120);
    expectScanFrames({1}, 1, 100);
    auto cubes = files("A");
    ASSERT_EQ(cubes.size(), 1u);
    const FitsFile& cube = cubes[0];
    const int width = static_cast<int>(cube.naxes[0]), height = static_cast<int>(cube.naxes[1]);
    ASSERT_EQ(width, 128);

    helx::sim::camera::HeadConfig config;
    helx::sim::camera::SunConfig sun;
    helx::atmcd_sim::withHead(1, [&](helx::sim::camera::Head& h) {
      config = h.config();
      sun = h.sun();
    });
    const auto& sp = config.spectrograph;
    const int bin = config.width / width;  // 4 x 4
    const double stepCounts = 10.0 * step_moved;

    // Every frame of the scan, by its step, with where the camera really exposed it.
    std::vector<double> measured, truth;
    for (const Exposure& x : exposures(1)) {
      const long k = std::lround(x.scanner / stepCounts);
      if (k < 1 || k > 100) continue;  // the pre-scan exposures at the start
      // The binned column nearest the line core with the grating where it stood.
      int core = 0;
      double nearest = 1e9;
      for (int c = 0; c < width; ++c) {
        const double lambda = helx::sim::camera::columnWavelength(
            sp, config.width, c * bin + 0.5 * (bin - 1), x.grating);
        if (std::abs(lambda - 6562.808) < nearest) nearest = std::abs(lambda - 6562.808), core = c;
      }
      const float* frame = cube.pixels.data() + static_cast<std::size_t>(k - 1) * width * height;
      for (int r = 0; r < height; ++r) {
        const std::size_t i = static_cast<std::size_t>(r) * width + core;
        if (frame[i] == 0) continue;  // a frame dropped under a sanitizer
        measured.push_back(frame[i] - BiasDark1[i]);
        double sum = 0;
        for (int dr = 0; dr < bin; ++dr)
          for (int dc = 0; dc < bin; ++dc) {
            const double y = (r * bin + dr - 0.5 * (config.height - 1)) * sp.arcsecPerRow;
            const double lambda =
                helx::sim::camera::columnWavelength(sp, config.width, core * bin + dc, x.grating);
            sum += helx::sim::camera::trueIntensity(sun, sp, x.scanner * sun.arcsecPerCount, y,
                                                    lambda);
          }
        truth.push_back(sum);
      }
    }
    ASSERT_GT(measured.size(), 50u * 128u);
    const double r = pearson(measured, truth);
    EXPECT_GE(r, 0.95) << "Pearson correlation " << r;
    RecordProperty("pearson", std::to_string(r));
    quit();
  });
}
