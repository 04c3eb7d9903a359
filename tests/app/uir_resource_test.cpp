// The panel resource site/HELX.uir and the constants header state/HELX.h must describe the same
// panels, pages, controls and menus, number by number and kind by kind, and the folders'
// callbacks.h must declare each callback the resource binds; the resource's layout must be
// usable (every control inside its panel, no two operable controls on top of each other) and
// every list must preselect one of its own items.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "state/HELX.h"  // compiles on its own, before anything else

namespace {

using nlohmann::json;
using Problems = std::vector<std::string>;
using testing::IsEmpty;

std::string sourceDir() {
  const char* dir = std::getenv("HELX_SOURCE_DIR");
  return dir ? dir : "";
}

std::string readText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

const json& resource() {
  static const json doc = [] {
    const std::string text = readText(sourceDir() + "/site/HELX.uir");
    return json::parse(text, nullptr, /*allow_exceptions=*/false);
  }();
  return doc;
}

const std::string& headerText() {
  static const std::string text = readText(sourceDir() + "/state/HELX.h");
  return text;
}

// Every folder declares the callbacks it defines in its callbacks.h. The constants header is read
// with them, so that a prototype left there too counts twice.
const std::string& prototypeText() {
  static const std::string text = [] {
    namespace fs = std::filesystem;
    std::vector<fs::path> headers;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(sourceDir(), error)) {
      if (fs::is_regular_file(entry.path() / "callbacks.h")) {
        headers.push_back(entry.path() / "callbacks.h");
      }
    }
    std::sort(headers.begin(), headers.end());
    std::string all = headerText();
    for (const fs::path& header : headers) {
      all += "\n" + readText(header.string());
    }
    return all;
  }();
  return text;
}

// ---------------------------------------------------------------------------------------------
// The headers: numeric defines with their comments, and the callback prototypes.

struct Define {
  long value = 0;
  std::string comment;
  int count = 0;  // how many times the name is defined
};

std::map<std::string, Define> headerDefines() {
  static const std::regex line(R"(^\s*#\s*define\s+(\w+)\s+(-?\d+)\s*(?:/\*\s*(.*?)\s*\*/)?\s*$)");
  std::map<std::string, Define> defines;
  std::istringstream in(headerText());
  for (std::string text; std::getline(in, text);) {
    std::smatch m;
    if (std::regex_match(text, m, line)) {
      Define& d = defines[m[1]];
      d.value = std::stol(m[2]);
      d.comment = m[3];
      ++d.count;
    }
  }
  return defines;
}

// The kind named by a define's comment: the toolkit word after "control type:", or the leading
// words ("panel", "menu item", "tab page 0 of SetHELX_setTAB").
std::string commentKind(const std::string& comment) {
  static const std::regex controlType(R"(control type:\s*([^,]+?)\s*(,|$))");
  std::smatch m;
  if (std::regex_search(comment, m, controlType)) {
    return m[1];
  }
  return comment.substr(0, comment.find(','));
}

std::string commentCallback(const std::string& comment) {
  static const std::regex callback(R"(callback function:\s*(\S+))");
  std::smatch m;
  return std::regex_search(comment, m, callback) ? std::string(m[1]) : std::string("(none)");
}

enum class Form { Control, Panel, Menu };

const char* formName(Form f) {
  switch (f) {
    case Form::Control:
      return "control callback";
    case Form::Panel:
      return "panel callback";
    case Form::Menu:
      return "menu callback";
  }
  return "?";
}

