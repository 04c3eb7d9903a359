#include "platform/ui/event_loop.h"

#include "platform/ui/frontend.h"
#include "platform/ui/model.h"

namespace helx::ui {

using namespace std::chrono_literals;

EventLoop& EventLoop::instance() {
  static EventLoop& loop = *new EventLoop;  // never destroyed: threads may outlive main
  return loop;
}

void EventLoop::post(std::function<void()> event) {
  {
    std::lock_guard lock(mutex_);
    queue_.push_back(std::move(event));
  }
  CurrentFrontend().wake();
}

void EventLoop::setUiThread() { uiThread_ = std::this_thread::get_id(); }

bool EventLoop::onUiThread() const { return uiThread_.load() == std::this_thread::get_id(); }

std::thread::id EventLoop::uiThread() const { return uiThread_.load(); }

bool EventLoop::dispatchOne() {
  std::function<void()> event;
  {
    std::lock_guard lock(mutex_);
    if (queue_.empty()) return false;
    event = std::move(queue_.front());
    queue_.pop_front();
  }
  event();
  ++dispatched_;
  return true;
}

int EventLoop::run() {
  setUiThread();
  quit_ = false;
  ++depth_;
  while (!quit_) {
    auto& frontend = CurrentFrontend();
    Model::instance().notifyDirty();
    frontend.drainDirty();
    if (!dispatchOne()) frontend.waitForWork(50ms);
  }
  --depth_;
  // Events still queued (late popups, ticks) are dropped with the loop.
  return quitCode_;
}

void EventLoop::quit(int code) {
  quitCode_ = code;
  quit_ = true;
  CurrentFrontend().wake();
}

void EventLoop::processPending() {
  if (!onUiThread()) return;
  std::size_t n;
  {
    std::lock_guard lock(mutex_);
    n = queue_.size();
  }
  // Only what is queued at entry, so that a steady stream of ticks cannot trap the caller.
  for (std::size_t i = 0; i < n; ++i)
    if (!dispatchOne()) break;
  Model::instance().notifyDirty();
  CurrentFrontend().drainDirty();
  CurrentFrontend().waitForWork(0ms);
}

void EventLoop::pumpUntil(const std::function<bool()>& done) {
  if (!onUiThread()) {
    while (!done()) std::this_thread::sleep_for(1ms);
    return;
  }
  while (!done()) {
    auto& frontend = CurrentFrontend();
    Model::instance().notifyDirty();
    frontend.drainDirty();
    if (!dispatchOne()) frontend.waitForWork(2ms);
  }
}

}  // namespace helx::ui
