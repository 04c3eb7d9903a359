// The setup dialog's pages as one value: every control that makes up a setup, read in one pass.
// OK turns what it read into the setup in force; Cancel (or closing the dialog) puts back what
// the pages showed after the last OK, so that browsing a ring or typing a value previews a
// setup and changes nothing until OK.
//
// Threads: the user-interface thread only.
#pragma once

#include "state/setup_in_force.h"

// What one control held: a ring's (or tree's) item index and value, a number, or a text.
struct SetupControlValue {
  int index = -1;
  int value = 0;
  double number = 0;
  char text[256] = "";
};

constexpr int kSetupControlCount = 27;

struct SetupControls {
  SetupControlValue values[kSetupControlCount];
};

SetupControls ReadSetupControls(void);
// Writes every control back and dims the controls that do not apply to what is shown, as the
// dialog's own callbacks do when the operator changes them.
void ShowSetupControls(const SetupControls& controls);
// The control on tab page `page` (setCCDTAB ... setMISC); an empty value for one not read.
const SetupControlValue& SetupControlOf(const SetupControls& controls, int page, int control);

// The setup these controls describe, for the devices that are ready (a section whose device is
// not ready keeps `previous`'s values, as OK leaves that device alone).
SetupInForce SetupFromControls(const SetupControls& controls, const SetupInForce& previous);

// The pages as the last OK left them, and putting them back (nothing before the first OK).
void RememberConfirmedControls(void);
void RestoreConfirmedControls(void);

// The dimming that follows the scan mode, the binning choice and the target ring.
void ShowScanModeChoice(int scanPage, int mode);
void ShowBinningChoice(int ccdPage, int binning);
void ShowTargetChoice(int miscPage, int target);
