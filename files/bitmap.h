// 8-bit grey bitmap files: reading one into the graphic panel, exporting the current plane.
#pragma once

#include <cstddef>

// A decoded 8-bit bitmap: pixels top row first, no padding, palette as 0x00RRGGBB.
struct BitmapImage {
  int width = 0;
  int height = 0;
  int palette[256] = {};
  unsigned char* bytes = nullptr;  // new[]; the caller releases or hands it on
};

enum { BMP_OK = 0, BMP_NOT_BMP = 1, BMP_BAD_FORMAT = 2, BMP_NO_MEMORY = 3 };
// Largest width or height accepted, far beyond any detector here.
constexpr int kMaxBitmapSide = 16384;

// Decodes a whole file held in memory. Every header field is checked against the real size
// and against overflow before anything is allocated or read.
int DecodeBitmap(const unsigned char* file, std::size_t size, BitmapImage* out);

// Reads and shows a bitmap file: 1 shown, 0 refused (with its popup), -1 when the graphic
// panel cannot be loaded. Changes no plane, header, statistic or slider.
int OpenBitmap(const char* fileName);

// Writes a plane scaled between lower and upper as an 8-bit grey bitmap, plane row 0 at the
// bottom. Returns 1, or 0 (with a popup) when the file cannot be created or written.
int SaveBitmap(int width, int height, const unsigned short* samples, const char* fileName,
               int lower, int upper);
