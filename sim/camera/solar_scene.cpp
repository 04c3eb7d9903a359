#include "sim/camera/solar_scene.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>

#include "sim/camera/random.h"

namespace helx::sim::camera {

namespace {

constexpr double kLightSpeed = 299792.458;  // km/s
constexpr double kC2 = 1.4388e8;            // second radiation constant, A K

double logistic(double x) { return 1.0 / (1.0 + std::exp(-x)); }

// A feature point in each cell of a square grid, jittered by a hash of the cell and the seed.
void featurePoint(std::uint64_t seed, long ix, long iy, double& fx, double& fy) {
  std::uint64_t h =
      mixSeed(seed, (static_cast<std::uint64_t>(ix) << 32) ^ static_cast<std::uint32_t>(iy));
  fx = static_cast<double>(ix) + static_cast<double>(h & 0xFFFFFF) / 16777216.0;
  fy = static_cast<double>(iy) + static_cast<double>((h >> 24) & 0xFFFFFF) / 16777216.0;
}

// Granule interior: 0 on the lanes between granules, towards 1 at their centres.
double granuleInterior(const SunConfig& sun, double x, double y) {
  const double gx = x / sun.granuleSize;
  const double gy = y / sun.granuleSize;
  const long cx = static_cast<long>(std::floor(gx));
  const long cy = static_cast<long>(std::floor(gy));
  double q1 = 1e18, q2 = 1e18;  // squared distances to the nearest and second nearest points
  for (long j = cy - 1; j <= cy + 1; ++j)
    for (long i = cx - 1; i <= cx + 1; ++i) {
      double fx, fy;
      featurePoint(sun.seed, i, j, fx, fy);
      const double q = (gx - fx) * (gx - fx) + (gy - fy) * (gy - fy);
      if (q < q1) {
        q2 = q1;
        q1 = q;
      } else if (q < q2) {
        q2 = q;
      }
    }
  const double f1 = std::sqrt(q1);
  const double f2 = std::sqrt(q2);
  // Bright, rounded granule centres; lanes about a fifth of a granule wide.
  const double edge = 1.0 - std::exp(-(f2 - f1) / 0.22);
  return edge * (0.75 + 0.25 * std::exp(-2.0 * f1 * f1));
}

// The pseudo-Voigt profile, depth x ((1 - lorentz) 2^(-u^2) + lorentz / (1 + u^2)) with u the
// offset from the centre in half widths, evaluated branch-free so that the compiler can run four
// columns at once: the Gaussian core within |u| < kCoreReach only (beyond, it is below 1e-10),
// the Lorentzian wings as far as they exceed 1e-5.
constexpr float kCoreReach = 5.7f;

// 2^t for -126 < t <= 0 (relative error below 2e-5).
inline float exp2Negative(float t) {
  const int i = static_cast<int>(t);          // towards zero
  const float f = t - static_cast<float>(i);  // (-1, 0]
  const float p =
      1.0f +
      f * (0.69314718f +
           f * (0.24022651f +
                f * (0.05550411f + f * (0.00961813f + f * (0.00133336f + f * 0.00015404f)))));
  std::int32_t bits;
  std::memcpy(&bits, &p, sizeof bits);
  bits += i * (1 << 23);
  float out;
  std::memcpy(&out, &bits, sizeof out);
  return out;
}

void absorbWings(float* __restrict row, const float* __restrict offset, int c0, int c1,
                 float centre, float invWidth, float wing) {
  for (int c = c0; c < c1; ++c) {
    const float u = (offset[c] - centre) * invWidth;
    row[c] *= 1.0f - wing / (1.0f + u * u);
  }
}

void absorbCore(float* __restrict row, const float* __restrict offset, int c0, int c1, float centre,
                float invWidth, float core, float wing) {
  for (int c = c0; c < c1; ++c) {
    const float u = (offset[c] - centre) * invWidth;
    const float u2 = u * u;
    row[c] *= 1.0f - core * exp2Negative(-u2) - wing / (1.0f + u2);
  }
}

// Columns [first, last) whose wavelength offset lies within centre +- reach.
void columnsWithin(double centre, double reach, double step, int cols, int& first, int& last) {
  const double lo = std::ceil((centre - reach) / step);
  const double hi = std::floor((centre + reach) / step) + 1.0;
  first = static_cast<int>(std::clamp(lo, 0.0, static_cast<double>(cols)));
  last = static_cast<int>(std::clamp(hi, 0.0, static_cast<double>(cols)));
  if (last < first) last = first;
}

}  // namespace

Surface sampleSurface(const SunConfig& sun, double x, double y) {
  const double s = granuleInterior(sun, x, y);
  const double quietT = sun.quietTemperature + sun.granulationContrast * (s - 0.7);
  const double quietV = sun.laneDownflow * (1.0 - s) - sun.granuleUpflow * s;
  Surface out{quietT, quietV, 0.0};
  for (const Spot& spot : sun.spots) {
    const double dx = x - spot.x;
    const double dy = y - spot.y;
    const double r = std::sqrt(dx * dx + dy * dy);
    if (r > 1.2 * spot.penumbraRadius + 5.0) continue;
    constexpr double kEdge = 0.25;  // arcsec, softness of the spot's boundaries
    const double theta = std::atan2(dy, dx);
    // Neither boundary is a perfect circle.
    const double umbraRadius = spot.umbraRadius * (1.0 + 0.06 * std::cos(3.0 * theta + 0.7) +
                                                   0.04 * std::cos(5.0 * theta + 2.1));
    const double penumbraRadius = spot.penumbraRadius * (1.0 + 0.08 * std::cos(2.0 * theta + 1.9) +
                                                         0.05 * std::cos(7.0 * theta + 0.4));
    const double umbra = logistic((umbraRadius - r) / kEdge);
    const double inside = logistic((penumbraRadius - r) / kEdge);
    const double penumbra = inside - umbra;
    const double quiet = 1.0 - inside;
    const double radial = std::clamp((r - umbraRadius) / (penumbraRadius - umbraRadius), 0.0, 1.0);
    // Radial filaments, slightly curved and of irregular width.
    const double filament =
        0.5 + 0.25 * std::cos(47.0 * theta + 3.0 * std::sin(5.0 * theta) + 2.0 * radial) +
        0.25 * std::cos(83.0 * theta + 1.3 + 2.0 * std::cos(3.0 * theta));
    const double penumbraT = spot.penumbraTemperature + 350.0 * (filament - 0.5);
    // The Evershed flow runs in the dark filaments and grows outwards.
    const double evershed = spot.evershed * std::cos(theta - spot.limbAzimuth) * (1.2 - filament) *
                            std::sin(std::numbers::pi * (0.15 + 0.85 * radial));
    out.temperature =
        umbra * spot.umbraTemperature + penumbra * penumbraT + quiet * out.temperature;
    out.velocity = penumbra * evershed + quiet * out.velocity;
    out.field = std::max(out.field, umbra + 0.6 * penumbra);
  }
  return out;
}

double columnWavelength(const Spectrograph& s, int detectorWidth, double column,
                        double gratingSteps) {
  return s.centreWavelength + (column - 0.5 * (detectorWidth - 1)) * s.dispersion +
         (gratingSteps - s.gratingReference) * s.angstromPerStep;
}

double trueIntensity(const SunConfig& sun, const Spectrograph& sp, double x, double y,
                     double wavelength) {
  const Surface s = sampleSurface(sun, x, y);
  double intensity =
      std::exp(kC2 / sp.centreWavelength * (1.0 / sun.quietTemperature - 1.0 / s.temperature));
  for (const SpectralLine& line : sp.lines) {
    const double centre =
        line.telluric ? line.wavelength : line.wavelength * (1.0 + s.velocity / kLightSpeed);
    const double width = line.halfWidth * (line.telluric ? 1.0 : 1.0 + line.zeeman * s.field);
    const double u2 = std::pow((wavelength - centre) / width, 2);
    const double wing = line.depth * line.lorentz;
    intensity *= 1.0 - (line.depth - wing) * std::exp2(-u2) - wing / (1.0 + u2);
  }
  return intensity;
}

void renderSpectrum(const SunConfig& sun, const Spectrograph& sp, const Geometry& g,
                    OpticsPosition at, const float* response, float* out) {
  const int nh = g.width();
  const int nv = g.height();
  if (nh <= 0 || nv <= 0) return;
  const int cols = nh * g.hbin;  // detector columns that reach the output
  const int col0 = g.hstart - 1;
  // Wavelengths as offsets from the first column's, in float: exact enough (1e-6 of a pixel)
  // and twice as fast in the inner loop.
  const double lambdaFirst = columnWavelength(sp, g.detectorWidth, col0, at.gratingSteps);
  std::vector<float> lambda(cols);
  for (int c = 0; c < cols; ++c)
    lambda[c] = static_cast<float>(
        columnWavelength(sp, g.detectorWidth, col0 + c, at.gratingSteps) - lambdaFirst);
  const double x = at.scannerCounts * sun.arcsecPerCount;
  const double brightnessScale = kC2 / sp.centreWavelength;
  const double step = sp.dispersion;
  std::vector<float> row(cols);

  for (int rb = 0; rb < nv; ++rb) {
    float* acc = out + static_cast<std::size_t>(rb) * nh;
    std::fill(acc, acc + nh, 0.0f);
    for (int sub = 0; sub < g.vbin; ++sub) {
      const int r = g.vstart - 1 + rb * g.vbin + sub;
      const double y = (r - 0.5 * (g.detectorHeight - 1)) * sp.arcsecPerRow;
      const Surface s = sampleSurface(sun, x, y);
      const double continuum =
          std::exp(brightnessScale * (1.0 / sun.quietTemperature - 1.0 / s.temperature));
      const float base = static_cast<float>(sp.continuumRate * continuum);
      const float* resp =
          response ? response + static_cast<std::size_t>(r) * g.detectorWidth + col0 : nullptr;
      for (int c = 0; c < cols; ++c) row[c] = resp ? base * resp[c] : base;
      for (std::size_t l = 0; l < sp.lines.size(); ++l) {
        const SpectralLine& line = sp.lines[l];
        const double centre =
            line.telluric ? line.wavelength : line.wavelength * (1.0 + s.velocity / kLightSpeed);
        const double halfWidth =
            line.halfWidth * (line.telluric ? 1.0 : 1.0 + line.zeeman * s.field);
        const auto centreOffset = static_cast<float>(centre - lambdaFirst);
        const auto invWidth = static_cast<float>(1.0 / halfWidth);
        const double wing = line.depth * line.lorentz;
        const double core = line.depth - wing;
        const double wingReach = wing > 0.0 ? std::sqrt(wing * 1e5) : 0.0;
        int c0, c1, g0, g1;
        columnsWithin(centre - lambdaFirst, std::max<double>(kCoreReach, wingReach) * halfWidth,
                      step, cols, c0, c1);
        columnsWithin(centre - lambdaFirst, kCoreReach * halfWidth, step, cols, g0, g1);
        absorbWings(row.data(), lambda.data(), c0, g0, centreOffset, invWidth,
                    static_cast<float>(wing));
        absorbCore(row.data(), lambda.data(), g0, g1, centreOffset, invWidth,
                   static_cast<float>(core), static_cast<float>(wing));
        absorbWings(row.data(), lambda.data(), g1, c1, centreOffset, invWidth,
                    static_cast<float>(wing));
      }
      for (int cb = 0; cb < nh; ++cb) {
        float sum = 0.0f;
        const float* p = row.data() + cb * g.hbin;
        for (int k = 0; k < g.hbin; ++k) sum += p[k];
        acc[cb] += sum;
      }
    }
  }
}

}  // namespace helx::sim::camera
