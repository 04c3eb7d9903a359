// The wavelength list: the spectral settings the observer picks by wavelength, read from
// "Wv.ini" into `Data` and shown in the setup panel's wavelength ring ("Grating" page).
//
// Wv.ini: a 2000-byte header looked at as ten 100-byte slots, where a slot beginning with
// "NUMBER OF WV    =" gives the count and one beginning with "CURRENT_SELECT  =" the entry to
// select; then 24-byte little-endian records from offset 2000.
//
// Threads: loaded and read on the user-interface thread only. OK copies the chosen entry into
// the setup in force, which is what the files name: reloading the list (the test panel, "Add Wv
// Field") changes the ring's preview, never what is in force.
#pragma once

#include <cstdio>

#include "platform/ui/userint.h"

#define MAX_WV_ENTRIES 50

// One record of Wv.ini, byte for byte.
struct WvEntry {
  float wavelength;          // shown in the ring, GRATWVLN
  unsigned char unused1[4];  // not interpreted: kept as the editor wrote it
  int step;                  // grating position in controller steps, GRATSTEP
  unsigned char unused2[4];  // not interpreted
  double angle;              // grating angle, GRATANGL
};
static_assert(sizeof(WvEntry) == 24, "Wv.ini records are 24 bytes");

extern WvEntry Data[MAX_WV_ENTRIES];
extern int nWV_FileIO;              // entries read, 0 .. MAX_WV_ENTRIES
extern int CurrentSelectWV_FileIO;  // entry to select in the ring after loading
extern int CurrentSelect_Wv;        // entry selected at the last setup confirmation

int OpenFileF(FILE* fileHandle);  // the argument is not used as input
int ReadHeader(FILE* file);
int ResetPanel(void);
int InitPanel(void);
int InitWvRing(void);
// Whether `index` is one of the loaded entries: every reader of `Data` asks, so nothing reads
// past them.
int WvEntryLoaded(int index);
// The ring's selected entry, or -1 when the ring selects nothing that was loaded.
int SelectedWvEntry(void);

int CVICALLBACK AddWvField(int panel, int control, int event, void* callbackData, int eventData1,
                           int eventData2);
