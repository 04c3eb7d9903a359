// An operator script: one statement a line, each an action of the operator's hands or a wait,
// addressed by the program's own panel, page, control and menu-item constants. The language is
// described in the README ("Operator scripts").
//
// Parsing is pure: it knows nothing of the loaded panels, so a name is checked only when its
// statement runs (runner.h). A script with a syntax error is rejected whole, before any line
// runs.
//
// Threads: plain values; parseScript() is reentrant.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace helx::ui::script {

// A control: `owner` is a panel constant ("PANEL") or a tab page constant ("setMISC").
struct Address {
  std::string owner, control;
};

enum class Compare { Equal, NotEqual, Less, LessEqual, Greater, GreaterEqual, Contains };

// What a wait expects of a control's value. `value` "on"/"off" (unquoted) means a non-zero or
// zero number, as an LED or a toggle shows it.
struct Condition {
  Compare compare = Compare::Equal;
  std::string value;
  bool onOff = false;  // value is "on" or "off"
  bool state = false;  // value is "enabled" or "dimmed": the control's own dimming, not its value
};

// Time-out of a wait without "within", in instrument seconds.
constexpr double kDefaultWaitSeconds = 10;

struct Commit {
  Address at;
};
struct Type {
  Address at;
  std::string text;
};
struct Choose {
  Address at;
  std::string label;         // the item's label, or
  std::optional<int> index;  // "index N"
};
struct SelectTab {
  std::string page;
};
struct Menu {
  std::string item;
};
struct Close {
  std::string panel;
};
struct Key {
  Address at;
  int code = 0;
};
struct Pointer {
  Address at;
  bool click = false;  // false: move
  int x = 0, y = 0;    // panel coordinates
};
struct AnswerFile {
  std::string path;  // empty: cancel the dialog
};
struct WaitValue {
  Address at;
  Condition condition;
  double timeout = kDefaultWaitSeconds;
};
struct WaitPopup {
  std::string title;  // empty: any title
  std::string text;   // contained in the popup's text
  double timeout = kDefaultWaitSeconds;
};
struct Pause {
  double seconds = 0;
};
struct Quit {};
// A picture of a shown panel as the view draws it, written as PNG (relative paths from the
// working directory). Without a view there is nothing to draw: the runner says so and goes on.
struct Snapshot {
  std::string panel;
  std::string path;
};

using Action = std::variant<Commit, Type, Choose, SelectTab, Menu, Close, Key, Pointer, AnswerFile,
                            WaitValue, WaitPopup, Pause, Quit, Snapshot>;

struct Statement {
  int line = 0;      // 1-based, counting comments and blank lines
  std::string text;  // the line as written, without its comment
  Action action;
};

struct Script {
  std::vector<Statement> statements;
};

struct ParseError {
  int line = 0;
  std::string message;
};

struct ParseResult {
  Script script;
  std::optional<ParseError> error;  // set: `script` is empty
};

ParseResult parseScript(std::string_view text);

}  // namespace helx::ui::script
