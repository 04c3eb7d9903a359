// libFuzzer target: any bytes as a FITS file on disk (the reader opens real files only).
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "files/fits_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::string path = "/tmp/helx-fits-fuzz-" + std::to_string(::getpid()) + ".fts";
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return 0;
  std::fwrite(data, 1, size, f);
  std::fclose(f);
  FitsHeaderRecord header;
  Plane plane;
  char why[256];
  if (ReadFitsImage(path.c_str(), &header, &plane, why, sizeof why) == 1) {
    unsigned sum = 0;
    for (long i = 0; i < static_cast<long>(plane.width) * plane.height; i++) sum += plane.data[i];
    (void)sum;
  }
  ReleasePlane(plane);
  return 0;
}
