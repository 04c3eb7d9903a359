// Test files written the way the observation files are: BITPIX 16, the camera's samples
// handed over as signed 16-bit values without scaling.
#pragma once

#include <fitsio.h>

#include <string>
#include <vector>

inline bool WriteTestFits(const std::string& path, std::vector<long> axes,
                          const std::vector<unsigned short>& samples, float exposure) {
  fitsfile* f = nullptr;
  int status = 0;
  std::string bang = "!" + path;
  ffinit(&f, bang.c_str(), &status);
  ffcrim(f, SHORT_IMG, static_cast<int>(axes.size()), axes.data(), &status);
  ffpky(f, TFLOAT, "EXPTIME", &exposure, "Second", &status);
  std::vector<short> raw(samples.begin(), samples.end());
  ffppr(f, TSHORT, 1, static_cast<LONGLONG>(raw.size()), raw.data(), &status);
  ffclos(f, &status);
  return status == 0;
}