// Prototypes "int CVICALLBACK Name(int panel, ...);", wherever their lines break, reduced to
// their form. A prototype whose parameter types fit no form is reported and recorded without one.
std::map<std::string, std::vector<Form>> headerPrototypes(Problems& problems) {
  static const std::regex space(R"(\s+)");
  static const std::regex proto(R"((int|void) CVICALLBACK (\w+) ?\(([^)]*)\) ?;)");
  static const std::regex named(R"(CVICALLBACK (\w+) ?\()");
  static const std::regex param(R"(^\s*(.*[\s*])\s*\w+\s*$)");
  const std::string text = std::regex_replace(prototypeText(), space, " ");
  std::map<std::string, std::vector<Form>> found;
  std::set<std::string> read;
  for (auto it = std::sregex_iterator(text.begin(), text.end(), proto);
       it != std::sregex_iterator(); ++it) {
    const std::smatch& m = *it;
    std::string types = m[1].str() + "(";
    std::istringstream params(m[3].str());
    for (std::string p; std::getline(params, p, ',');) {
      std::smatch pm;
      std::string type = std::regex_match(p, pm, param) ? pm[1].str() : p;
      std::erase(type, ' ');
      types += type + ",";
    }
    types += ")";
    const std::string name = m[2];
    read.insert(name);
    if (types == "int(int,int,int,void*,int,int,)") {
      found[name].push_back(Form::Control);
    } else if (types == "int(int,int,void*,int,int,)") {
      found[name].push_back(Form::Panel);
    } else if (types == "void(int,int,void*,int,)") {
      found[name].push_back(Form::Menu);
    } else {
      problems.push_back(name + " has no toolkit callback signature: " + types);
      found[name];
    }
  }
  for (auto it = std::sregex_iterator(text.begin(), text.end(), named);
       it != std::sregex_iterator(); ++it) {
    if (!read.contains((*it)[1].str())) {
      problems.push_back("unreadable prototype of " + (*it)[1].str());
    }
  }
  return found;
}

// ---------------------------------------------------------------------------------------------
// The resource: panels and tab pages as containers of controls, and what the header must hold.

const std::map<std::string, std::string> kToolkitWord = {{"command_button", "command"},
                                                         {"toggle_button", "textButton"},
                                                         {"led", "LED"},
                                                         {"text_message", "textMsg"},
                                                         {"text_box", "textBox"},
                                                         {"string", "string"},
                                                         {"numeric", "numeric"},
                                                         {"numeric_slide", "scale"},
                                                         {"ring", "ring"},
                                                         {"choice_list", "tree"},
                                                         {"graph", "graph"},
                                                         {"picture", "picture"},
                                                         {"timer", "timer"},
                                                         {"tab", "tab"},
                                                         {"decoration", "deco"},
                                                         {"splitter", "splitter"},
                                                         {"activex", "activeX"}};

constexpr int kTabStrip = 24;   // height of the page tabs above a page's area
constexpr int kLabelLine = 18;  // height of one line of a label drawn above its control

struct Container {
  std::string name;  // panel or page constant: the prefix of its controls' constants
  int width = 0;
  int height = 0;
  const json* controls = nullptr;
};

std::vector<Container> containers() {
  std::vector<Container> all;
  for (const json& panel : resource().at("panels")) {
    all.push_back({panel.value("constant", ""), panel.value("width", 0), panel.value("height", 0),
                   &panel.at("controls")});
    for (const json& c : panel.at("controls")) {
      if (!c.contains("pages")) {
        continue;
      }
      for (const json& page : c.at("pages")) {
        all.push_back({page.value("constant", ""), c.value("width", 0),
                       c.value("height", 0) - kTabStrip, &page.at("controls")});
      }
    }
  }
  return all;
}

struct Expected {
  long value = 0;
  std::string kind;
  std::string callback;
};

