// Random numbers for the camera simulator: fast enough to put independent noise on every pixel
// of a frame many times faster than a camera reads it out.
//
// Rng is xoshiro256++ seeded through splitmix64: one 64-bit draw costs about a nanosecond and
// the stream depends only on the seed, so a frame is the same on every machine for a seed.
// normal() uses the ziggurat method (Marsaglia and Tsang, 128 layers), which needs no logarithm
// in 99% of draws. poisson() and gammaInteger() are exact; the detector model switches to a
// normal approximation for large means itself.
//
// Threads: an Rng is a value; use one per thread.
#pragma once

#include <cstddef>
#include <cstdint>

namespace helx::sim::camera {

// Mixes a 64-bit value; also used to derive the seed of each frame from a head's seed.
std::uint64_t splitmix64(std::uint64_t& state);
std::uint64_t mixSeed(std::uint64_t a, std::uint64_t b);

class Rng {
 public:
  explicit Rng(std::uint64_t seed);

  std::uint64_t next() {
    const std::uint64_t result = rotl(s_[0] + s_[3], 23) + s_[0];
    const std::uint64_t t = s_[1] << 17;
    s_[2] ^= s_[0];
    s_[3] ^= s_[1];
    s_[1] ^= s_[2];
    s_[0] ^= s_[3];
    s_[2] ^= t;
    s_[3] = rotl(s_[3], 45);
    return result;
  }
  // Uniform in (0, 1]: never 0, so its logarithm is finite.
  double uniform() { return static_cast<double>((next() >> 11) + 1) * 0x1.0p-53; }
  // Standard normal deviate.
  double normal();
  // n standard normal deviates, the same as n calls of normal() in a row, in single precision:
  // the fast path of every draw inlined in one loop.
  void normals(float* out, std::size_t n);
  // Poisson deviate of mean `mean` (exact; cost grows with the mean, meant for small means).
  std::uint32_t poisson(double mean);
  // Sum of `n` exponential deviates of mean 1, i.e. a gamma deviate of integer shape n.
  double gammaInteger(std::uint32_t n);

 private:
  static std::uint64_t rotl(std::uint64_t x, int k) { return (x << k) | (x >> (64 - k)); }
  double normalTail(std::int64_t hz, unsigned iz);
  std::uint64_t s_[4];
};

}  // namespace helx::sim::camera
