// Statistics of a plane. The sums are held in single precision on purpose: the read-outs and
// display ranges the observers compare night to night were made that way, so a bright plane's
// mean carries the same rounding here (this file is built with floating-point contraction off).
#include <cmath>
#include <cstddef>

#include "display/display.h"

float mean = 0.0f;
float stdev = 0.0f;
// Never destroyed: a run thread QUIT leaves behind may still show a frame while the program
// exits.
std::recursive_mutex& displayLock = *new std::recursive_mutex;

int GetMinMax(const unsigned short* samples, int count, unsigned short* min, unsigned short* max) {
  unsigned short lo = 65535, hi = 0;
  for (int i = 0; i < count; i++) {
    unsigned short s = samples[i];
    if (s > hi) hi = s;
    if (s < lo) lo = s;
  }
  *min = lo;
  *max = hi;
  return 0;
}

namespace {
// The single-precision sum of the samples, their minimum and maximum riding along: each sum
// waits for the one before, and the comparisons fill that wait.
float SumWithRange(const unsigned short* samples, int count, unsigned short* min,
                   unsigned short* max) {
  unsigned short lo = 65535, hi = 0;
  float sum = 0.0f;
  for (int i = 0; i < count; i++) {
    unsigned short s = samples[i];
    if (s > hi) hi = s;
    if (s < lo) lo = s;
    sum = sum + static_cast<float>(s);
  }
  *min = lo;
  *max = hi;
  return sum;
}
}  // namespace

float DataMean(int width, int height, const unsigned short* samples) {
  int count = width * height;
  if (count <= 0) return 0.0f;
  unsigned short lo = 0, hi = 0;
  return SumWithRange(samples, count, &lo, &hi) / static_cast<float>(count);
}

float DataStdev(int width, int height, const unsigned short* samples, float mean) {
  int count = width * height;
  if (count <= 0) return 0.0f;
  float sum = 0.0f;
  for (int i = 0; i < count; i++) {
    float d = static_cast<float>(samples[i]) - mean;
    float square = d * d;
    sum = sum + square;
  }
  float variance = sum / static_cast<float>(count);
  return std::sqrt(variance);
}

void GetDisplayRange(float mean, float stdev, unsigned short min, unsigned short max, int* lower,
                     int* upper) {
  int lo = static_cast<int>(mean - 3.0 * stdev);
  if (lo < min) lo = min;
  int hi = static_cast<int>(mean + 3.0 * stdev);
  if (max < hi) hi = max;
  // The single-precision mean of a bright plane can lie above its maximum; keep both ends on
  // the plane's own values so they stay 16-bit display bounds.
  if (lo > max) lo = max;
  if (hi < min) hi = min;
  *lower = lo;
  *upper = hi;
}

void MeasurePlane(const Plane& plane, unsigned short* min, unsigned short* max, int* lower,
                  int* upper) {
  if (!plane.data || plane.width <= 0 || plane.height <= 0) {
    mean = stdev = 0.0f;
    *min = *max = 0;
    *lower = *upper = 0;
    return;
  }
  const int count = plane.width * plane.height;
  mean = SumWithRange(plane.data, count, min, max) / static_cast<float>(count);
  stdev = DataStdev(plane.width, plane.height, plane.data, mean);
  GetDisplayRange(mean, stdev, *min, *max, lower, upper);
}

void FillGreyColorTable(int* table) {
  for (int k = 0; k < 256; k++) table[k] = k * 0x010101;
}