// Every constant the resource defines, with the number, kind word and callback the header's
// define must carry. A constant the resource defines twice is reported.
std::map<std::string, Expected> resourceConstants(Problems& problems) {
  std::map<std::string, Expected> out;
  auto add = [&](const std::string& name, const Expected& e) {
    if (!out.emplace(name, e).second) {
      problems.push_back("the resource defines " + name + " twice");
    }
  };
  auto cb = [](const json& j) {
    const std::string name = j.value("callback", "");
    return name.empty() ? std::string("(none)") : name;
  };
  auto addControls = [&](const std::string& prefix, const json& controls, auto& self) -> void {
    for (const json& c : controls) {
      const std::string kind = c.value("kind", "");
      const auto word = kToolkitWord.find(kind);
      add(prefix + "_" + c.value("constant", ""),
          {c.value("id", 0L), word == kToolkitWord.end() ? "unknown kind " + kind : word->second,
           cb(c)});
      if (!c.contains("pages")) {
        continue;
      }
      long index = 0;
      for (const json& page : c.at("pages")) {
        const std::string tab = prefix + "_" + c.value("constant", "");
        add(page.value("constant", ""),
            {index, "tab page " + std::to_string(index) + " of " + tab, "(none)"});
        self(page.value("constant", ""), page.at("controls"), self);
        ++index;
      }
    }
  };
  for (const json& panel : resource().at("panels")) {
    add(panel.value("constant", ""), {panel.value("number", 0L), "panel", cb(panel)});
    addControls(panel.value("constant", ""), panel.at("controls"), addControls);
  }
  for (const json& bar : resource().at("menubars")) {
    add(bar.value("constant", ""), {bar.value("number", 0L), "menu bar", "(none)"});
    for (const json& menu : bar.value("menus", json::array())) {
      add(menu.value("constant", ""), {menu.value("id", 0L), "menu", "(none)"});
      for (const json& item : menu.value("items", json::array())) {
        add(item.value("constant", ""), {item.value("id", 0L), "menu item", cb(item)});
      }
    }
  }
  return out;
}

// Callback names of the resource by the form their binding needs.
std::map<std::string, std::set<Form>> resourceCallbacks() {
  std::map<std::string, std::set<Form>> out;
  auto note = [&](const json& j, Form f) {
    const std::string name = j.value("callback", "");
    if (!name.empty()) {
      out[name].insert(f);
    }
  };
  for (const json& panel : resource().at("panels")) {
    note(panel, Form::Panel);
  }
  for (const Container& box : containers()) {
    for (const json& c : *box.controls) {
      note(c, Form::Control);
    }
  }
  for (const json& bar : resource().at("menubars")) {
    for (const json& menu : bar.value("menus", json::array())) {
      for (const json& item : menu.value("items", json::array())) {
        note(item, Form::Menu);
      }
    }
  }
  return out;
}

struct Rect {
  int left, top, right, bottom;
};

// The area a control takes on screen: its rectangle, grown upwards by the label strip of the
// kinds that draw their label above themselves.
Rect footprint(const json& c) {
  static const std::set<std::string> labelAbove = {
      "string", "numeric", "numeric_slide", "ring", "choice_list", "text_box", "graph", "picture"};
  Rect r{c.value("left", 0), c.value("top", 0), 0, 0};
  r.right = r.left + c.value("width", 0);
  r.bottom = r.top + c.value("height", 0);
  const std::string label = c.value("label", "");
  if (labelAbove.contains(c.value("kind", "")) && !label.empty() &&
      c.value("label_visible", true)) {
    r.top -= kLabelLine * (1 + static_cast<int>(std::count(label.begin(), label.end(), '\n')));
  }
  return r;
}

bool overlap(const Rect& a, const Rect& b) {
  return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

std::string where(const Container& box, const json& c) {
  return box.name + "_" + c.value("constant", "?") + " (id " + std::to_string(c.value("id", 0)) +
         ")";
}

class PanelResource : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(sourceDir().empty()) << "HELX_SOURCE_DIR is not set";
    ASSERT_FALSE(resource().is_discarded()) << "site/HELX.uir is not valid JSON";
    ASSERT_TRUE(resource().contains("panels") && resource().contains("menubars"));
    ASSERT_FALSE(headerText().empty()) << "state/HELX.h is missing or empty";
  }
};

// ---------------------------------------------------------------------------------------------

TEST_F(PanelResource, EveryConstantOfTheResourceIsDefinedWithItsNumberAndNoOtherIs) {
  Problems problems;
  const auto expected = resourceConstants(problems);
  const auto defines = headerDefines();
  for (const auto& [name, e] : expected) {
    const auto d = defines.find(name);
    if (d == defines.end()) {
      problems.push_back(name + " is not defined in the header");
    } else if (d->second.value != e.value) {
      problems.push_back(name + " is " + std::to_string(d->second.value) + " in the header but " +
                         std::to_string(e.value) + " in the resource");
    }
  }
  for (const auto& [name, d] : defines) {
    if (!expected.contains(name)) {
      problems.push_back(name + " is defined in the header but not in the resource");
    }
    if (d.count > 1) {
      problems.push_back(name + " is defined " + std::to_string(d.count) + " times");
    }
  }
  EXPECT_THAT(problems, IsEmpty());
}

