// Frames the cameras did not hand over: a start the driver refused, a read-out that failed or a
// camera that did not finish. Each is counted as lost, its slot zeroed (DataDump does that) and
// recorded as not stored; the first of each scan or run of frames is told with its camera, step
// and the driver's code, and the rest in the scan's closing line.
//
// Threads: FrameNotRead on the thread that reads the camera (the monitoring loop during a
// scan, the run thread otherwise); BeginFramesNotRead on the run's or the flat field's thread
// before the frames are taken, while no frame is being read; the counts from any thread.
#pragma once

#include <atomic>

struct CameraSlot;

// Frames of the last Run (or flat field) not read from their camera; counted in
// run_frames_lost too.
extern std::atomic<int> run_frames_not_read;

// Before a scan, or a run of single frames or series: the next failure is told again.
void BeginFramesNotRead(void);
// `camera`'s frame of `step` (1-based) was not read: the driver answered `code`.
void FrameNotRead(const CameraSlot& camera, int step, int code);
// Frames not read since BeginFramesNotRead.
int FramesNotReadSinceBegin(void);
