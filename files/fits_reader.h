// Reading a FITS image or cube (16-bit samples) into memory.
#pragma once

#include <cstddef>

#include "state/buffers.h"

// The header of the file read last.
struct FitsHeaderRecord {
  int BITPIX = 0;
  int NAXIS = 0;
  int NAXIS1 = 0;
  int NAXIS2 = 0;
  int NAXIS3 = 0;
  float EXPTIME = 0.0f;
  int bytepix = 0;  // BITPIX / 8
};
extern FitsHeaderRecord FitsHeader;

// Reads a whole FITS primary image into `data` (width NAXIS1, height NAXIS2 x NAXIS3, owned).
// Checks everything a hostile or truncated file could get wrong before allocating or reading.
// Returns 1 when read; 0 when the file is refused, with the reason in `why`; -1 when memory
// for the pixels could not be had. Touches no shared state.
int ReadFitsImage(const char* fileName, FitsHeaderRecord* header, Plane* data, char* why,
                  std::size_t whySize);
