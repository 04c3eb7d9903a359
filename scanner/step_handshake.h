// The scan-step handshake between the thread that runs the scan program (which announces each
// step the controller reaches) and the monitoring loop (which exposes the cameras for it and
// stores the frame in the step's slot).
//
// Contract:
//  * Before a scan, the scan's thread calls ResetScanSteps(frames) while no step can be
//    announced, and SetScanStepPositions with where each step lies before it announces any.
//    Steps are then announced in order, each exactly once: the k-th call of AnnounceScanStep
//    announces step k (1-based); a step beyond `frames` is refused.
//  * The announced count only grows during a scan, the done count follows it: the monitoring
//    loop takes step done + 1 whenever done < announced, and every step ends either stored
//    (exposed at its step and read into slot k - 1; a frame its camera did not hand over is
//    counted apart by the loop, its slot zeroed) or dropped (its slot left as it was, zeros
//    after the run's clear).
//  * A frame belongs to step k only while the scanner is there: the monitoring loop asks
//    ScannerAtScanStep before the exposure starts and again once it has ended, and drops the
//    frame when either answer is no. A step announced late, or two announced during one
//    read-out, are therefore dropped rather than exposed at the next position and filed under
//    the wrong step.
//  * The shared words `take` and `Scanpos_CCDframe` keep their meaning for every reader:
//    `take` is 1 while a step waits for its frame, `Scanpos_CCDframe` is the last step
//    announced.
//  * The run waits with WaitScanStepsStored until every announced step is done before it saves.
//  * Every announcement notifies ScanStepAnnounced(), every stored or dropped step
//    ScanStepSettled(): the monitoring loop and the run wait on them and wake at once.
//
// Threads: AnnounceScanStep, ResetScanSteps and SetScanStepPositions on the scan's thread;
// NextScanStep, ScanStepStored and ScanStepDropped on the monitoring thread; the counts and
// ScannerAtScanStep may be used anywhere.
#pragma once

#include "platform/ui/wait.h"

void ResetScanSteps(int frames);
// Step k lies at `start` + k x `countsPerStep` encoder counts; its frame is good while the
// scanner stays within `band` counts of that. Until this is called for a scan, only the order
// of the announcements is checked.
void SetScanStepPositions(double start, double countsPerStep, double band);
// 1 when `positionCounts` lies within the band of step `step` and step + 1 has not been
// announced.
int ScannerAtScanStep(int step, double positionCounts);
// Returns 0 when the step was refused (beyond the scan's frames).
int AnnounceScanStep();
// Notified after each announcement, and after each step stored or dropped.
helx::ui::WakeSignal& ScanStepAnnounced();
helx::ui::WakeSignal& ScanStepSettled();
// The next step waiting for its frame (1-based), or 0 when none waits.
int NextScanStep();
void ScanStepStored();
// The step's frame was not stored: the scanner had left the step before or during its exposure.
void ScanStepDropped();
int ScanStepsAnnounced();
int ScanStepsStored();
int ScanStepsDropped();
// Waits (instrument time) until every announced step is stored or dropped, or `limitSeconds`
// passed; returns 1 when none is left waiting.
int WaitScanStepsStored(double limitSeconds);
