// The per-frame record beside every observation cube: a FITS binary table
// "HELX_..._A.frames.fits" next to "HELX_..._A.fts", one row per frame of the cube. The ".fits"
// ending keeps it out of the "*.fts" globs that find the cubes; the cube itself is not touched.
//
//   FRAME     frame (slot) of the cube, from 1
//   STEP      the scan step the frame belongs to, from 1 (a series or single frames: FRAME)
//   STORED    1 when the frame was read into its slot; 0 when the slot kept its zeros
//   DATE_BEG  exposure start, UTC with milliseconds: the scan's start mark plus the elapsed
//             instrument time ("" for a frame never exposed)
//   EXPTIME   exposure, s, as the camera's driver gives it
//   POS_START, POS_END   scanner position, controller counts: the nearest reading before the
//             exposure started and after it ended (NaN when there was none)
//   T_START, T_END       when those readings were taken, s after the scan's start mark
//   GRATING   grating position, steps of its encoder
//
// Written as the cube is: under a temporary name in the same folder, given its final name only
// when complete (and synced, with fits_sync). A failure is named in an "Error" popup and the
// message box, like a failed save of the cube.
//
// Threads: whichever thread saved the cube; one save at a time.
#pragma once

struct FrameTableRow {
  int frame = 0, step = 0, stored = 0;
  char dateBeg[32] = "";
  double exptime = 0, posStart = 0, posEnd = 0, tStart = 0, tEnd = 0;
  int grating = 0;
};

// The table's path beside `cubePath` (a path as the program writes them, ending ".fts").
// Returns 1 when the table is in place.
int SaveFrameTable(const char* cubePath, const FrameTableRow* rows, int count);
