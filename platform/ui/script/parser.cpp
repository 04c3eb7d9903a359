#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdlib>

#include "platform/ui/script/script.h"
#include "platform/ui/userint.h"

namespace helx::ui::script {

namespace {

struct Token {
  std::string text;
  bool quoted = false;
};

struct Error {
  std::string message;
};

std::string lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return s;
}

// Splits a line into words and "quoted strings"; a word starting with # begins a comment.
// `code` receives the line without its comment.
std::vector<Token> tokenize(std::string_view line, std::string& code) {
  std::vector<Token> tokens;
  std::size_t i = 0, end = line.size();
  auto space = [&](std::size_t k) { return std::isspace(static_cast<unsigned char>(line[k])); };
  while (true) {
    while (i < end && space(i)) ++i;
    if (i == end || line[i] == '#') break;
    Token t;
    if (line[i] == '"') {
      t.quoted = true;
      ++i;
      bool closed = false;
      while (i < end) {
        char c = line[i++];
        if (c == '"') {
          closed = true;
          break;
        }
        if (c == '\\' && i < end && (line[i] == '"' || line[i] == '\\')) c = line[i++];
        t.text += c;
      }
      if (!closed) throw Error{"a quoted text is not closed"};
      if (i < end && !space(i)) throw Error{"a quoted text must be followed by a space"};
    } else {
      while (i < end && !space(i)) {
        if (line[i] == '"') throw Error{"a quote inside a word"};
        t.text += line[i++];
      }
    }
    tokens.push_back(std::move(t));
  }
  code = std::string(line.substr(0, i));
  while (!code.empty() && std::isspace(static_cast<unsigned char>(code.back()))) code.pop_back();
  while (!code.empty() && std::isspace(static_cast<unsigned char>(code.front())))
    code.erase(code.begin());
  return tokens;
}

class Line {
 public:
  explicit Line(std::vector<Token> tokens) : tokens_(std::move(tokens)) {}

  bool done() const { return next_ >= tokens_.size(); }
  const Token* peek() const { return done() ? nullptr : &tokens_[next_]; }

  const Token& any(const char* what) {
    if (done()) throw Error{std::string("missing ") + what};
    return tokens_[next_++];
  }

  std::string name(const char* what) {
    const Token& t = any(what);
    bool ok = !t.quoted && !t.text.empty() &&
              (std::isalpha(static_cast<unsigned char>(t.text[0])) || t.text[0] == '_') &&
              std::all_of(t.text.begin(), t.text.end(),
                          [](unsigned char c) { return std::isalnum(c) || c == '_'; });
    if (!ok) throw Error{std::string("'") + t.text + "' is not a " + what};
    return t.text;
  }

  Address address() {
    Address a;
    a.owner = name("panel or page name");
    a.control = name("control name");
    return a;
  }

  std::string text(const char* what) { return any(what).text; }

  int integer(const char* what) {
    const Token& t = any(what);
    int v = 0;
    auto [p, ec] = std::from_chars(t.text.data(), t.text.data() + t.text.size(), v);
    if (t.quoted || ec != std::errc() || p != t.text.data() + t.text.size())
      throw Error{std::string("'") + t.text + "' is not a whole number (" + what + ")"};
    return v;
  }

  double seconds(const char* what) {
    const Token& t = any(what);
    double v = 0;
    auto [p, ec] = std::from_chars(t.text.data(), t.text.data() + t.text.size(), v);
    if (t.quoted || ec != std::errc() || p != t.text.data() + t.text.size() || !std::isfinite(v) ||
        v < 0)
      throw Error{std::string("'") + t.text + "' is not a number of seconds (" + what + ")"};
    return v;
  }

  bool keyword(const char* word) {
    if (done() || tokens_[next_].quoted || lower(tokens_[next_].text) != word) return false;
    last_ = word;
    ++next_;
    return true;
  }
  const std::string& lastKeyword() const { return last_; }

  double optionalTimeout() {
    if (done()) return kDefaultWaitSeconds;
    if (!keyword("within")) throw Error{"expected 'within SECONDS' after the condition"};
    return seconds("time-out after 'within'");
  }

  void end() {
    if (!done()) throw Error{"unexpected '" + tokens_[next_].text + "' at the end of the line"};
  }

