#include "platform/wvcontrol/wvcontrol.h"

#include <mutex>

namespace helx::wvcontrol {

namespace {
std::mutex mutex;
EditorDialog editorDialog;
}  // namespace

void SetEditorDialog(EditorDialog dialog) {
  std::lock_guard lock(mutex);
  editorDialog = std::move(dialog);
}

bool EditFile(const std::string& path) {
  EditorDialog dialog;
  {
    std::lock_guard lock(mutex);
    dialog = editorDialog;
  }
  if (!dialog) return false;
  WvList list = WvList::read(path).value_or(WvList{});
  if (!dialog(list)) return false;
  return list.write(path);
}

}  // namespace helx::wvcontrol

void ShowPanel(void) { helx::wvcontrol::EditFile("Wv.ini"); }
