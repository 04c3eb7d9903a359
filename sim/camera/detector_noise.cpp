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
  const auto toDn = static_cast<float>(1.0 / r.sensitivity);
  const auto base = static_cast<float>(r.bias + 0.5);  // + 0.5: truncation below rounds
  const auto fscale = static_cast<float>(scale);
  const auto foffset = static_cast<float>(offset);
  const auto exactBelow = static_cast<float>(kExactBelow);
  const bool uniformMean = !rate && offset < kExactBelow;
  const PoissonTable table(uniformMean ? std::max(0.0, offset) : 0.0);
  for (std::size_t i = 0; i < n; ++i) {
    float mean = rate ? rate[i] * fscale + foffset : foffset;
    if (mean < 0.0f) mean = 0.0f;
    float electrons;
    if (mean >= exactBelow) {
      electrons = gain * mean +
                  std::sqrt(mean * gainVariance + readVariance) * static_cast<float>(rng.normal());
    } else {
      const std::uint32_t collected = uniformMean ? table(rng) : rng.poisson(mean);
      double e = collected;
      if (multiplying && collected > 0) e += (g - 1.0) * rng.gammaInteger(collected);
      electrons = static_cast<float>(e + r.readNoise * rng.normal());
    }
    const float dn = base + electrons * toDn;
    out[i] = dn <= 0.0f ? 0 : dn >= kAdcMax ? kAdcMax : static_cast<std::uint16_t>(dn);
  }
}

}  // namespace helx::sim::camera
