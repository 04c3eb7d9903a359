#include "platform/ui/headless_frontend.h"

#include "platform/ui/model.h"
#include "platform/ui/operator.h"

namespace helx::ui {

void HeadlessFrontend::waitForWork(std::chrono::milliseconds maxWait) {
  std::unique_lock lock(mutex_);
  cv_.wait_for(lock, maxWait, [&] { return woken_; });
  woken_ = false;
}

void HeadlessFrontend::wake() {
  {
    std::lock_guard lock(mutex_);
    woken_ = true;
  }
  cv_.notify_all();
}

int HeadlessFrontend::selectFile(const FileRequest& request, std::string& path) {
  return Operator::takeFileAnswer(request, path);
}

void HeadlessFrontend::drainDirty() {
  Model::instance().with([](Model& m) { m.takeDirty(); });
}

}  // namespace helx::ui
