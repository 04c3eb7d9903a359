// The scanner's speed from the scan poll's looks, measured over at least a given span. The
// controller updates its position once per servo cycle, so two looks within one cycle read the
// same position whatever the motor does: the span must be longer than a servo cycle for a
// zero to mean rest.
//
// Threads: a value used by the one thread that polls.
#pragma once

#include <array>
#include <cmath>
#include <cstddef>

class SpeedEstimate {
 public:
  explicit SpeedEstimate(double spanSeconds) : span_(spanSeconds) {}

  // Records a look at `seconds` and returns the speed in counts per millisecond since the
  // newest earlier look at least the span ago; HUGE_VAL (taken as moving) when there is none.
  double look(double seconds, double counts) {
    double speed = HUGE_VAL;
    for (std::size_t i = 0; i < count_; ++i) {
      const Look& old = looks_[(next_ + kLooks - 1 - i) % kLooks];
      if (seconds - old.seconds >= span_) {
        speed = std::fabs(counts - old.counts) / ((seconds - old.seconds) * 1000.0);
        break;
      }
    }
    looks_[next_] = {seconds, counts};
    next_ = (next_ + 1) % kLooks;
    if (count_ < kLooks) ++count_;
    return speed;
  }

 private:
  struct Look {
    double seconds = 0, counts = 0;
  };
  // Looks come every 0.3 ms at the fastest; the span is a few servo cycles at most.
  static constexpr std::size_t kLooks = 16;
  double span_;
  std::array<Look, kLooks> looks_{};
  std::size_t next_ = 0, count_ = 0;
};
