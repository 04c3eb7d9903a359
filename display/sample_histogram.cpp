// The histogram of 16-bit samples with the runtime's results, counted once per sample value
// rather than once per sample: a camera plane holds a few thousand distinct values at most, so
// the interval arithmetic runs over those and the pass over the plane only counts.
#include <cmath>
#include <cstddef>
#include <vector>

#include "display/display.h"

void CountSampleValues(const unsigned short* samples, std::size_t count, int* census) {
  for (std::size_t i = 0; i < count; i++) census[samples[i]]++;
}

int HistogramOfCensus(const int* census, double base, double top, int* histogram, double* axis,
                      int intervals) {
  if (!census || !histogram || !axis || intervals <= 0) return -1;
  for (int i = 0; i < intervals; ++i) histogram[i] = 0;
  // The interval arithmetic is the runtime's, in the same order, so a value lands where the
  // runtime puts it, boundaries included.
  double width = (top - base) / intervals;
  for (int i = 0; i < intervals; ++i) axis[i] = base + (i + 0.5) * width;
  if (!(top > base)) {
    if (base >= 0 && base < kSampleValues && base == std::floor(base))
      histogram[0] = census[static_cast<int>(base)];
    return top == base ? 0 : -1;
  }
  for (int v = 0; v < kSampleValues; ++v) {
    if (census[v] == 0) continue;
    double x = v;
    if (!(x >= base && x <= top)) continue;
    int k = static_cast<int>(std::floor((x - base) / width));
    if (k >= intervals) k = intervals - 1;
    if (k < 0) k = 0;
    histogram[k] += census[v];
  }
  return 0;
}

int SampleHistogram(const unsigned short* samples, int count, double base, double top,
                    int* histogram, double* axis, int intervals) {
  if (!samples || count < 0) return -1;
  std::vector<int> census(kSampleValues, 0);
  CountSampleValues(samples, static_cast<std::size_t>(count), census.data());
  return HistogramOfCensus(census.data(), base, top, histogram, axis, intervals);
}
