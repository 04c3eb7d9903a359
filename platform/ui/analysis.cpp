// The analysis library's histogram: `intervals` equal intervals from base to top, the axis
// values being the interval centres; a sample equal to top counts in the last interval, samples
// outside [base, top] are not counted.
#include <cmath>

#include "platform/ui/userint.h"

int Histogram(const double* input, int count, double base, double top, int* histogram, double* axis,
              int intervals) {
  if (!input || !histogram || !axis || count < 0 || intervals <= 0) return -1;
  for (int i = 0; i < intervals; ++i) histogram[i] = 0;
  double width = (top - base) / intervals;
  for (int i = 0; i < intervals; ++i) axis[i] = base + (i + 0.5) * width;
  if (!(top > base)) {
    // An empty range: every sample equal to base is counted once, in the first interval.
    for (int i = 0; i < count; ++i)
      if (input[i] == base) ++histogram[0];
    return top == base ? 0 : -1;
  }
  for (int i = 0; i < count; ++i) {
    double x = input[i];
    if (!(x >= base && x <= top)) continue;
    int k = static_cast<int>(std::floor((x - base) / width));
    if (k >= intervals) k = intervals - 1;
    if (k < 0) k = 0;
    ++histogram[k];
  }
  return 0;
}
