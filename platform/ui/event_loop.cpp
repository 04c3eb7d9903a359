#include "platform/ui/event_loop.h"

#include "platform/ui/frontend.h"
#include "platform/ui/model.h"

namespace helx::ui {

using namespace std::chrono_literals;

EventLoop& EventLoop::instance() {
  static EventLoop& loop = *new EventLoop;  // never destroyed: threads may outlive main
  return loop;
}

void EventLoop::post(std::string what, std::function<void()> event) {
  {
    std::lock_guard lock(mutex_);
    queue_.push_back({std::move(what), std::move(event)});
  }
  CurrentFrontend().wake();
}

void EventLoop::setUiThread() { uiThread_ = std::this_thread::get_id(); }

bool EventLoop::onUiThread() const { return uiThread_.load() == std::this_thread::get_id(); }

std::thread::id EventLoop::uiThread() const { return uiThread_.load(); }

bool EventLoop::dispatchOne() {
  Event event;
  {
    std::lock_guard lock(mutex_);
    if (queue_.empty()) return false;
    event = std::move(queue_.front());
    queue_.pop_front();
  }
  stalls_.begin(std::move(event.what));
  event.run();
  // Charged before the event counts as dispatched, so that a look after Operator::sync()
  // already finds the stall of every event before it.
  stalls_.end();
  ++dispatched_;
  return true;
}

void EventLoop::drawView(Frontend& frontend) {
  stalls_.begin("the view");
  Model::instance().notifyDirty();
  frontend.drainDirty();
  stalls_.end();
}

void EventLoop::idle(Frontend& frontend, std::chrono::milliseconds maxWait) {
  stalls_.pause();
  frontend.waitForWork(maxWait);
  stalls_.turn();
}

int EventLoop::run() {
  setUiThread();
  quit_ = false;
  ++depth_;
  while (!quit_) {
    auto& frontend = CurrentFrontend();
    drawView(frontend);
    if (!dispatchOne()) idle(frontend, 50ms);
  }
  --depth_;
  stalls_.leave();
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
  // The front-end's pass over its own events does work (it may draw): it counts with the view.
  stalls_.begin("the view");
  Model::instance().notifyDirty();
  CurrentFrontend().drainDirty();
  CurrentFrontend().waitForWork(0ms);
  stalls_.end();
  stalls_.leave();
}

void EventLoop::pumpUntil(const std::function<bool()>& done) {
  if (!onUiThread()) {
    while (!done()) std::this_thread::sleep_for(1ms);
    return;
  }
  ProcessingWait wait;
  while (!done()) {
    auto& frontend = CurrentFrontend();
    drawView(frontend);
    if (!dispatchOne()) idle(frontend, 2ms);
  }
  stalls_.leave();
}

EventLoop::ProcessingWait::ProcessingWait() : marked_(instance().onUiThread()) {
  if (marked_) instance().stalls_.beginWait();
}

EventLoop::ProcessingWait::~ProcessingWait() {
  if (marked_) instance().stalls_.endWait();
}

}  // namespace helx::ui
