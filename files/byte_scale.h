// The one rule that turns a sample into a byte, shared by the picture on the screen and the
// bitmap export, so that an exported file shows exactly what the operator saw.
#pragma once

// The byte of one sample between lower and upper (range = upper - lower): lower and below
// black, upper and above white, inverted when range < 0; an empty range splits at lower.
inline unsigned char ScaleToByte(int sample, int lower, int range) {
  float v;
  if (range == 0) {
    v = sample >= lower ? 1.0f : 0.0f;
  } else {
    v = static_cast<float>(sample - lower) / static_cast<float>(range);
    if (!(v <= 1.0f)) v = 1.0f;
    if (v < 0.0f) v = 0.0f;
  }
  return static_cast<unsigned char>(255.0 * v);
}
