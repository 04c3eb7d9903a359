// What happened to every frame of the cubes being taken, camera by camera, for the per-frame
// table saved beside each cube (files/frame_table.h): the step, when the exposure started, and
// the scanner's position read just before it and just after it ended.
//
// Threads: the monitoring loop records the frames of a scan while the run thread waits for
// them; the run thread begins the record at the scan's start mark and saves it with the cube.
// Every call takes the record's lock.
#pragma once

#include "scanner/scanner.h"

struct CameraSlot;

// A fresh record of `frames` frames for camera 1 or 2, dated from the last start mark.
void BeginFrameRecord(int camera, int frames);
// Frame `slot` (from 0) of `camera`: the scan step it belongs to, the instrument time its
// exposure started, its exposure, and the readings around it.
void RecordFrame(const CameraSlot& camera, int slot, int step, double exposureStart, float exposure,
                 PositionReading before, PositionReading after, bool stored);
// A series started at `exposureStart`, a frame every `cycle` seconds, all with the series'
// readings.
void RecordSeries(const CameraSlot& camera, int frames, double exposureStart, double cycle,
                  float exposure, PositionReading before, PositionReading after);
// The exposure the current camera's driver gives for its settings (`configured` when it
// cannot say).
float DriverExposure(float configured);
// Saves camera 1's or 2's record beside the cube at `cubePath`. Returns 1 when in place.
int SaveFrameRecord(int camera, const char* cubePath);
