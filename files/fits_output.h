// What the three FITS writers share: the file name, the temporary file, the first failed step,
// the header texts, and putting the finished file in place. Internal to files/.
#pragma once

#include <fitsio.h>

#include <cstddef>
#include <ctime>
#include <string>

struct FitsSave {
  fitsfile* fptr = nullptr;
  int status = 0;
  std::string failedStep;  // the first library step that failed
  const char* directory = "";
  const char* suffix = "";  // "A", "B_BiasDark", ...
  char path[512] = {0};     // final path as the program writes paths
  std::string mappedPath;   // final path on this machine
  std::string tempPath;     // where the file is written until complete
};

// Starts a save: the save-time mark, the name from the UTC time, the temporary file created with
// the library's plain disk-file call (`dataBytes`: the size of the pixels to come). False when it
// cannot start (reported later by FitsFinish).
bool FitsBegin(FitsSave& save, const char* directory, const char* suffix, std::size_t dataBytes);
// Records `step` as the failed one if the library status is set and none failed before.
void FitsStep(FitsSave& save, const char* step);
// Closes, syncs and puts the file in place; reports failure and the save time. Returns 1 or 0.
int FitsFinish(FitsSave& save);

// A temporary name beside `final` (a path on this machine), unique in this process and among
// processes: "<final>.part<pid>-<n>".
std::string FitsTempPath(const std::string& final);
// Syncs `path` (opened with `flags`) to the disk. False when it cannot be opened or synced.
bool FitsSyncPath(const std::string& path, int flags);
// Gives the finished temporary file its final name unless that name exists. 0 or an errno.
int FitsPlaceFile(const std::string& temp, const std::string& final);

// Writes `count` samples of `sampleBytes` (2 or 4) bytes, as they are in memory, to the image's
// data unit in the file's big-endian order. They are swapped into a buffer of a megabyte and
// handed to the library a buffer at a time: the frame buffer is only read (the display may be
// reading it too) and a whole cube is never copied.
void FitsWriteSamples(FitsSave& save, const void* samples, std::size_t count, int sampleBytes);

// Operator text made fit for a FITS string card: printable ASCII, at most 68 characters.
void FitsText(const char* in, char* out);
// A string control's text into `out` (size bytes), empty when it does not fit.
void ReadPanelText(int panel, int control, char* out, int size);
// The camera keywords read from the camera now (CCDTEMP, CCDNAME); the driver's current
// camera is set to `camera`.
void ReadCameraInfo(long camera, int* temperature, char* headModel /* 33 bytes */);
// GRATWVLN, GRATSTEP, GRATANGL of the wavelength ring's selected entry; all three written as
// empty texts when the ring selects no loaded entry.
void WriteGratingKeys(FitsSave& save);
