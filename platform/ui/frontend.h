// What a front-end (headless, or the Qt view) gives the runtime: a way to wait on the UI
// thread for work while handling its own events, a way to wake that wait from any thread,
// modal popups and file dialogs.
//
// Threads: wake() from any thread; everything else on the UI thread only.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <string>

namespace helx::ui {

struct FileRequest {
  std::string defaultDirectory, defaultFileSpec, fileTypeList, title;
  int buttonLabel = 0;  // VAL_LOAD_BUTTON, VAL_SAVE_BUTTON, ...
};

class Frontend {
 public:
  virtual ~Frontend() = default;
  // Returns when woken or after maxWait; may run the toolkit's own events meanwhile.
  virtual void waitForWork(std::chrono::milliseconds maxWait) = 0;
  virtual void wake() = 0;
  // Modal message; returns when the operator has answered.
  // `information`: the message box shows the information icon (the system's message box with
  // MB_ICONINFORMATION); otherwise the toolkit's plain message popup.
  virtual void showMessage(const std::string& title, const std::string& text, bool information) = 0;
  // Returns VAL_NO_FILE_SELECTED, VAL_EXISTING_FILE_SELECTED or VAL_NEW_FILE_SELECTED.
  virtual int selectFile(const FileRequest& request, std::string& path) = 0;
  // Brings the view up to date with the model's dirty set.
  virtual void drainDirty() {}
  // Writes a shown panel as the view draws it to a PNG file; returns why it could not, or
  // nothing. A front-end without a view draws nothing.
  virtual std::string snapshotPanel(int panel, const std::string& path) {
    (void)panel;
    (void)path;
    return "this front-end draws nothing";
  }
  virtual bool headless() const = 0;
};

// The front-end in use (headless until another is installed). Install before RunUserInterface.
Frontend& CurrentFrontend();
void InstallFrontend(std::unique_ptr<Frontend> frontend);

// A front-end the program may choose at start-up (the Qt view registers one when it is built).
using FrontendFactory = std::function<std::unique_ptr<Frontend>(int& argc, char** argv)>;
void RegisterGraphicalFrontend(FrontendFactory factory);
bool HaveGraphicalFrontend();
std::unique_ptr<Frontend> CreateGraphicalFrontend(int& argc, char** argv);

}  // namespace helx::ui
