// The observation and calibration FITS files: one file per camera, named from the UTC time of
// the save and the camera's letter (A camera 1, B camera 2), written into the run's data folder.
//
//   SaveFits      HELX_yyyymmdd_hhmmss_A.fts            16-bit frame or cube, full header
//   SaveBiasDark  HELX_yyyymmdd_hhmmss_A_BiasDark.fts   16-bit averaged bias/dark frame
//   SaveFlatFits  HELX_yyyymmdd_hhmmss_A_Flat.fts       32-bit float flat cube
//
// A file is written under a temporary name in the same folder and takes its final name only when
// it is complete (and, with fits_sync, on the disk), so no half-written file ever carries a
// final name. When a file of the same name already exists (a second save of the same camera
// within the same second), the save waits for the next second and takes that name; if that too
// is taken, "_1", "_2", ... go before ".fts". Nothing is ever overwritten or lost.
//
// Each writer returns 1 when its file is in place, and 0 after showing the failed step in an
// "Error" popup and the main panel's message box; it reports the seconds the save took either
// way. The panel values and the wavelength entry are read at the time of the save.
//
// Threads: SaveFits runs on the run thread, SaveBiasDark on the user-interface thread,
// SaveFlatFits where the flat sequence runs; one at a time. Each leaves the camera driver's
// current camera set to the camera it saved.
#pragma once

int SaveFits(int nx, int ny, int frames, float exposure, long camera, const char* startText,
             const char* endText, float elapsed, const char* directory);
int SaveBiasDark(int nh, int nv, int frames, float exposure, long camera, const char* directory);
int SaveFlatFits(int nh, int nv, int frames, float exposure, long camera, const char* startText,
                 const char* endText, float elapsed, const char* directory);

// 1 (default): a file reaches the disk before it takes its final name; 0: left to the system.
extern int fits_sync;
// The full path (as the program writes paths) of the last file a writer put in place.
extern char fits_last_saved[512];
