// The read-out window and binned frame size of a camera, shared by the acquisition settings
// and the bias/dark series so that both read the same frames.
//
// A detector wider than 1000 pixels (the large head) is binned twice more than asked and loses
// its last two rows; it shifts at vertical speed index 3 instead of 4.
#pragma once

struct FrameGeometry {
  int nh = 0, nv = 0;        // binned frame width and height
  int vsSpeed = 4;           // vertical-shift speed index
  int hbin = 1, vbin = 1;    // binning handed to SetImage
  int hstart = 1, hend = 0;  // window handed to SetImage
  int vstart = 1, vend = 0;
};

// False (and `out` untouched) for a binning of 0 or less, which would divide by zero.
bool GetFrameGeometry(int width, int height, int hbin, int vbin, FrameGeometry* out);
// The largest binning along each axis of a width x height detector that still leaves a frame
// of at least one pixel (0 for a detector that reported no size): the large head halves its
// frame, so it allows half its pixels.
int LargestHorizontalBinning(int width, int height);
int LargestVerticalBinning(int width, int height);
