// The operator's hands, for tests, scripts and the headless front-end: everything a person
// does at the panels, going through exactly the events a click or a key produces. Like a
// person, it cannot use a dimmed or hidden control, a control on a dimmed page, or a hidden
// panel.
//
// Threads: every function may be called from any thread except the UI thread itself (the
// actions are queued to the UI thread and the caller goes on; sync() waits until the queue has
// reached them). Popups are recorded here whatever thread raised them.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "platform/ui/frontend.h"

namespace helx::ui {

struct ActionResult {
  bool ok = true;
  std::string error;  // why the operator could not do it
  explicit operator bool() const { return ok; }
};

// Popups kept in the record: the newest ones. A worker that fails on every pass of a long night
// would otherwise grow the record without end; every popup is also in the message log, whole.
constexpr std::size_t kPopupRecords = 1000;

struct PopupRecord {
  std::string kind;  // "message", "information" (a message with the information icon) or "file"
  std::string title, text;
  bool fromWorker = false;
  double time = 0;  // instrument seconds
};

class Operator {
 public:
  // Names: panels by constant ("PANEL", "SetHELX"), pages by constant ("setCCDTAB"), controls by
  // constant within a panel or page; menu items by constant ("MENUBAR_FILE_OPEN").
  static std::optional<int> panel(const std::string& constant);
  static std::optional<int> page(const std::string& pageConstant);
  static std::optional<int> control(int panel, const std::string& constant);
  static std::optional<std::pair<int, int>> menuItem(const std::string& constant);

  // What the operator reads on a control: its value as GetCtrlVal gives it into a string, taken
  // in one look, so a text box another thread is writing cannot outgrow a buffer sized from an
  // earlier GetCtrlValueLength. Empty for a missing control.
  static std::string text(int panel, int control);

  static ActionResult commit(int panel, int control);
  // Typing: numerics are parsed and held within their limits, strings cut to kMaxTypedText.
  static ActionResult type(int panel, int control, const std::string& text);
  static ActionResult choose(int panel, int control, int index);
  static ActionResult chooseLabel(int panel, int control, const std::string& label);
  static ActionResult selectTab(int panel, int tabControl, int page);
  static ActionResult menu(int menuBar, int item);
  static ActionResult close(int panel);
  static ActionResult key(int panel, int control, int keyCode);
  // Pointer in panel coordinates over a control (picture, graph).
  static ActionResult pointerMove(int panel, int control, int x, int y);
  static ActionResult click(int panel, int control, int x, int y);

  // Waits until every action queued before this call has been dispatched; false on time-out
  // (the UI thread is held by a callback that does not process events).
  static bool sync(double timeoutSeconds = 10);

  // File dialogs: the next dialog gets this path (empty: cancel).
  static void answerNextFileDialog(const std::string& path);
  static int takeFileAnswer(const FileRequest& request, std::string& path);

  // The popups recorded since the last clear, oldest first: the last kPopupRecords of them.
  static std::vector<PopupRecord> popups();
  // How many popups were recorded since the last clear, those no longer kept included.
  static std::size_t popupCount();
  static void clearPopups();
  // Waits (real time) for a popup whose title equals `title` (empty: any) and whose text
  // contains `text`, counting from the first popup not yet returned by an earlier wait (or from
  // the oldest kept, when more than kPopupRecords came since).
  static std::optional<PopupRecord> waitForPopup(const std::string& title, const std::string& text,
                                                 double timeoutSeconds);
  static void recordPopup(PopupRecord record);
};

}  // namespace helx::ui
