// Decoding an 8-bit bitmap held in memory. Kept apart from the display so that the fuzz
// target links it alone.
#include <cstdint>
#include <cstring>
#include <new>

#include "files/bitmap.h"

namespace {
std::uint32_t U32(const unsigned char* p) {
  return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
         static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}
std::uint16_t U16(const unsigned char* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }
constexpr std::size_t kFileHeader = 14;
constexpr std::size_t kInfoHeader = 40;
std::int64_t Stride(std::int64_t width) { return ((8 * width + 31) / 32) * 4; }
}  // namespace

int DecodeBitmap(const unsigned char* file, std::size_t size, BitmapImage* out) {
  *out = BitmapImage{};
  if (size < kFileHeader || U16(file) != 0x4D42) return BMP_NOT_BMP;
  if (size < kFileHeader + kInfoHeader) return BMP_BAD_FORMAT;
  const unsigned char* info = file + kFileHeader;
  std::int64_t fileSize = static_cast<std::int64_t>(size);
  std::int64_t offset = U32(file + 10);
  std::int64_t infoSize = U32(info);
  std::int64_t width = static_cast<std::int32_t>(U32(info + 4));
  std::int64_t height = static_cast<std::int32_t>(U32(info + 8));
  int bits = U16(info + 14);
  std::uint32_t compression = U32(info + 16);
  std::int64_t imageSize = U32(info + 20);
  std::int64_t colours = U32(info + 32);

  if (bits != 8 || compression != 0) return BMP_BAD_FORMAT;
  if (infoSize < static_cast<std::int64_t>(kInfoHeader) ||
      static_cast<std::int64_t>(kFileHeader) + infoSize > fileSize)
    return BMP_BAD_FORMAT;
  // A negative height stores the rows top-down.
  bool topDown = height < 0;
  if (topDown) height = -height;
  if (width <= 0 || height <= 0 || width > kMaxBitmapSide || height > kMaxBitmapSide)
    return BMP_BAD_FORMAT;
  if (colours == 0) colours = 256;
  if (colours > 256) return BMP_BAD_FORMAT;
  std::int64_t paletteStart = static_cast<std::int64_t>(kFileHeader) + infoSize;
  if (paletteStart + colours * 4 > offset) return BMP_BAD_FORMAT;
  std::int64_t stride = Stride(width);
  // The last row's padding may be missing; everything else must be in the file.
  std::int64_t needed = stride * (height - 1) + width;
  if (offset > fileSize || needed > fileSize - offset) return BMP_BAD_FORMAT;
  if (imageSize != 0 && (imageSize < needed || imageSize > fileSize - offset))
    return BMP_BAD_FORMAT;

  for (std::int64_t i = 0; i < colours; i++)
    out->palette[i] = static_cast<int>(U32(file + paletteStart + 4 * i) & 0x00FFFFFF);
  unsigned char* bytes = new (std::nothrow) unsigned char[width * height];
  if (!bytes) return BMP_NO_MEMORY;
  // File row i is picture row height-1-i, unless the file stores them top-down.
  for (std::int64_t i = 0; i < height; i++) {
    std::int64_t row = topDown ? i : height - 1 - i;
    std::memcpy(bytes + row * width, file + offset + i * stride, static_cast<std::size_t>(width));
  }
  out->width = static_cast<int>(width);
  out->height = static_cast<int>(height);
  out->bytes = bytes;
  return BMP_OK;
}
