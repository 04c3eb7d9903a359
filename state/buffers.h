// The shared buffers and the one way to release them. Every release tests for null and resets
// the variable to null, so a buffer is never freed twice, and a plane that merely refers to a
// camera's frame buffer is never freed at all.
#pragma once

#include <cstddef>
#include <mutex>

// A picture the display shows: its samples, its own size, and whether it owns them (a copy)
// or refers to another buffer (a camera's single frame).
struct Plane {
  unsigned short* data = nullptr;
  int width = 0;
  int height = 0;
  bool owned = false;
};

// Held while a camera frame is copied into a frame buffer and while a frame buffer is released
// or replaced, so that a buffer is never freed under a read-out in progress.
std::mutex& FrameBufferLock();

// Allocation that reports failure with a null pointer instead of throwing.
unsigned short* AllocateSamples(std::size_t count);
float* AllocateFloats(std::size_t count);

void ReleaseBuffer(unsigned short*& buffer);
void ReleaseBuffer(float*& buffer);
void ReleasePlane(Plane& plane);
// Makes `plane` own a new buffer of width x height samples, not yet filled (releasing what it
// held); returns false (plane empty) for an empty size or when memory cannot be had.
bool AllocatePlane(Plane& plane, int width, int height);
// Makes `plane` refer to a buffer it does not own (releasing what it held).
void ReferPlane(Plane& plane, unsigned short* data, int width, int height);
