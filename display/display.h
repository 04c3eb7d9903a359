// Image display: statistics of a plane, the byte-scaled picture in the graphic panel with its
// histogram, frame and cube browsing, line profiles.
//
// Threads: the observation run draws from its worker thread while the operator's callbacks
// run on the user-interface thread. Every procedure here that reads or replaces a plane
// (planeDataCCD, pusFitsData, pFitsData) or writes mean/stdev holds displayLock for the whole
// of it, so a plane is never read after another thread released it. Nothing holding the lock
// waits for the user-interface thread (runtime calls write the model and return at once).
#pragma once

#include <cstddef>
#include <mutex>

#include "display/callbacks.h"
#include "files/byte_scale.h"
#include "state/buffers.h"

// Mean and standard deviation of the plane measured last.
extern float mean;
extern float stdev;
// Guards the planes and the statistics above (recursive: the callbacks nest the draws).
extern std::recursive_mutex& displayLock;

// ---- statistics ----
int GetMinMax(const unsigned short* samples, int count, unsigned short* min, unsigned short* max);
float DataMean(int width, int height, const unsigned short* samples);
float DataStdev(int width, int height, const unsigned short* samples, float mean);
// The 3-sigma display range, clamped to the plane's minimum and maximum.
void GetDisplayRange(float mean, float stdev, unsigned short min, unsigned short max, int* lower,
                     int* upper);
// Mean, deviation (into `mean`, `stdev`), minimum, maximum and the 3-sigma range of a plane.
void MeasurePlane(const Plane& plane, unsigned short* min, unsigned short* max, int* lower,
                  int* upper);
void FillGreyColorTable(int* table);

// ---- byte-scaled display ----
// The picture's bytes (width x height, top row first) of a plane between lower and upper.
void ScalePlaneToBytes(int width, int height, const unsigned short* samples, unsigned short lower,
                       unsigned short upper, unsigned char* bytes);
// The camera's 14-bit ceiling: a sample there is saturated. ByteDisplay counts them into the
// "Saturated" read-out and marks them over the picture in kSaturationColor; the picture's bytes,
// the grey colour table and the histogram do not change. The ceiling is looked for in `raw`
// when given (the samples as the camera gave them, laid out as `samples`, where the picture
// shows them with the bias/dark subtracted), otherwise in `samples`.
inline constexpr unsigned short kSaturatedSample = 16383;
inline constexpr int kSaturationColor = 0xFF0000;
void ByteDisplay(int width, int height, const unsigned short* samples, unsigned short lower,
                 unsigned short upper, const unsigned short* raw = nullptr);
// The camera samples behind planeDataCCD when it shows a frame with the bias/dark subtracted
// (null otherwise): what a redraw of that plane counts saturation in. Under displayLock.
const unsigned short* ShownCameraRaw(void);
// A picture that holds no camera samples (a bitmap): no saturated count, no marks.
void ClearSaturation(void);
// Takes ownership of `bytes` (allocated with new[]), top row first.
int OpenGraphicPanel(int depth, int width, int height, const int* colorTable, unsigned char* bytes);
int MagnetMoving(int panel);
// Loads and shows the graphic panel when it is not loaded; -1 when loading fails.
int EnsureGraphicPanel();
// The histogram of `count` samples from base to top, replacing the graph's plot.
void DrawHistogramOf(const unsigned short* samples, int count, double base, double top);
// The runtime's Histogram of the samples taken as doubles, to the count, without the doubles:
// the census holds how often each of the kSampleValues values occurs (CountSampleValues adds a
// plane's samples to it).
inline constexpr int kSampleValues = 65536;
void CountSampleValues(const unsigned short* samples, std::size_t count, int* census);
int HistogramOfCensus(const int* census, double base, double top, int* histogram, double* axis,
                      int intervals);
int SampleHistogram(const unsigned short* samples, int count, double base, double top,
                    int* histogram, double* axis, int intervals);
// Sets the two range sliders' limits to min..max and their values to lower and upper.
void SetRangeSliders(unsigned short min, unsigned short max, int lower, int upper);

// ---- frame and cube display ----
int DisplayCCDImage(int width, int height, int frames, long camera);
// Return 1 when a plane was shown, 0 when there was nothing to show.
int Display3D_CCD(int axis, int index, unsigned short* min, unsigned short* max, long camera);
int Display3DFits(int axis, int index, unsigned short* min, unsigned short* max);
// The column slice of a cube of `frames` frames of width x height: out is frames x height,
// sample (z, y) from column `column` of row y of frame z.
void CopyColumnSlice(const unsigned short* cube, int width, int height, int frames, int column,
                     unsigned short* out);
// Whether planeDataCCD holds a picture that may be read: an owned copy, or a reference to a
// camera buffer that still exists and is at least as large.
bool CameraPlaneCurrent();

// ---- profiles ----
void Display_Line_Profile(int x, int y, int width, int height, const unsigned short* samples);
// Main-panel size for a frame plane of width x height about to be shown.
void ResizeMainPanel(int width, int height);
