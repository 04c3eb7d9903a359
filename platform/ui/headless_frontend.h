// The front-end without a display: popups are answered at once (they are recorded by the
// runtime before they get here), file dialogs take the answers the operator API queued, and the
// model's dirty marks are dropped, as there is nothing to bring up to date.
#pragma once

#include <condition_variable>
#include <mutex>

#include "platform/ui/frontend.h"

namespace helx::ui {

class HeadlessFrontend : public Frontend {
 public:
  void waitForWork(std::chrono::milliseconds maxWait) override;
  void wake() override;
  void showMessage(const std::string&, const std::string&, bool) override {}
  int selectFile(const FileRequest& request, std::string& path) override;
  // Without it the dirty set would keep a mark for every control of every panel ever loaded.
  void drainDirty() override;
  bool headless() const override { return true; }

 private:
  std::mutex mutex_;
  std::condition_variable cv_;
  bool woken_ = false;
};

}  // namespace helx::ui
