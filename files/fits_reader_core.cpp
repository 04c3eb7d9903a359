// Reading a FITS primary image into memory, with every check a hostile or truncated file
// needs. The file is opened as a plain disk file, so a "[" or a "(" in an observer's path is
// never taken for extended file-name syntax; the buffers hold 16-bit samples only. Kept apart
// from the display so that the fuzz target links it alone.
#include <fitsio.h>
#include <sys/stat.h>

#include <climits>
#include <cstdint>
#include <cstdio>

#include "files/fits_reader.h"

FitsHeaderRecord FitsHeader;

namespace {
int Refuse(fitsfile* fptr, char* why, std::size_t whySize, const char* text) {
  std::snprintf(why, whySize, "%s", text);
  int status = 0;
  if (fptr) ffclos(fptr, &status);
  return 0;
}

bool ReadIntKey(fitsfile* fptr, const char* name, int* value) {
  int status = 0;
  ffgky(fptr, TINT, name, value, nullptr, &status);
  return status == 0;
}
}  // namespace

int ReadFitsImage(const char* fileName, FitsHeaderRecord* header, Plane* data, char* why,
                  std::size_t whySize) {
  *data = Plane{};
  fitsfile* fptr = nullptr;
  int status = 0;
  struct stat st;
  if (!fileName || ::stat(fileName, &st) != 0 || !S_ISREG(st.st_mode) ||
      ffdkopn(&fptr, fileName, READONLY, &status) != 0) {
    fptr = nullptr;
    return Refuse(fptr, why, whySize, "Cannot open the FITS file");
  }

  FitsHeaderRecord h;
  if (!ReadIntKey(fptr, "BITPIX", &h.BITPIX))
    return Refuse(fptr, why, whySize, "The FITS file has no BITPIX");
  if (!ReadIntKey(fptr, "NAXIS", &h.NAXIS))
    return Refuse(fptr, why, whySize, "The FITS file has no NAXIS");
  if (h.BITPIX != 16)
    return Refuse(fptr, why, whySize, "Only 16-bit FITS images can be shown (BITPIX is not 16)");
  if (h.NAXIS != 2 && h.NAXIS != 3)
    return Refuse(fptr, why, whySize, "Only 2-D images and 3-D cubes can be shown");
  if (!ReadIntKey(fptr, "NAXIS1", &h.NAXIS1) || !ReadIntKey(fptr, "NAXIS2", &h.NAXIS2) ||
      (h.NAXIS == 3 && !ReadIntKey(fptr, "NAXIS3", &h.NAXIS3)))
    return Refuse(fptr, why, whySize, "The FITS file lacks an axis length");
  status = 0;
  if (ffgky(fptr, TFLOAT, "EXPTIME", &h.EXPTIME, nullptr, &status) != 0) h.EXPTIME = 0.0f;
  h.bytepix = h.BITPIX / 8;

  int frames = h.NAXIS == 3 ? h.NAXIS3 : 1;
  if (h.NAXIS1 <= 0 || h.NAXIS2 <= 0 || frames <= 0)
    return Refuse(fptr, why, whySize, "The FITS file has an empty or negative axis");
  // Every plane size and sample count the display computes must fit an int.
  std::int64_t rows = static_cast<std::int64_t>(h.NAXIS2) * frames;
  std::int64_t count = rows * h.NAXIS1;
  if (rows > INT_MAX || count > INT_MAX)
    return Refuse(fptr, why, whySize, "The FITS image is too large");

  LONGLONG headStart = 0, dataStart = 0, dataEnd = 0;
  status = 0;
  if (ffghadll(fptr, &headStart, &dataStart, &dataEnd, &status) != 0 ||
      dataStart + count * 2 > static_cast<LONGLONG>(st.st_size))
    return Refuse(fptr, why, whySize, "The FITS file holds fewer pixels than its header says");

  // HELX writes the camera's bit patterns as signed samples without scaling; a file written
  // with the unsigned convention (BZERO 32768) is read as the unsigned values it stands for.
  double bzero = 0.0, bscale = 1.0;
  status = 0;
  if (ffgky(fptr, TDOUBLE, "BZERO", &bzero, nullptr, &status) != 0) bzero = 0.0;
  status = 0;
  if (ffgky(fptr, TDOUBLE, "BSCALE", &bscale, nullptr, &status) != 0) bscale = 1.0;
  bool unsignedConvention = bzero == 32768.0 && bscale == 1.0;
  status = 0;
  if (!unsignedConvention) ffpscl(fptr, 1.0, 0.0, &status);

  Plane plane;
  if (!AllocatePlane(plane, h.NAXIS1, static_cast<int>(rows))) {
    int s = 0;
    ffclos(fptr, &s);
    return -1;
  }
  long first[3] = {1, 1, 1};
  status = 0;
  if (unsignedConvention)
    ffgpxv(fptr, TUSHORT, first, count, nullptr, plane.data, nullptr, &status);
  else
    ffgpxv(fptr, TSHORT, first, count, nullptr, plane.data, nullptr, &status);
  if (status != 0) {
    ReleasePlane(plane);
    return Refuse(fptr, why, whySize, "The FITS pixels cannot be read");
  }
  status = 0;
  ffclos(fptr, &status);
  *header = h;
  *data = plane;
  return 1;
}
