#include "camera/frame_geometry.h"

bool GetFrameGeometry(int width, int height, int hbin, int vbin, FrameGeometry* out) {
  if (hbin <= 0 || vbin <= 0 || !out) return false;
  FrameGeometry g;
  if (width > 1000) {
    g.vsSpeed = 3;
    g.nh = (width / hbin) / 2;
    g.nv = ((height - 2) / vbin) / 2;
    g.hbin = 2 * hbin;
    g.vbin = 2 * vbin;
    g.hend = width;
    g.vend = height - 2;
  } else {
    g.vsSpeed = 4;
    g.nh = width / hbin;
    g.nv = height / vbin;
    g.hbin = hbin;
    g.vbin = vbin;
    g.hend = width;
    g.vend = height;
  }
  *out = g;
  return true;
}

namespace {
// The binned size shrinks as the binning grows, so the largest binning that keeps a pixel is
// found by halving the interval.
template <typename Size>
int largestBinning(int pixels, Size size) {
  int keeps = 0, lost = pixels + 1;  // size(keeps) >= 1, size(lost) < 1
  while (lost - keeps > 1) {
    const int mid = keeps + (lost - keeps) / 2;
    (size(mid) >= 1 ? keeps : lost) = mid;
  }
  return keeps;
}
}  // namespace

int LargestHorizontalBinning(int width, int height) {
  return largestBinning(width, [&](int bin) {
    FrameGeometry g;
    return GetFrameGeometry(width, height, bin, 1, &g) ? g.nh : 0;
  });
}

int LargestVerticalBinning(int width, int height) {
  return largestBinning(height, [&](int bin) {
    FrameGeometry g;
    return GetFrameGeometry(width, height, 1, bin, &g) ? g.nv : 0;
  });
}
