// The scan-step handshake between the thread that runs the scan program (which announces each
// step the controller reaches) and the monitoring loop (which exposes the cameras for it and
// stores the frame in the step's slot).
//
// Contract:
//  * Before a scan, the scan's thread calls ResetScanSteps(frames) while no step can be
//    announced. Steps are then announced in order, each exactly once: the k-th call of
//    AnnounceScanStep announces step k (1-based); a step beyond `frames` is refused.
//  * The announced count only grows during a scan, the stored count follows it: the monitoring
//    loop takes step stored + 1 whenever stored < announced, so two steps announced during one
//    read-out are both taken, in order, each into its own slot (step k into slot k - 1).
//  * The shared words `take` and `Scanpos_CCDframe` keep their meaning for every reader:
//    `take` is 1 while a step waits for its frame, `Scanpos_CCDframe` is the last step
//    announced.
//  * The run waits with WaitScanStepsStored until every announced step's frame is stored before
//    it saves.
//
// Threads: AnnounceScanStep and ResetScanSteps on the scan's thread; NextScanStep and
// ScanStepStored on the monitoring thread; the counts may be read anywhere.
#pragma once

void ResetScanSteps(int frames);
// Returns 0 when the step was refused (beyond the scan's frames).
int AnnounceScanStep();
// The next step waiting for its frame (1-based), or 0 when none waits.
int NextScanStep();
void ScanStepStored();
int ScanStepsAnnounced();
int ScanStepsStored();
// Waits (instrument time, polling) until every announced step is stored or `limitSeconds`
// passed; returns 1 when all are stored.
int WaitScanStepsStored(double limitSeconds);
