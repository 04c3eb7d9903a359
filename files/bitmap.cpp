// Bitmap files. The layout written: 14-byte file header, 40-byte information header, a
// 256-entry grey palette, then the rows bottom-up, each padded to a multiple of 4 bytes.
#include "files/bitmap.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <new>
#include <vector>

#include "files/byte_scale.h"
#include "platform/ui/userint.h"

namespace {
constexpr std::size_t kFileHeader = 14;
constexpr std::size_t kInfoHeader = 40;
constexpr std::size_t kPixelOffset = kFileHeader + kInfoHeader + 256 * 4;  // 1078
// Files larger than the biggest picture accepted plus its headers are not read at all.
constexpr std::int64_t kMaxFileSize =
    static_cast<std::int64_t>(kMaxBitmapSide) * kMaxBitmapSide + (1 << 20);

std::uint16_t U16(const unsigned char* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }
void Put32(unsigned char* p, std::uint32_t v) {
  for (int i = 0; i < 4; i++) p[i] = static_cast<unsigned char>(v >> (8 * i));
}
void Put16(unsigned char* p, std::uint16_t v) {
  p[0] = static_cast<unsigned char>(v);
  p[1] = static_cast<unsigned char>(v >> 8);
}
std::int64_t Stride(std::int64_t width) { return ((8 * width + 31) / 32) * 4; }
}  // namespace

int ReadBitmapFile(const char* fileName, BitmapImage* out) {
  FILE* fp = std::fopen(fileName, "rb");
  if (!fp) return BMP_NO_FILE;
  std::vector<unsigned char> file;
  std::int64_t size = -1;
  if (std::fseek(fp, 0, SEEK_END) == 0) size = std::ftell(fp);
  std::rewind(fp);
  int code = BMP_BAD_FORMAT;
  unsigned char head[kFileHeader];
  std::size_t got = size >= 0 ? std::fread(head, 1, kFileHeader, fp) : 0;
  if (got < kFileHeader || U16(head) != 0x4D42) {
    code = BMP_NOT_BMP;
  } else if (size <= kMaxFileSize) {
    try {
      file.resize(static_cast<std::size_t>(size));
      std::memcpy(file.data(), head, kFileHeader);
      std::size_t rest = std::fread(file.data() + kFileHeader, 1, file.size() - kFileHeader, fp);
      file.resize(kFileHeader + rest);
      code = BMP_OK;
    } catch (const std::bad_alloc&) {
      code = BMP_NO_MEMORY;
    }
  }
  std::fclose(fp);
  if (code == BMP_OK) code = DecodeBitmap(file.data(), file.size(), out);
  return code;
}

int SaveBitmap(int width, int height, const unsigned short* samples, const char* fileName,
               int lower, int upper) {
  if (!samples || width <= 0 || height <= 0) return 0;
  std::int64_t stride = Stride(width);
  std::int64_t imageSize = stride * height;
  if (imageSize > 0xFFFFFFFFLL - static_cast<std::int64_t>(kPixelOffset)) return 0;

  unsigned char header[kPixelOffset] = {};
  Put16(header, 0x4D42);
  Put32(header + 2, static_cast<std::uint32_t>(kPixelOffset + imageSize));
  Put32(header + 10, static_cast<std::uint32_t>(kPixelOffset));
  unsigned char* info = header + kFileHeader;
  Put32(info, kInfoHeader);
  Put32(info + 4, static_cast<std::uint32_t>(width));
  Put32(info + 8, static_cast<std::uint32_t>(height));
  Put16(info + 12, 1);
  Put16(info + 14, 8);
  Put32(info + 20, static_cast<std::uint32_t>(imageSize));
  Put32(info + 32, 256);
  Put32(info + 36, 256);
  unsigned char* palette = info + kInfoHeader;
  for (int i = 0; i < 256; i++) {
    palette[4 * i] = palette[4 * i + 1] = palette[4 * i + 2] = static_cast<unsigned char>(i);
  }

  std::vector<unsigned char> row;
  try {
    row.assign(static_cast<std::size_t>(stride), 0);
  } catch (const std::bad_alloc&) {
    MessagePopup("Error", "Cannot allocate the bitmap memory");
    return 0;
  }
  FILE* fp = std::fopen(fileName, "wb");
  if (!fp) {
    MessagePopup("Error", "Cannot create the bitmap file");
    return 0;
  }
  bool ok = std::fwrite(header, 1, sizeof header, fp) == sizeof header;
  // Far beyond any sample, near enough that no difference overflows.
  constexpr int kBound = 1 << 20;
  if (lower < -kBound) lower = -kBound;
  if (lower > kBound) lower = kBound;
  if (upper < -kBound) upper = -kBound;
  if (upper > kBound) upper = kBound;
  int range = upper - lower;
  // Plane row 0 first: the positive height puts it at the bottom, as on the screen.
  for (int y = 0; y < height && ok; y++) {
    const unsigned short* s =
        samples + static_cast<std::size_t>(y) * static_cast<std::size_t>(width);
    for (int x = 0; x < width; x++) row[x] = ScaleToByte(s[x], lower, range);
    ok = std::fwrite(row.data(), 1, row.size(), fp) == row.size();
  }
  if (std::fclose(fp) != 0) ok = false;
  if (!ok) {
    MessagePopup("Error", "Cannot write the bitmap file");
    return 0;
  }
  return 1;
}
