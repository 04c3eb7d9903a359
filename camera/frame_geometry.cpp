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