 private:
  std::vector<Token> tokens_;
  std::size_t next_ = 0;
  std::string last_;
};

int keyCode(const Token& t) {
  std::string k = lower(t.text);
  if (!t.quoted && (k == "enter" || k == "return")) return VAL_ENTER_VKEY;
  if (!t.quoted && (k == "escape" || k == "esc")) return VAL_ESC_VKEY;
  if (t.text.size() == 1) return static_cast<unsigned char>(t.text[0]);
  if (!t.quoted) {
    char* end = nullptr;
    long v = std::strtol(t.text.c_str(), &end, 0);  // decimal or 0x...
    if (end && *end == '\0' && v >= 0 && v <= 0xFFFF) return static_cast<int>(v);
  }
  throw Error{"'" + t.text + "' is not a key (Enter, Escape, one character or a key code)"};
}

Compare comparison(const Token& t) {
  static const std::pair<const char*, Compare> ops[] = {
      {"=", Compare::Equal},         {"==", Compare::Equal},     {"!=", Compare::NotEqual},
      {"<", Compare::Less},          {"<=", Compare::LessEqual}, {">", Compare::Greater},
      {">=", Compare::GreaterEqual}, {"~", Compare::Contains},   {"contains", Compare::Contains}};
  if (!t.quoted)
    for (auto& [text, op] : ops)
      if (lower(t.text) == text) return op;
  throw Error{"'" + t.text + "' is not a comparison (= != < <= > >= ~)"};
}

Condition condition(Line& line) {
  Condition c;
  // An LED's state alone ("wait PANEL CCD_Status on") means "= on".
  if (line.keyword("on") || line.keyword("off")) {
    c.onOff = true;
    c.value = line.lastKeyword();
    return c;
  }
  if (line.keyword("enabled") || line.keyword("dimmed")) {
    c.state = true;
    c.value = line.lastKeyword();
    return c;
  }
  c.compare = comparison(line.any("comparison"));
  const Token& v = line.any("value to wait for");
  c.value = v.text;
  c.onOff = !v.quoted && (lower(v.text) == "on" || lower(v.text) == "off");
  if (c.onOff) {
    c.value = lower(v.text);
    if (c.compare != Compare::Equal && c.compare != Compare::NotEqual)
      throw Error{"on and off compare only with = or !="};
  }
  bool ordered = c.compare == Compare::Less || c.compare == Compare::LessEqual ||
                 c.compare == Compare::Greater || c.compare == Compare::GreaterEqual;
  if (ordered) {
    double d = 0;
    auto [p, ec] = std::from_chars(c.value.data(), c.value.data() + c.value.size(), d);
    if (ec != std::errc() || p != c.value.data() + c.value.size())
      throw Error{"'" + c.value + "' is not a number to compare with"};
  }
  return c;
}

Action statement(Line& line) {
  const Token& head = line.any("command");
  std::string command = lower(head.text);
  if (head.quoted) throw Error{"a line starts with a command, not a quoted text"};

  if (command == "commit") return Commit{line.address()};
  if (command == "type") {
    Address at = line.address();
    return Type{at, line.text("text to type")};
  }
  if (command == "choose") {
    Choose c{line.address(), {}, std::nullopt};
    const Token* next = line.peek();
    if (next && !next->quoted && lower(next->text) == "index") {
      line.keyword("index");
      int i = line.integer("item index");
      if (i < 0) throw Error{"an item index counts from 0"};
      c.index = i;
    } else {
      c.label = line.text("item label");
    }
    return c;
  }
  if (command == "tab") return SelectTab{line.name("tab page name")};
  if (command == "menu") return Menu{line.name("menu item name")};
  if (command == "close") return Close{line.name("panel name")};
  if (command == "key") {
    Address at = line.address();
    return Key{at, keyCode(line.any("key"))};
  }
  if (command == "pointer") {
    bool click;
    if (line.keyword("move")) {
      click = false;
    } else if (line.keyword("click")) {
      click = true;
    } else {
      throw Error{"pointer takes 'move' or 'click'"};
    }
    Pointer p{line.address(), click, 0, 0};
    p.x = line.integer("x");
    p.y = line.integer("y");
    return p;
  }
  if (command == "file") return AnswerFile{line.text("path (\"\" cancels)")};
  if (command == "wait") {
    if (line.keyword("popup")) {
      WaitPopup w;
      w.title = line.text("popup title (\"\" for any)");
      w.text = line.text("popup text");
      w.timeout = line.optionalTimeout();
      return w;
    }
    WaitValue w;
    w.at = line.address();
    w.condition = condition(line);
    w.timeout = line.optionalTimeout();
    return w;
  }
  if (command == "pause") return Pause{line.seconds("pause")};
  if (command == "quit") return Quit{};
  if (command == "snapshot") {
    std::string panel = line.name("panel name");
    return Snapshot{panel, line.text("PNG file")};
  }
  throw Error{"unknown command '" + head.text + "'"};
}

}  // namespace

ParseResult parseScript(std::string_view text) {
  ParseResult result;
  int number = 0;
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t stop = text.find('\n', start);
    if (stop == std::string_view::npos) stop = text.size();
    std::string_view raw = text.substr(start, stop - start);
    if (!raw.empty() && raw.back() == '\r') raw.remove_suffix(1);
    ++number;
    try {
      std::string code;
      Line line(tokenize(raw, code));
      if (!line.done()) {
        Action action = statement(line);
        line.end();
        result.script.statements.push_back({number, std::move(code), std::move(action)});
      }
    } catch (const Error& e) {
      result.script = {};
      result.error = ParseError{number, e.message};
      return result;
    }
    if (stop == text.size()) break;
    start = stop + 1;
  }
  return result;
}

}  // namespace helx::ui::script
