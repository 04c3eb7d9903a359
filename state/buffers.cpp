#include "state/buffers.h"

#include <new>

unsigned short* AllocateSamples(std::size_t count) {
  return new (std::nothrow) unsigned short[count > 0 ? count : 1]();
}

float* AllocateFloats(std::size_t count) {
  return new (std::nothrow) float[count > 0 ? count : 1]();
}

std::mutex& FrameBufferLock() {
  // Never destroyed: a run thread QUIT leaves behind may still take it while the program exits.
  static std::mutex& lock = *new std::mutex;
  return lock;
}

void ReleaseBuffer(unsigned short*& buffer) {
  std::lock_guard guard(FrameBufferLock());
  if (buffer) {
    delete[] buffer;
    buffer = nullptr;
  }
}

void ReleaseBuffer(float*& buffer) {
  if (buffer) {
    delete[] buffer;
    buffer = nullptr;
  }
}

void ReleasePlane(Plane& plane) {
  if (plane.data && plane.owned) delete[] plane.data;
  plane = Plane{};
}

bool AllocatePlane(Plane& plane, int width, int height) {
  ReleasePlane(plane);
  if (width <= 0 || height <= 0) return false;
  plane.data = AllocateSamples(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
  if (!plane.data) return false;
  plane.width = width;
  plane.height = height;
  plane.owned = true;
  return true;
}

void ReferPlane(Plane& plane, unsigned short* data, int width, int height) {
  ReleasePlane(plane);
  plane.data = data;
  plane.width = width;
  plane.height = height;
  plane.owned = false;
}
