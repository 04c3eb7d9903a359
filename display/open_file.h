// Opening a file the operator picked and showing it in the graphic panel.
#pragma once

// Reads and shows a FITS image or cube: 1 shown, 0 not shown (refused file or no memory; the
// previous picture and data stay), -1 when the graphic panel cannot be loaded.
int OpenFitsFile(const char* fileName);
// Reads and shows a bitmap file: 1 shown, 0 refused (with its popup), -1 when the graphic
// panel cannot be loaded. Changes no plane, header, statistic or slider.
int OpenBitmap(const char* fileName);
