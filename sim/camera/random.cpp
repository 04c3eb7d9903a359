#include "sim/camera/random.h"

#include <cmath>

namespace helx::sim::camera {

std::uint64_t splitmix64(std::uint64_t& state) {
  std::uint64_t z = (state += 0x9E3779B97F4A7C15ull);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

std::uint64_t mixSeed(std::uint64_t a, std::uint64_t b) {
  std::uint64_t state = a ^ (b * 0xD1B54A32D192ED03ull);
  splitmix64(state);
  return splitmix64(state);
}

Rng::Rng(std::uint64_t seed) {
  std::uint64_t state = seed;
  for (auto& word : s_) word = splitmix64(state);
}

namespace {

// Ziggurat tables for the standard normal, 128 layers (Marsaglia and Tsang, 2000).
struct Ziggurat {
  static constexpr double kR = 3.442619855899;
  std::uint32_t kn[128];
  double wn[128];
  double fn[128];

  Ziggurat() {
    const double m1 = 2147483648.0;
    const double vn = 9.91256303526217e-3;
    double dn = kR;
    double tn = dn;
    const double q = vn / std::exp(-0.5 * dn * dn);
    kn[0] = static_cast<std::uint32_t>((dn / q) * m1);
    kn[1] = 0;
    wn[0] = q / m1;
    wn[127] = dn / m1;
    fn[0] = 1.0;
    fn[127] = std::exp(-0.5 * dn * dn);
    for (int i = 126; i >= 1; --i) {
      dn = std::sqrt(-2.0 * std::log(vn / dn + std::exp(-0.5 * dn * dn)));
      kn[i + 1] = static_cast<std::uint32_t>((dn / tn) * m1);
      tn = dn;
      fn[i] = std::exp(-0.5 * dn * dn);
      wn[i] = dn / m1;
    }
  }
};

const Ziggurat& ziggurat() {
  static const Ziggurat z;
  return z;
}

// One deviate from one 64-bit draw: the ziggurat's fast path, else the wedges and the tail.
template <typename Tail>
double normalFrom(const Ziggurat& z, std::uint64_t u, Tail tail) {
  const unsigned iz = static_cast<unsigned>(u & 127u);
  const std::int64_t hz = static_cast<std::int32_t>(static_cast<std::uint32_t>(u >> 32));
  if ((hz < 0 ? -hz : hz) < static_cast<std::int64_t>(z.kn[iz]))
    return static_cast<double>(hz) * z.wn[iz];
  return tail(hz, iz);
}

}  // namespace

double Rng::normal() {
  return normalFrom(ziggurat(), next(),
                    [this](std::int64_t hz, unsigned iz) { return normalTail(hz, iz); });
}

void Rng::normals(float* out, std::size_t n) {
  const Ziggurat& z = ziggurat();
  const auto tail = [this](std::int64_t hz, unsigned iz) { return normalTail(hz, iz); };
  for (std::size_t i = 0; i < n; ++i) out[i] = static_cast<float>(normalFrom(z, next(), tail));
}

double Rng::normalTail(std::int64_t hz, unsigned iz) {
  const Ziggurat& z = ziggurat();
  while (true) {
    double x = static_cast<double>(hz) * z.wn[iz];
    if (iz == 0) {
      double y;
      do {
        x = -std::log(uniform()) / Ziggurat::kR;
        y = -std::log(uniform());
      } while (y + y < x * x);
      return hz > 0 ? Ziggurat::kR + x : -Ziggurat::kR - x;
    }
    if (z.fn[iz] + uniform() * (z.fn[iz - 1] - z.fn[iz]) < std::exp(-0.5 * x * x)) return x;
    const std::uint64_t u = next();
    iz = static_cast<unsigned>(u & 127u);
    hz = static_cast<std::int32_t>(static_cast<std::uint32_t>(u >> 32));
    if ((hz < 0 ? -hz : hz) < static_cast<std::int64_t>(z.kn[iz]))
      return static_cast<double>(hz) * z.wn[iz];
  }
}

std::uint32_t Rng::poisson(double mean) {
  if (!(mean > 0.0)) return 0;
  // Knuth's multiplication method, in chunks so that exp(-chunk) never underflows.
  std::uint32_t count = 0;
  while (mean > 0.0) {
    const double chunk = mean < 500.0 ? mean : 500.0;
    mean -= chunk;
    const double limit = std::exp(-chunk);
    double product = uniform();
    while (product > limit) {
      ++count;
      product *= uniform();
    }
  }
  return count;
}

double Rng::gammaInteger(std::uint32_t n) {
  // -log of a product of n uniforms, the product renormalised before it can underflow.
  double logSum = 0.0;
  double product = 1.0;
  for (std::uint32_t i = 0; i < n; ++i) {
    product *= uniform();
    if (product < 1e-200) {
      logSum += std::log(product);
      product = 1.0;
    }
  }
  return -(logSum + std::log(product));
}

}  // namespace helx::sim::camera
