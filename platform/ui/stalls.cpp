#include "platform/ui/stalls.h"

#include "platform/ui/event_loop.h"
#include "platform/ui/message_log.h"

namespace helx::ui {

void StallWatch::turn() {
  const auto now = Clock::now();
  if (measuring_) charge(now - lastTurn_, chargedTo());
  lastTurn_ = now;
  measuring_ = true;
}

void StallWatch::begin(std::string what) {
  turn();
  running_.push_back({std::move(what), 0});
}

void StallWatch::end() {
  turn();
  if (!running_.empty()) running_.pop_back();
}

void StallWatch::beginWait() {
  if (running_.empty()) return;
  turn();
  ++running_.back().waits;
}

void StallWatch::endWait() {
  if (running_.empty() || running_.back().waits == 0) return;
  turn();
  --running_.back().waits;
}

void StallWatch::pause() {
  turn();
  measuring_ = false;
}

void StallWatch::leave() {
  if (running_.empty()) pause();
}

std::string StallWatch::chargedTo() const {
  // Between two events of the loop: its own few steps.
  if (running_.empty()) return "the event loop";
  const Running& r = running_.back();
  return r.waits > 0 ? r.what + " (waiting, processing events)" : r.what;
}

void StallWatch::charge(Clock::duration stretch, const std::string& what) {
  const double seconds = std::chrono::duration<double>(stretch).count();
  {
    std::lock_guard lock(mutex_);
    if (seconds > longest_.seconds) longest_ = {seconds, what};
    if (seconds <= kLongStallSeconds) return;
    long_.push_back({seconds, what});
    if (long_.size() > kLongStallRecords) long_.pop_front();
  }
  // Whole milliseconds, cut rather than rounded: the line never claims more than was measured.
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(stretch).count();
  LogMessage("runtime", "UI stall: " + std::to_string(ms) + " ms in " + what);
}

Stall StallWatch::longest() const {
  std::lock_guard lock(mutex_);
  return longest_;
}

std::vector<Stall> StallWatch::longStalls() const {
  std::lock_guard lock(mutex_);
  return {long_.begin(), long_.end()};
}

void StallWatch::reset() {
  std::lock_guard lock(mutex_);
  longest_ = {};
  long_.clear();
}

Stall LongestStall() { return EventLoop::instance().stalls().longest(); }
std::vector<Stall> LongStalls() { return EventLoop::instance().stalls().longStalls(); }
void ResetStalls() { EventLoop::instance().stalls().reset(); }

}  // namespace helx::ui
