// The setup in force: what the last OK of the setup dialog read from its pages, found sound and
// applied to the devices. Everything after OK (Run, the scan, the monitoring loop, the files,
// the frame table, the summary) reads the setup here or in the globals OK wrote from it, never
// from the dialog's controls, which only preview the next setup until OK.
//
// Threads: written by OK alone, on the user-interface thread, and only while no observation is
// running (OK refuses then); a run reads it after Run has started its thread, so no lock is
// needed. Plain fixed-size fields for that reason: the value is copied, never shared by pointer.
#pragma once

struct CameraSetupInForce {
  float exposure = 0;  // seconds
  int gain = 0;        // EM gain
  int preAmpGain = 0;  // pre-amplifier gain index
};

// The grating's wavelength-list entry as OK moved the grating to it.
struct GratingSetupInForce {
  int index = -1;  // entry of the wavelength list, -1 when the grating was not set
  float wavelength = 0;
  int step = 0;
  double angle = 0;
  bool reached = false;  // the grating stood at `step` when its move ended
};

struct SetupInForce {
  bool confirmed = false;  // false until the first OK that applied a setup

  int configuration = 0;  // kCamera1Only ...
  int acquisition = 1;    // kSingle ...
  int frames = 0;         // per scan; 0 in video mode
  int runs = 0;
  CameraSetupInForce camera[2];
  int hBin = 1, vBin = 1;
  int shutter = 0, fan = 0;

  int scanMode = -1;       // 0 spectrograph (steps), 1 imaging (sweep), -1 none
  float stepDuration = 0;  // ms
  float stepSizeHalf = 0;  // half the step size entered, in micrometres
  float speed = 0, stroke = 0;

  GratingSetupInForce grating;

  // Texts as typed (at most 255 characters); the file writer makes them FITS text.
  char observer[256] = "";
  int target = -1;  // the target ring's value, 8 for a user-defined target
  char targetName[256] = "";
  char arNumber[256] = "";
  int telescopeX = 0, telescopeY = 0;  // arcseconds
};

extern SetupInForce setup_in_force;
