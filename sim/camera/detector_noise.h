// From mean charge to digital numbers: photon (shot) noise, electron multiplication, read noise,
// bias and the 14-bit converter of an EMCCD.
//
// For each pixel the mean number of electrons collected, m (light, dark current and clock-induced
// charge together), gives:
//   n  ~ Poisson(m)                                  collected electrons
//   e  = n + Gamma(n, G - 1)                          after the gain register of real gain G >= 1
//                                                     (mean G m, variance m (2G^2 - 2G + 1):
//                                                     the excess noise factor tends to 2)
//   e += Normal(0, readNoise)                         output amplifier, electrons rms
//   DN = round(bias + e / sensitivity), clipped to [0, 16383]
// Above a mean of kExactBelow electrons the sum is drawn as one normal deviate of the same mean
// and variance (the Poisson law is then indistinguishable from it), which keeps a 512 x 512
// frame at a millisecond or two.
//
// Threads: pure functions of their arguments; the Rng is the caller's.
#pragma once

#include <cstddef>
#include <cstdint>

#include "sim/camera/random.h"

namespace helx::sim::camera {

inline constexpr std::uint16_t kAdcMax = 16383;  // 14-bit converter

struct Response {
  double sensitivity = 10.0;  // electrons per DN (after the gain register)
  double readNoise = 50.0;    // electrons rms at the amplifier
  double emGain = 1.0;        // real multiplication gain, >= 1
  double bias = 1000.0;       // DN
};

inline constexpr double kExactBelow = 25.0;

// Mean DN and variance (DN^2) of a pixel whose mean charge is `electrons`, before clipping and
// rounding: what the statistics of a flat field should show.
double expectedMean(const Response& r, double electrons);
double expectedVariance(const Response& r, double electrons);

// out[i] = digitised pixel whose mean charge is rate[i] * scale + offset (rate may be null: a
// uniform offset, e.g. a dark frame).
void digitize(const float* rate, double scale, double offset, std::uint16_t* out, std::size_t n,
              const Response& r, Rng& rng);

}  // namespace helx::sim::camera
