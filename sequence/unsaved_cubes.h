// Cubes the data folder refused. A cube that cannot be saved in the run's data folder goes at
// once to the working directory's "unsaved" folder (normally on another drive); when that fails
// too it stays in its camera's frame buffer, kept as "unsaved" until the operator saves it with
// "Save Unsaved", or until OK, Run, Power Off or QUIT would clear or release the buffer (they try
// the fallback folder first, and OK and Run refuse once before they discard).
//
// Threads: SaveCubeOrKeep runs on the run thread; the rest on the user-interface thread, and
// they see kept cubes only once the run has ended (the run thread is their only writer).
#pragma once

struct CameraSlot;

// Saves the camera's cube of `frames` frames into the run's data folder; on failure into the
// fallback folder, or else keeps it. Returns 1 only when the data folder took it; any other
// outcome is told to the operator and counted (run_files_not_saved when kept).
int SaveCubeOrKeep(const CameraSlot& camera, int frames, const char* startText, const char* endText,
                   float elapsed);
// Undims "Save Unsaved" while a kept cube waits, and dims it otherwise.
void ShowUnsavedButton(void);