TEST_F(PanelResource, HeaderCommentsNameTheKindAndCallbackOfTheResource) {
  Problems problems;
  const auto expected = resourceConstants(problems);
  for (const auto& [name, d] : headerDefines()) {
    const auto e = expected.find(name);
    if (e == expected.end()) {
      continue;  // reported by the test above
    }
    if (commentKind(d.comment) != e->second.kind) {
      problems.push_back(name + ": header says \"" + commentKind(d.comment) +
                         "\", resource says \"" + e->second.kind + "\"");
    }
    if (commentCallback(d.comment) != e->second.callback) {
      problems.push_back(name + ": header names callback " + commentCallback(d.comment) +
                         ", resource " + e->second.callback);
    }
  }
  EXPECT_THAT(problems, IsEmpty());
}

TEST_F(PanelResource, EveryCallbackIsDeclaredOnceWithTheSignatureItsBindingNeeds) {
  Problems problems;
  const auto declared = headerPrototypes(problems);
  const auto used = resourceCallbacks();
  for (const auto& [name, forms] : used) {
    if (forms.size() > 1) {
      problems.push_back(name + " is bound as more than one kind of callback");
    }
    const auto d = declared.find(name);
    if (d == declared.end()) {
      problems.push_back(name + " is not declared");
      continue;
    }
    if (d->second.size() != 1) {
      problems.push_back(name + " is declared " + std::to_string(d->second.size()) + " times");
    } else if (!forms.contains(d->second.front())) {
      problems.push_back(name + " is declared as a " + formName(d->second.front()) +
                         " but bound otherwise");
    }
  }
  for (const auto& [name, forms] : declared) {
    if (!used.contains(name)) {
      problems.push_back(name + " is declared but the resource binds it nowhere");
    }
  }
  EXPECT_THAT(problems, IsEmpty());
}

TEST_F(PanelResource, IdsAreUniqueWithinEachPanelAndPageAndStartAtTwo) {
  Problems problems;
  std::set<long> panelNumbers;
  for (const json& panel : resource().at("panels")) {
    if (!panelNumbers.insert(panel.value("number", 0L)).second) {
      problems.push_back("panel number " + std::to_string(panel.value("number", 0)) + " repeats");
    }
  }
  for (const Container& box : containers()) {
    std::set<long> ids;
    std::set<std::string> constants;
    for (const json& c : *box.controls) {
      const long id = c.value("id", 0L);
      if (id < 2) {
        problems.push_back(where(box, c) + ": ids start at 2");
      }
      if (!ids.insert(id).second) {
        problems.push_back(where(box, c) + ": id repeats in " + box.name);
      }
      if (!constants.insert(c.value("constant", "")).second) {
        problems.push_back(where(box, c) + ": constant repeats in " + box.name);
      }
    }
  }
  EXPECT_THAT(problems, IsEmpty());
}

TEST_F(PanelResource, MenuBarIdsRunDepthFirstFromTwo) {
  Problems problems;
  ASSERT_FALSE(resource().at("menubars").empty());
  for (const json& bar : resource().at("menubars")) {
    long next = 2;
    ASSERT_FALSE(bar.value("menus", json::array()).empty());
    for (const json& menu : bar.at("menus")) {
      if (menu.value("id", 0L) != next) {
        problems.push_back("menu " + menu.value("constant", "?") + " has id " +
                           std::to_string(menu.value("id", 0)) + ", expected " +
                           std::to_string(next));
      }
      ++next;
      for (const json& item : menu.value("items", json::array())) {
        if (item.value("id", 0L) != next) {
          problems.push_back("item " + item.value("constant", "?") + " has id " +
                             std::to_string(item.value("id", 0)) + ", expected " +
                             std::to_string(next));
        }
        ++next;
      }
    }
  }
  EXPECT_THAT(problems, IsEmpty());
}

