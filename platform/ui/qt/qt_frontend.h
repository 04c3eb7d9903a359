// The graphical front-end: Qt Widgets draw the panel model, our event loop runs Qt's events
// while it waits, popups and file dialogs are Qt dialogs.
//
// Threads: construct, wait, drain and show dialogs on the UI thread (the thread that called
// InitCVIRTE); wake() from any thread. The model's dirty observer (any thread) wakes the UI
// thread and queues a drain to Qt, so the view also keeps up while Qt runs a loop of its own
// (a modal popup, an open menu).
#pragma once

#include <QObject>
#include <QTimer>
#include <atomic>
#include <memory>

#include "platform/ui/frontend.h"
#include "platform/ui/qt/view.h"

class QApplication;
class QAbstractEventDispatcher;

namespace helx::ui::qt {

class QtFrontend final : public Frontend {
 public:
  QtFrontend(int& argc, char** argv);
  ~QtFrontend() override;

  void waitForWork(std::chrono::milliseconds maxWait) override;
  void wake() override;
  void showMessage(const std::string& title, const std::string& text, bool information) override;
  int selectFile(const FileRequest& request, std::string& path) override;
  void drainDirty() override;
  std::string snapshotPanel(int panel, const std::string& path) override;
  bool headless() const override { return false; }

  View& view() { return *view_; }

 private:
  void dirtied();

  std::unique_ptr<QApplication> ownApp_;  // null when the caller made the application
  QAbstractEventDispatcher* dispatcher_ = nullptr;
  std::unique_ptr<View> view_;
  std::unique_ptr<QTimer> timeout_;
  std::unique_ptr<QObject> drainer_;  // queued drains die with it
  std::atomic<bool> woken_{false};
  std::atomic<bool> drainQueued_{false};
  bool timedOut_ = false;
};

// The look of the panels: one compact font and a light, neutral palette.
void applyPanelStyle();

}  // namespace helx::ui::qt
