// Observation sequencing: the live monitoring loop, the observation run and the flat-field
// sequence (the time marks they take are in files/time_marks.h).
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "platform/ui/userint.h"
#include "scanner/step_handshake.h"
#include "sequence/callbacks.h"

// The monitoring loop's thread-pool function id, while power-up waits for it.
extern int monitor_thread_id;
// 1 while the monitoring loop runs.
extern std::atomic<int> monitoring_active;

// Runs while the scanner link is open: refreshes the scanner's position and status, and takes
// each announced scan step's frame into its slot. Returns 1 when the link closes.
int CVICALLBACK MonitoringThreadFunction(void* data);

// ---- observation run and flat-field sequence ----

// Frames of the scans of the last Run (or flat field) that were not stored, one per camera
// and step; of them, those dropped because the scanner had left their step.
extern std::atomic<int> run_frames_lost;
extern std::atomic<int> run_frames_dropped;
// Cubes of the last Run that neither their data folder nor the fallback folder took.
extern std::atomic<int> run_files_not_saved;
// Instrument seconds the run and the flat sequence wait for the scanner to return to its start.
extern double scanner_return_limit;

// Sets the stop flag and waits, processing events, until the run has ended or `limitSeconds`
// passed; 1 when no run is active any more.
int EndRunAndWait(double limitSeconds);

int CVICALLBACK RunThread(void* functionData);
void CVICALLBACK AfterRunThread(int poolHandle, int functionID, unsigned int event, int value,
                                void* callbackData);
int TakingFlat(void);

// Shared by the run and the flat sequence.
// Loads the image panel beside the main panel into GraphicPanel; -1 when it cannot be loaded.
int LoadImagePanel(void);
void DiscardImagePanel(void);
// Clears camera 1's or camera 2's buffer, `frames` frames of that camera's own size.
void ClearFrames(int camera, int frames);
// 1 once the scanner is back within one unit of its start and in position; 0 when Stop was
// pressed (honourStop); -1 (reported) when it did not come back within scanner_return_limit.
int WaitScannerAtStart(int honourStop, const char* what);
// After the scan program ended: waits until every announced step is stored or dropped; frames
// not stored (of `cameraCount` cameras a step) are counted into run_frames_lost, those dropped
// also into run_frames_dropped, and both are reported. Returns the steps stored.
int WaitScanFramesStored(int frames, float exposure, const char* cameras, int cameraCount);
// The line that closes an observation in the message box: the frames lost, and of them those
// dropped because the scanner had moved on.
std::string ObservationEndLine(void);
// Cubes of the last Run that neither folder took and that still sit in their frame buffers.
int UnsavedCubes(void);
// Before the frame buffers are cleared or released (OK, Run, Power Off, QUIT): the cubes still
// only in memory are saved to the fallback folder. When that fails and `refuseOnce`, the first
// such call says so and returns 0 (the caller refuses, and pressing again discards them);
// otherwise they are discarded, said in a popup. Returns 1 when the caller may go on.
int SaveUnsavedBeforeRelease(const char* action, int refuseOnce);
// The bytes an observation of `runs` runs writes to the data drive: every file of every run
// (a flat field: its two cubes), headers included.
std::uintmax_t ObservationBytes(int configuration, int frames, int acquisitionMode, int runs);
// 1 when the data folder takes files and the drive has room for the whole observation;
// otherwise says which in an "Error" popup and the message box, and returns 0.
int StorageReadyForRun(int configuration, int frames, int acquisitionMode, int runs);
