// libFuzzer target: any bytes as a bitmap file. A decoded picture must lie inside its buffer.
#include <cstddef>
#include <cstdint>

#include "files/bitmap.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  BitmapImage image;
  if (DecodeBitmap(data, size, &image) == BMP_OK) {
    unsigned sum = 0;
    for (long i = 0; i < static_cast<long>(image.width) * image.height; i++) sum += image.bytes[i];
    (void)sum;
    delete[] image.bytes;
  }
  return 0;
}
