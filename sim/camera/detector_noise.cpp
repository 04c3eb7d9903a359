#include "sim/camera/detector_noise.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace helx::sim::camera {

namespace {

double gainVarianceFactor(double g) { return 2.0 * g * g - 2.0 * g + 1.0; }

}  // namespace

double expectedMean(const Response& r, double electrons) {
  return r.bias + r.emGain * electrons / r.sensitivity;
}

double expectedVariance(const Response& r, double electrons) {
  return (electrons * gainVarianceFactor(r.emGain) + r.readNoise * r.readNoise) /
         (r.sensitivity * r.sensitivity);
}

namespace {

// Poisson deviates of one fixed small mean by inversion: the cumulative distribution with a
// guide table, so that a draw costs one uniform and a step or two (dark frames, where every
// pixel has the same mean).
class PoissonTable {
 public:
  explicit PoissonTable(double mean) {
    double p = std::exp(-mean);
    double sum = p;
    cdf_.push_back(sum);
    for (std::uint32_t k = 1; sum < 1.0 - 1e-15 && k < 4096; ++k) {
      p *= mean / k;
      sum += p;
      cdf_.push_back(sum);
    }
    cdf_.back() = 2.0;  // the tail beyond ends the search
    std::size_t k = 0;
    for (std::size_t g = 0; g < kGuide; ++g) {
      const double u = static_cast<double>(g) / kGuide;
      while (cdf_[k] < u) ++k;
      guide_[g] = static_cast<std::uint32_t>(k);
    }
  }
  std::uint32_t operator()(Rng& rng) const {
    const double u = rng.uniform();
    std::uint32_t k = guide_[static_cast<std::size_t>(u * kGuide) & (kGuide - 1)];
    while (cdf_[k] < u) ++k;
    return k;
  }

 private:
  static constexpr std::size_t kGuide = 256;
  std::vector<double> cdf_;
  std::uint32_t guide_[kGuide];
};

}  // namespace

void digitize(const float* rate, double scale, double offset, std::uint16_t* out, std::size_t n,
              const Response& r, Rng& rng) {
  const double g = r.emGain < 1.0 ? 1.0 : r.emGain;
  const bool multiplying = g > 1.0;
  const auto gain = static_cast<float>(g);
  const auto gainVariance = static_cast<float>(gainVarianceFactor(g));
  const auto readVariance = static_cast<float>(r.readNoise * r.readNoise);
  const auto readNoise = static_cast<float>(r.readNoise);
  const auto toDn = static_cast<float>(1.0 / r.sensitivity);
  const auto base = static_cast<float>(r.bias + 0.5);  // + 0.5: truncation below rounds
  const auto fscale = static_cast<float>(scale);
  const auto foffset = static_cast<float>(offset);
  const auto exactBelow = static_cast<float>(kExactBelow);
  const bool uniformMean = !rate && offset < kExactBelow;
  const PoissonTable table(uniformMean ? std::max(0.0, offset) : 0.0);
  // The converter: 0 and below read 0, the ceiling and above read kAdcMax, between them the
  // value truncated (written as selects, which run several pixels wide).
  const auto toOut = [](float dn) -> std::uint16_t {
    float c = dn > 0.0f ? dn : 0.0f;
    c = c < static_cast<float>(kAdcMax) ? c : static_cast<float>(kAdcMax);
    return static_cast<std::uint16_t>(static_cast<int>(c));
  };

  // A block at a time: the means, one normal deviate per pixel in pixel order, then every
  // pixel by the normal approximation in one branch-free loop the compiler runs several
  // pixels wide, and last the faint pixels again, exactly, in pixel order. The draws depend
  // only on the seed and the means, so a seed still gives the same frame bit for bit.
  constexpr std::size_t kBlock = 256;
  float mean[kBlock];
  float normal[kBlock];
  for (std::size_t first = 0; first < n; first += kBlock) {
    const std::size_t count = std::min(kBlock, n - first);
    std::uint16_t* o = out + first;
    for (std::size_t i = 0; i < count; ++i) {
      const float m = rate ? rate[first + i] * fscale + foffset : foffset;
      mean[i] = m > 0.0f ? m : 0.0f;
    }
    const bool faint = std::any_of(mean, mean + count, [&](float m) { return m < exactBelow; });
    const bool bright = std::any_of(mean, mean + count, [&](float m) { return m >= exactBelow; });
    rng.normals(normal, count);
    for (std::size_t i = 0; bright && i < count; ++i) {
      const float m = mean[i];
      const float electrons = gain * m + std::sqrt(m * gainVariance + readVariance) * normal[i];
      o[i] = toOut(base + electrons * toDn);
    }
    if (!faint) continue;
    for (std::size_t i = 0; i < count; ++i) {
      if (mean[i] >= exactBelow) continue;
      const std::uint32_t collected = uniformMean ? table(rng) : rng.poisson(mean[i]);
      double e = collected;
      if (multiplying && collected > 0) e += (g - 1.0) * rng.gammaInteger(collected);
      o[i] = toOut(base + static_cast<float>(e + readNoise * normal[i]) * toDn);
    }
  }
}

}  // namespace helx::sim::camera