TEST_F(PanelResource, ControlsAndTheirLabelsLieInsideTheirPanelOrPage) {
  Problems problems;
  for (const Container& box : containers()) {
    if (box.width <= 0 || box.height <= 0) {
      problems.push_back(box.name + " has no area");
    }
    for (const json& c : *box.controls) {
      const Rect r = footprint(c);
      if (c.value("width", 0) <= 0 || c.value("height", 0) <= 0) {
        problems.push_back(where(box, c) + " has no area");
      }
      if (r.left < 0 || r.top < 0 || r.right > box.width || r.bottom > box.height) {
        problems.push_back(where(box, c) + " reaches outside " + box.name + " (" +
                           std::to_string(box.width) + " x " + std::to_string(box.height) + ")");
      }
    }
  }
  EXPECT_THAT(problems, IsEmpty());
}

TEST_F(PanelResource, OperableControlsDoNotOverlapEachOtherOrTheTextsBesideThem) {
  static const std::set<std::string> operable = {
      "command_button", "toggle_button", "string",      "numeric",
      "numeric_slide",  "ring",          "choice_list", "text_box",
      "graph",          "picture",       "tab"};
  static const std::set<std::string> shown = {"text_message", "led"};
  Problems problems;
  for (const Container& box : containers()) {
    const json& cs = *box.controls;
    for (std::size_t i = 0; i < cs.size(); ++i) {
      for (std::size_t j = i + 1; j < cs.size(); ++j) {
        const std::string a = cs[i].value("kind", ""), b = cs[j].value("kind", "");
        const bool checked = (operable.contains(a) && operable.contains(b)) ||
                             (operable.contains(a) && shown.contains(b)) ||
                             (shown.contains(a) && operable.contains(b));
        if (checked && overlap(footprint(cs[i]), footprint(cs[j]))) {
          problems.push_back(where(box, cs[i]) + " overlaps " + where(box, cs[j]));
        }
      }
    }
  }
  EXPECT_THAT(problems, IsEmpty());
}

TEST_F(PanelResource, ListsPreselectOneOfTheirItemsAndNumericsStartWithinTheirLimits) {
  static const std::set<std::string> dataTypes = {"int", "unsigned", "float", "double", "string"};
  Problems problems;
  for (const Container& box : containers()) {
    for (const json& c : *box.controls) {
      const std::string kind = c.value("kind", "");
      if (!kToolkitWord.contains(kind)) {
        problems.push_back(where(box, c) + ": unknown kind " + kind);
      }
      if (c.contains("data_type") && !dataTypes.contains(c.value("data_type", ""))) {
        problems.push_back(where(box, c) + ": unknown data type");
      }
      if (kind == "ring" || kind == "choice_list") {
        const json items = c.value("items", json::array());
        std::set<long> values;
        for (const json& item : items) {
          if (!item.contains("label") || !item.contains("value") ||
              !values.insert(item.value("value", 0L)).second) {
            problems.push_back(where(box, c) + ": an item lacks a label or repeats a value");
          }
        }
        if (items.empty()) {
          if (kind == "choice_list" || c.contains("default_index")) {
            problems.push_back(where(box, c) + ": no items to preselect");
          }
        } else {
          const long index = c.value("default_index", 0L);
          if (index < 0 || index >= static_cast<long>(items.size())) {
            problems.push_back(where(box, c) + ": default index " + std::to_string(index) +
                               " is not among its " + std::to_string(items.size()) + " items");
          }
        }
      }
      if (kind == "numeric" || kind == "numeric_slide") {
        const double value = c.value("default", 0.0);
        if ((c.contains("min") && value < c.value("min", 0.0)) ||
            (c.contains("max") && value > c.value("max", 0.0))) {
          problems.push_back(where(box, c) + ": default lies outside its limits");
        }
        if (c.contains("inc") && c.value("inc", 0.0) <= 0.0) {
          problems.push_back(where(box, c) + ": increment must be positive");
        }
      }
      if (kind == "timer" && c.value("interval", 0.0) <= 0.0) {
        problems.push_back(where(box, c) + ": a timer needs a positive interval");
      }
      if (kind == "tab" && c.value("pages", json::array()).empty()) {
        problems.push_back(where(box, c) + ": a tab control without pages");
      }
    }
  }
  EXPECT_THAT(problems, IsEmpty());
}

}  // namespace
