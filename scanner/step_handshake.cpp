#include "scanner/step_handshake.h"

#include <atomic>
#include <cmath>

#include "state/observation_state.h"

namespace {
std::atomic<int> announced{0};
std::atomic<int> done{0};  // stored or dropped
std::atomic<int> dropped{0};
std::atomic<int> limit{0};

// Where the steps lie; written before the first announcement. A negative band: not known.
std::atomic<double> stepStart{0}, stepCounts{0}, stepBand{-1};

// Signals outlive every thread that waits on them (the monitoring loop may still be ending
// while the process exits).
helx::ui::WakeSignal& announcedSignal = *new helx::ui::WakeSignal;
helx::ui::WakeSignal& settledSignal = *new helx::ui::WakeSignal;

// A stored or dropped step's frame needs no look sooner than this: the run waits for whole
// scans.
constexpr double kStoredLookSeconds = 0.001;

void stepDone(bool stored) {
  if (!stored) dropped.fetch_add(1);
  int now = done.load() + 1;
  done.store(now, std::memory_order_release);
  if (now >= announced.load(std::memory_order_acquire)) {
    take = 0;
    // A step announced just now must not be hidden by the word we cleared.
    if (now < announced.load(std::memory_order_acquire)) take = 1;
  }
  settledSignal.notify();
}
}  // namespace

void ResetScanSteps(int frames) {
  limit = frames;
  done = 0;
  dropped = 0;
  announced = 0;
  stepBand = -1;
  take = 0;
  Scanpos_CCDframe = 0;
}

void SetScanStepPositions(double start, double countsPerStep, double band) {
  stepStart = start;
  stepCounts = countsPerStep;
  stepBand = band;
}

int ScannerAtScanStep(int step, double positionCounts) {
  if (announced.load(std::memory_order_acquire) > step) return 0;
  double band = stepBand.load();
  if (band < 0) return 1;
  return std::fabs(positionCounts - (stepStart.load() + step * stepCounts.load())) <= band ? 1 : 0;
}

int AnnounceScanStep() {
  int step = announced.load() + 1;
  if (step > limit.load()) return 0;
  Scanpos_CCDframe = step;
  announced.store(step, std::memory_order_release);
  take = 1;
  announcedSignal.notify();
  return 1;
}

helx::ui::WakeSignal& ScanStepAnnounced() { return announcedSignal; }
helx::ui::WakeSignal& ScanStepSettled() { return settledSignal; }

int NextScanStep() {
  int now = done.load();
  return now < announced.load(std::memory_order_acquire) ? now + 1 : 0;
}

void ScanStepStored() { stepDone(true); }
void ScanStepDropped() { stepDone(false); }

int ScanStepsAnnounced() { return announced.load(); }
int ScanStepsStored() { return done.load() - dropped.load(); }
int ScanStepsDropped() { return dropped.load(); }

int WaitScanStepsStored(double limitSeconds) {
  return helx::ui::WaitUntil([] { return done.load() >= announced.load(); }, limitSeconds,
                             kStoredLookSeconds, &settledSignal)
             ? 1
             : 0;
}
