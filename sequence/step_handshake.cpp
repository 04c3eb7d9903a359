#include "sequence/step_handshake.h"

#include <atomic>
#include <chrono>
#include <thread>

#include "app/observation_state.h"
#include "platform/ui/userint.h"

namespace {
std::atomic<int> announced{0};
std::atomic<int> stored{0};
std::atomic<int> limit{0};
}  // namespace

void ResetScanSteps(int frames) {
  limit = frames;
  stored = 0;
  announced = 0;
  take = 0;
  Scanpos_CCDframe = 0;
}

int AnnounceScanStep() {
  int step = announced.load() + 1;
  if (step > limit.load()) return 0;
  Scanpos_CCDframe = step;
  announced.store(step, std::memory_order_release);
  take = 1;
  return 1;
}

int NextScanStep() {
  int done = stored.load();
  return done < announced.load(std::memory_order_acquire) ? done + 1 : 0;
}

void ScanStepStored() {
  int done = stored.load() + 1;
  stored.store(done, std::memory_order_release);
  if (done >= announced.load(std::memory_order_acquire)) {
    take = 0;
    // A step announced just now must not be hidden by the word we cleared.
    if (done < announced.load(std::memory_order_acquire)) take = 1;
  }
}

int ScanStepsAnnounced() { return announced.load(); }
int ScanStepsStored() { return stored.load(); }

int WaitScanStepsStored(double limitSeconds) {
  double deadline = Timer() + limitSeconds;
  while (stored.load() < announced.load()) {
    if (Timer() > deadline) return 0;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return 1;
}
