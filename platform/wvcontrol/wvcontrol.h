// The wavelength-list editor, as the program calls it: ShowPanel() lets the operator edit
// "Wv.ini" in the working directory and has written it by the time it returns.
//
// The dialog itself belongs to a graphical front-end, which installs it with SetEditorDialog:
// it gets the list as read from "Wv.ini", edits it in place (add, remove, reorder, change,
// choose the current entry) and returns true when the operator accepts. Without a dialog
// (headless) ShowPanel returns at once and leaves the file alone.
//
// Threads: ShowPanel runs on the user-interface thread (the program calls it from a button
// callback); the dialog is called on that thread. SetEditorDialog from any thread.
#pragma once

#include <functional>
#include <string>

#include "platform/wvcontrol/wv_list.h"

namespace helx::wvcontrol {

using EditorDialog = std::function<bool(WvList& list)>;
void SetEditorDialog(EditorDialog dialog);

// The editor's work with an explicit file: read (an unreadable file starts an empty list), run
// the dialog, write when accepted. Returns true when the file was written.
bool EditFile(const std::string& path);

}  // namespace helx::wvcontrol

// The library's one export.
void ShowPanel(void);
