// 8-bit grey bitmap files: reading one, exporting a plane.
#pragma once

#include <cstddef>

// A decoded 8-bit bitmap: pixels top row first, no padding, palette as 0x00RRGGBB.
struct BitmapImage {
  int width = 0;
  int height = 0;
  int palette[256] = {};
  unsigned char* bytes = nullptr;  // new[]; the caller releases or hands it on
};

enum { BMP_OK = 0, BMP_NOT_BMP = 1, BMP_BAD_FORMAT = 2, BMP_NO_MEMORY = 3, BMP_NO_FILE = 4 };
// Largest width or height accepted, far beyond any detector here.
constexpr int kMaxBitmapSide = 16384;

// Decodes a whole file held in memory. Every header field is checked against the real size
// and against overflow before anything is allocated or read.
int DecodeBitmap(const unsigned char* file, std::size_t size, BitmapImage* out);

// Reads and decodes a whole file (files larger than the biggest picture accepted are not read):
// BMP_OK with `out` filled, or the reason it was refused.
int ReadBitmapFile(const char* fileName, BitmapImage* out);

// Writes a plane scaled between lower and upper as an 8-bit grey bitmap, plane row 0 at the
// bottom. Returns 1, or 0 (with a popup) when the file cannot be created or written.
int SaveBitmap(int width, int height, const unsigned short* samples, const char* fileName,
               int lower, int upper);
