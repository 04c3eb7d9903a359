// The C API over the panel model, the event loop and the front-end.
#include "platform/ui/userint.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "platform/os/clock.h"
#include "platform/os/memory.h"
#include "platform/ui/callbacks.h"
#include "platform/ui/event_loop.h"
#include "platform/ui/frontend.h"
#include "platform/ui/message_log.h"
#include "platform/ui/model.h"
#include "platform/ui/operator.h"
#include "platform/ui/options.h"
#include "platform/ui/resource.h"
#include "platform/ui/services.h"
#include "platform/ui/timers.h"

using helx::ui::Control;
using helx::ui::DataType;
using helx::ui::EventLoop;
using helx::ui::Kind;
using helx::ui::Model;
using helx::ui::Panel;

namespace {

// Runs `f` on a control under the model lock, marking it dirty; UIEBadControlId when absent.
template <typename F>
int onControl(int panel, int control, F&& f, bool dirty = true) {
  int r = Model::instance().with([&](Model& m) -> int {
    if (!m.panel(panel)) return UIEHandleInvalid;
    Control* c = m.control(panel, control);
    if (!c) return UIEBadControlId;
    int result = f(*c);
    if (dirty) m.markDirty(panel, control);
    return result;
  });
  if (dirty) Model::instance().notifyDirty();
  return r;
}

template <typename F>
int onPanel(int panel, F&& f) {
  int r = Model::instance().with([&](Model& m) -> int {
    Panel* p = m.panel(panel);
    if (!p) return UIEHandleInvalid;
    int result = f(*p);
    m.markDirty(panel);
    return result;
  });
  Model::instance().notifyDirty();
  return r;
}

double itemValue(const Control& c) {
  if (c.index < 0 || c.index >= static_cast<int>(c.items.size())) return 0;
  return c.items[c.index].value;
}

double numericValue(const Control& c) {
  switch (c.kind) {
    case Kind::Ring:
    case Kind::ChoiceList:
      return itemValue(c);
    case Kind::String:
    case Kind::TextMessage:
    case Kind::TextBox:
      return std::strtod(c.text.c_str(), nullptr);
    case Kind::Tab:
      return c.activePage;
    default:
      return c.number;
  }
}

// Values the program writes are stored as written, only shaped by the control's data type. A
// number written to a text box is appended as text, and that text is given in `appended`.
int setNumber(Control& c, double v, std::string* appended = nullptr) {
  switch (c.kind) {
    case Kind::Ring:
    case Kind::ChoiceList:
      for (std::size_t i = 0; i < c.items.size(); ++i)
        if (c.items[i].value == v) {
          c.index = static_cast<int>(i);
          return 0;
        }
      return UIEValueNotInList;
    case Kind::Led:
    case Kind::ToggleButton:
      c.number = v != 0 ? 1 : 0;
      return 0;
    case Kind::String:
    case Kind::TextMessage:
    case Kind::TextBox: {
      char buf[64];
      std::snprintf(buf, sizeof buf, "%g", v);
      if (c.kind == Kind::TextBox) {
        helx::ui::appendText(c, buf);
        if (appended) *appended = buf;
      } else {
        c.text = buf;
      }
      return 0;
    }
    default:
      if (c.dataType == DataType::Int || c.dataType == DataType::Unsigned) v = std::trunc(v);
      if (c.dataType == DataType::Float) v = static_cast<float>(v);
      c.number = v;
      return 0;
  }
}

int setText(int panel, int control, const char* text) {
  if (!text) text = "";
  std::string appended;
  int r = onControl(panel, control, [&](Control& c) -> int {
    switch (c.kind) {
      case Kind::TextBox:
        helx::ui::appendText(c, text);
        appended = text;
        return 0;
      case Kind::String:
      case Kind::TextMessage:
        c.text = text;
        return 0;
      default: {
        char* end = nullptr;
        double v = std::strtod(text, &end);
        return setNumber(c, end == text ? 0 : v);
      }
    }
  });
  if (!appended.empty()) helx::ui::LogMessage("text", appended);
  return r;
}

// A number written by the program; appended to a text box, it reaches the message log as text
// does.
int setValue(int panel, int control, double value) {
  std::string appended;
  int r = onControl(panel, control, [&](Control& c) { return setNumber(c, value, &appended); });
  if (!appended.empty()) helx::ui::LogMessage("text", appended);
  return r;
}

template <typename T>
int getNumber(int panel, int control, T* out) {
  if (!out) return UIEBadAttribute;
  return onControl(
      panel, control,
      [&](Control& c) -> int {
        *out = static_cast<T>(numericValue(c));
        return 0;
      },
      false);
}

thread_local int threadId = 0;
std::atomic<int> nextThreadId{1};

}  // namespace

// ---------------------------------------------------------------- start-up

namespace helx::ui {
namespace {
Options& options() {
  static Options o;
  return o;
}
}  // namespace

const Options& RuntimeOptions() { return options(); }

bool ParseOptions(char* argv[], Options& out) {
  if (!argv || !argv[0]) return true;
  for (int i = 1; argv[i]; ++i) {
    std::string a = argv[i];
    if (a == "--headless") {
      out.headless = true;
    } else if (a == "--script" && argv[i + 1]) {
      out.script = argv[++i];
    } else if (a == "--time-scale" && argv[i + 1]) {
      out.timeScale = std::strtod(argv[++i], nullptr);
      if (!(out.timeScale > 0)) {
        std::fprintf(stderr, "helx: --time-scale needs a positive number\n");
        return false;
      }
    } else if (a == "--status-port" && argv[i + 1]) {
      char* end = nullptr;
      long port = std::strtol(argv[++i], &end, 10);
      if (!end || *end || port < 0 || port > 65535) {
        std::fprintf(stderr, "helx: --status-port needs a port number from 0 to 65535\n");
        return false;
      }
      out.statusPort = static_cast<int>(port);
    } else if (a == "--status-address" && argv[i + 1]) {
      out.statusAddress = argv[++i];
    } else {
      std::fprintf(stderr, "helx: unknown option '%s'\n", a.c_str());
      return false;
    }
  }
  return true;
}
}  // namespace helx::ui

int InitCVIRTE(void* hInstance, char* argv[], void* reserved) {
  (void)hInstance;
  (void)reserved;
  auto& opts = const_cast<helx::ui::Options&>(helx::ui::RuntimeOptions());
  if (!helx::ui::ParseOptions(argv, opts)) return 0;
  helx::os::KeepLargeBlocksOutOfTheHeap();
  if (opts.timeScale != 1.0) helx::os::Clock::instance().setScale(opts.timeScale);
  EventLoop::instance().setUiThread();
  bool display = std::getenv("DISPLAY") || std::getenv("WAYLAND_DISPLAY");
  if (!opts.headless && display && helx::ui::HaveGraphicalFrontend()) {
    static int argc = 1;
    static char* args[] = {argv && argv[0] ? argv[0] : const_cast<char*>("helx"), nullptr};
    if (auto f = helx::ui::CreateGraphicalFrontend(argc, args))
      helx::ui::InstallFrontend(std::move(f));
  }
  if (std::string why = helx::ui::StartServices(opts); !why.empty()) {
    std::fprintf(stderr, "helx: %s\n", why.c_str());
    return 0;
  }
  return 1;
}

void CloseCVIRTE(void) {
  helx::ui::StopServices();
  helx::ui::Timers::shutdown();
  // A command-line script that stopped ends the process with its status, as main's return
  // would end it, since the program's own main returns 0 after closing the runtime.
  if (int status = helx::ui::ScriptStatus()) {
    std::fflush(nullptr);
    std::exit(status);
  }
}

// ---------------------------------------------------------------- panels

int LoadPanel(int parentPanel, const char* fileName, int resourceId) {
  auto resource = helx::ui::Resource::load(fileName ? fileName : "");
  if (!resource) return UIEResourceFile;
  const nlohmann::json* description = resource->panel(resourceId);
  if (!description) return UIEResourceId;
  std::vector<std::string> unbound;
  int handle = Model::instance().with([&](Model& m) {
    Panel p = helx::ui::Resource::makePanel(*description, unbound);
    (void)parentPanel;  // every panel here is a top-level window
    int h = m.addPanel(std::move(p));
    // Tab pages become child panels of their own.
    for (auto& cd : description->value("controls", nlohmann::json::array())) {
      if (cd.value("kind", "") != "tab") continue;
      int tabId = cd.value("id", 0);
      int index = 0;
      std::vector<int> pages;
      for (auto& pd : cd.value("pages", nlohmann::json::array())) {
        Panel page = helx::ui::Resource::makePanel(pd, unbound);
        page.parent = h;
        page.tabControl = tabId;
        page.pageIndex = index++;
        page.visible = true;
        pages.push_back(m.addPanel(std::move(page)));
      }
      Control* tab = m.control(h, tabId);
      tab->pages = pages;
      tab->pageDimmed.assign(pages.size(), false);
    }
    return h;
  });
  for (auto& name : unbound)
    helx::ui::LogMessage("runtime", "callback '" + name + "' is not bound (panel " +
                                        std::to_string(resourceId) + ")");
  return handle;
}

int LoadMenuBar(int panel, const char* fileName, int resourceId) {
  auto resource = helx::ui::Resource::load(fileName ? fileName : "");
  if (!resource) return UIEResourceFile;
  const nlohmann::json* description = resource->menuBar(resourceId);
  if (!description) return UIEResourceId;
  std::vector<std::string> unbound;
  int handle = Model::instance().with([&](Model& m) -> int {
    Panel* p = m.panel(panel);
    if (!p) return UIEHandleInvalid;
    helx::ui::MenuBar bar = helx::ui::Resource::makeMenuBar(*description, unbound);
    bar.panel = panel;
    int h = m.addMenuBar(std::move(bar));
    p->menuBar = h;
    m.markDirty(panel);
    return h;
  });
  for (auto& name : unbound)
    helx::ui::LogMessage("runtime", "menu callback '" + name + "' is not bound");
  return handle;
}

int DisplayPanel(int panel) {
  return onPanel(panel, [](Panel& p) {
    p.visible = true;
    return 0;
  });
}

int HidePanel(int panel) {
  return onPanel(panel, [](Panel& p) {
    p.visible = false;
    return 0;
  });
}

int DiscardPanel(int panel) {
  // The panel's controls and the panel itself receive the discard event first.
  std::vector<std::pair<int, std::pair<CtrlCallbackPtr, void*>>> controls;
  PanelCallbackPtr panelCallback = nullptr;
  void* panelData = nullptr;
  bool exists = Model::instance().with([&](Model& m) {
    Panel* p = m.panel(panel);
    if (!p || p->parent) return false;
    for (auto& [id, c] : p->controls)
      if (c.callback) controls.push_back({id, {c.callback, c.callbackData}});
    panelCallback = p->callback;
    panelData = p->callbackData;
    return true;
  });
  if (!exists) return UIEHandleInvalid;
  for (auto& [id, cb] : controls) cb.first(panel, id, EVENT_DISCARD, cb.second, 0, 0);
  if (panelCallback) panelCallback(panel, EVENT_DISCARD, panelData, 0, 0);
  Model::instance().with([&](Model& m) {
    std::vector<int> children;
    for (auto& [h, p] : m.panels())
      if (p.parent == panel) children.push_back(h);
    for (int h : children) m.erasePanel(h);
    if (Panel* p = m.panel(panel); p && p->menuBar) m.eraseMenuBar(p->menuBar);
    m.erasePanel(panel);
  });
  Model::instance().notifyDirty();
  helx::ui::Timers::changed();
  return 0;
}

int GetPanelAttribute(int panel, int attribute, int* value) {
  if (!value) return UIEBadAttribute;
  return Model::instance().with([&](Model& m) -> int {
    Panel* p = m.panel(panel);
    if (!p) return UIEHandleInvalid;
    switch (attribute) {
      case ATTR_LEFT:
        *value = p->left;
        return 0;
      case ATTR_TOP:
        *value = p->top;
        return 0;
      case ATTR_WIDTH:
        *value = p->width;
        return 0;
      case ATTR_HEIGHT:
        *value = p->height;
        return 0;
      case ATTR_VISIBLE:
        *value = p->visible ? 1 : 0;
        return 0;
      default:
        return UIEBadAttribute;
    }
  });
}

int GetPanelAttribute(int panel, int attribute, char* value) {
  if (!value || attribute != ATTR_TITLE) return UIEBadAttribute;
  return Model::instance().with([&](Model& m) -> int {
    Panel* p = m.panel(panel);
    if (!p) return UIEHandleInvalid;
    std::strcpy(value, p->title.c_str());
    return 0;
  });
}

int SetPanelAttribute(int panel, int attribute, int value) {
  return onPanel(panel, [&](Panel& p) -> int {
    switch (attribute) {
      case ATTR_LEFT:
        p.left = value;
        return 0;
      case ATTR_TOP:
        p.top = value;
        return 0;
      case ATTR_WIDTH:
        p.width = value;
        return 0;
      case ATTR_HEIGHT:
        p.height = value;
        return 0;
      case ATTR_VISIBLE:
        p.visible = value != 0;
        return 0;
      default:
        return UIEBadAttribute;
    }
  });
}

int SetPanelAttribute(int panel, int attribute, const char* value) {
  if (attribute != ATTR_TITLE) return UIEBadAttribute;
  return onPanel(panel, [&](Panel& p) {
    p.title = value ? value : "";
    return 0;
  });
}

int GetPanelHandleFromTabPage(int panel, int tabControl, int pageIndex, int* pageHandle) {
  return onControl(
      panel, tabControl,
      [&](Control& c) -> int {
        if (c.kind != Kind::Tab || pageIndex < 0 || pageIndex >= static_cast<int>(c.pages.size()))
          return UIEBadAttribute;
        if (pageHandle) *pageHandle = c.pages[pageIndex];
        return 0;
      },
      false);
}

int SetTabPageAttribute(int panel, int tabControl, int pageIndex, int attribute, int value) {
  return onControl(panel, tabControl, [&](Control& c) -> int {
    if (c.kind != Kind::Tab || pageIndex < 0 || pageIndex >= static_cast<int>(c.pages.size()))
      return UIEBadAttribute;
    if (attribute != ATTR_DIMMED) return UIEBadAttribute;
    c.pageDimmed[pageIndex] = value != 0;
    return 0;
  });
}

int GetTabPageAttribute(int panel, int tabControl, int pageIndex, int attribute, int* value) {
  return onControl(
      panel, tabControl,
      [&](Control& c) -> int {
        if (c.kind != Kind::Tab || pageIndex < 0 || pageIndex >= static_cast<int>(c.pages.size()) ||
            attribute != ATTR_DIMMED || !value)
          return UIEBadAttribute;
        *value = c.pageDimmed[pageIndex] ? 1 : 0;
        return 0;
      },
      false);
}

int SetActiveTabPage(int panel, int tabControl, int pageIndex) {
  return onControl(panel, tabControl, [&](Control& c) -> int {
    if (c.kind != Kind::Tab || pageIndex < 0 || pageIndex >= static_cast<int>(c.pages.size()))
      return UIEBadAttribute;
    c.activePage = pageIndex;
    return 0;
  });
}

int GetActiveTabPage(int panel, int tabControl, int* pageIndex) {
  return getNumber(panel, tabControl, pageIndex);
}

int SetMenuBarAttribute(int menuBar, int menuItem, int attribute, int value) {
  int panel = 0;
  int r = Model::instance().with([&](Model& m) -> int {
    helx::ui::MenuBar* bar = m.menuBar(menuBar);
    if (!bar) return UIEHandleInvalid;
    auto it = bar->entries.find(menuItem);
    if (it == bar->entries.end()) return UIEBadControlId;
    if (attribute != ATTR_DIMMED) return UIEBadAttribute;
    it->second.dimmed = value != 0;
    panel = bar->panel;
    m.markDirty(panel);
    return 0;
  });
  Model::instance().notifyDirty();
  return r;
}

int GetMenuBarAttribute(int menuBar, int menuItem, int attribute, int* value) {
  return Model::instance().with([&](Model& m) -> int {
    helx::ui::MenuBar* bar = m.menuBar(menuBar);
    if (!bar) return UIEHandleInvalid;
    auto it = bar->entries.find(menuItem);
    if (it == bar->entries.end()) return UIEBadControlId;
    if (attribute != ATTR_DIMMED || !value) return UIEBadAttribute;
    *value = it->second.dimmed ? 1 : 0;
    return 0;
  });
}

// ---------------------------------------------------------------- controls

int SetCtrlVal(int panel, int control, int value) { return setValue(panel, control, value); }
int SetCtrlVal(int panel, int control, unsigned int value) {
  return setValue(panel, control, value);
}
int SetCtrlVal(int panel, int control, long value) {
  return setValue(panel, control, static_cast<double>(value));
}
int SetCtrlVal(int panel, int control, double value) { return setValue(panel, control, value); }
int SetCtrlVal(int panel, int control, float value) { return setValue(panel, control, value); }
int SetCtrlVal(int panel, int control, const char* value) { return setText(panel, control, value); }
int SetCtrlVal(int panel, int control, char* value) { return setText(panel, control, value); }

int GetCtrlVal(int panel, int control, int* value) { return getNumber(panel, control, value); }
int GetCtrlVal(int panel, int control, unsigned int* value) {
  return getNumber(panel, control, value);
}
int GetCtrlVal(int panel, int control, short* value) { return getNumber(panel, control, value); }
int GetCtrlVal(int panel, int control, long* value) { return getNumber(panel, control, value); }
int GetCtrlVal(int panel, int control, double* value) { return getNumber(panel, control, value); }
int GetCtrlVal(int panel, int control, float* value) { return getNumber(panel, control, value); }

int GetCtrlVal(int panel, int control, char* value) {
  if (!value) return UIEBadAttribute;
  return onControl(
      panel, control,
      [&](Control& c) -> int {
        std::string text = helx::ui::valueText(c);
        std::memcpy(value, text.c_str(), text.size() + 1);
        return 0;
      },
      false);
}

int GetCtrlValueLength(int panel, int control, int* length) {
  return onControl(
      panel, control,
      [&](Control& c) {
        if (length) *length = static_cast<int>(c.text.size());
        return 0;
      },
      false);
}

int GetCtrlIndex(int panel, int control, int* index) {
  return onControl(
      panel, control,
      [&](Control& c) {
        if (index) *index = c.index;
        return 0;
      },
      false);
}

int SetCtrlIndex(int panel, int control, int index) {
  return onControl(panel, control, [&](Control& c) -> int {
    if (index < 0 || index >= static_cast<int>(c.items.size())) return UIEValueNotInList;
    c.index = index;
    return 0;
  });
}

int GetNumListItems(int panel, int control, int* count) {
  return onControl(
      panel, control,
      [&](Control& c) {
        if (count) *count = static_cast<int>(c.items.size());
        return 0;
      },
      false);
}

int GetLabelFromIndex(int panel, int control, int index, char* label) {
  return onControl(
      panel, control,
      [&](Control& c) -> int {
        if (index < 0 || index >= static_cast<int>(c.items.size()) || !label)
          return UIEValueNotInList;
        std::memcpy(label, c.items[index].label.c_str(), c.items[index].label.size() + 1);
        return 0;
      },
      false);
}

namespace {
int insertItem(int panel, int control, int index, const char* label, double value) {
  return onControl(panel, control, [&](Control& c) -> int {
    int n = static_cast<int>(c.items.size());
    if (index < 0 || index > n) index = n;  // -1 appends
    c.items.insert(c.items.begin() + index, {label ? label : "", value});
    if (c.index < 0)
      c.index = 0;
    else if (index <= c.index && n > 0)
      ++c.index;
    return 0;
  });
}
}  // namespace

int InsertListItem(int panel, int control, int index, const char* label, int value) {
  return insertItem(panel, control, index, label, value);
}
int InsertListItem(int panel, int control, int index, const char* label, double value) {
  return insertItem(panel, control, index, label, value);
}

int DeleteListItem(int panel, int control, int index, int count) {
  return onControl(panel, control, [&](Control& c) -> int {
    int n = static_cast<int>(c.items.size());
    if (index < 0 || index >= n) return UIEValueNotInList;
    int end = (count < 0 || index + count > n) ? n : index + count;
    c.items.erase(c.items.begin() + index, c.items.begin() + end);
    if (c.items.empty())
      c.index = -1;
    else if (c.index >= end)
      c.index -= end - index;
    else if (c.index >= index)
      c.index = std::min(index, static_cast<int>(c.items.size()) - 1);
    return 0;
  });
}

int ClearListCtrl(int panel, int control) {
  return onControl(panel, control, [&](Control& c) {
    c.items.clear();
    c.index = -1;
    return 0;
  });
}

int ResetTextBox(int panel, int control, const char* text) {
  return onControl(panel, control, [&](Control& c) {
    helx::ui::replaceText(c, text ? text : "");
    return 0;
  });
}

int DefaultCtrl(int panel, int control) {
  return onControl(panel, control, [&](Control& c) {
    c.number = c.defaultNumber;
    helx::ui::replaceText(c, c.defaultText);
    if (!c.items.empty())
      c.index = (c.defaultIndex >= 0 && c.defaultIndex < static_cast<int>(c.items.size()))
                    ? c.defaultIndex
                    : 0;
    return 0;
  });
}

int GetCtrlAttribute(int panel, int control, int attribute, int* value) {
  double d = 0;
  int r = GetCtrlAttribute(panel, control, attribute, &d);
  if (r == 0 && value) *value = static_cast<int>(d);
  return r;
}

int GetCtrlAttribute(int panel, int control, int attribute, double* value) {
  if (!value) return UIEBadAttribute;
  return onControl(
      panel, control,
      [&](Control& c) -> int {
        switch (attribute) {
          case ATTR_DIMMED:
            *value = c.dimmed;
            return 0;
          case ATTR_VISIBLE:
            *value = c.visible;
            return 0;
          case ATTR_LEFT:
            *value = c.left;
            return 0;
          case ATTR_TOP:
            *value = c.top;
            return 0;
          case ATTR_WIDTH:
            *value = c.width;
            return 0;
          case ATTR_HEIGHT:
            *value = c.height;
            return 0;
          case ATTR_MIN_VALUE:
            *value = c.min.value_or(-2147483648.0);
            return 0;
          case ATTR_MAX_VALUE:
            *value = c.max.value_or(2147483647.0);
            return 0;
          case ATTR_INCR_VALUE:
            *value = c.increment;
            return 0;
          case ATTR_DFLT_INDEX:
            *value = c.defaultIndex;
            return 0;
          case ATTR_CTRL_INDEX:
            *value = c.index;
            return 0;
          case ATTR_ON_COLOR:
            *value = c.onColor;
            return 0;
          case ATTR_INTERVAL:
            *value = c.interval;
            return 0;
          case ATTR_ENABLED:
            *value = c.enabled;
            return 0;
          case ATTR_NUM_PAGES:
            *value = static_cast<double>(c.pages.size());
            return 0;
          case ATTR_ACTIVE_PAGE:
            *value = c.activePage;
            return 0;
          case ATTR_CTRL_VAL:
            *value = numericValue(c);
            return 0;
          default:
            return UIEBadAttribute;
        }
      },
      false);
}

int SetCtrlAttribute(int panel, int control, int attribute, int value) {
  return SetCtrlAttribute(panel, control, attribute, static_cast<double>(value));
}

int SetCtrlAttribute(int panel, int control, int attribute, double value) {
  if (attribute == ATTR_CTRL_VAL) return setValue(panel, control, value);
  bool timer = false;
  int r = onControl(panel, control, [&](Control& c) -> int {
    switch (attribute) {
      case ATTR_DIMMED:
        c.dimmed = value != 0;
        return 0;
      case ATTR_VISIBLE:
        c.visible = value != 0;
        return 0;
      case ATTR_LEFT:
        c.left = static_cast<int>(value);
        return 0;
      case ATTR_TOP:
        c.top = static_cast<int>(value);
        return 0;
      case ATTR_WIDTH:
        c.width = static_cast<int>(value);
        return 0;
      case ATTR_HEIGHT:
        c.height = static_cast<int>(value);
        return 0;
      case ATTR_MIN_VALUE:
        c.min = value;
        return 0;
      case ATTR_MAX_VALUE:
        c.max = value;
        return 0;
      case ATTR_INCR_VALUE:
        c.increment = value;
        return 0;
      case ATTR_DFLT_INDEX:
        c.defaultIndex = static_cast<int>(value);
        return 0;
      case ATTR_CTRL_INDEX:
        if (value < 0 || value >= static_cast<double>(c.items.size())) return UIEValueNotInList;
        c.index = static_cast<int>(value);
        return 0;
      case ATTR_ON_COLOR:
        c.onColor = static_cast<int>(value);
        return 0;
      case ATTR_INTERVAL:
        c.interval = value;
        timer = c.kind == Kind::Timer;
        return 0;
      case ATTR_ENABLED:
        c.enabled = value != 0;
        timer = c.kind == Kind::Timer;
        return 0;
      default:
        return UIEBadAttribute;
    }
  });
  if (timer) helx::ui::Timers::changed();
  return r;
}

int SetCtrlAttribute(int panel, int control, int attribute, const char* value) {
  if (attribute == ATTR_CTRL_VAL) return setText(panel, control, value);
  if (attribute != ATTR_LABEL_TEXT) return UIEBadAttribute;
  return onControl(panel, control, [&](Control& c) {
    c.label = value ? value : "";
    return 0;
  });
}

// ---------------------------------------------------------------- graph and picture

namespace {
double sampleAt(const void* data, int type, std::size_t i) {
  switch (type) {
    case VAL_CHAR:
      return static_cast<const char*>(data)[i];
    case VAL_SHORT_INTEGER:
      return static_cast<const short*>(data)[i];
    case VAL_INTEGER:
      return static_cast<const int*>(data)[i];
    case VAL_FLOAT:
      return static_cast<const float*>(data)[i];
    case VAL_DOUBLE:
      return static_cast<const double*>(data)[i];
    case VAL_UNSIGNED_SHORT_INTEGER:
      return static_cast<const unsigned short*>(data)[i];
    case VAL_UNSIGNED_INTEGER:
      return static_cast<const unsigned int*>(data)[i];
    case VAL_UNSIGNED_CHAR:
      return static_cast<const unsigned char*>(data)[i];
    default:
      return 0;
  }
}

int plot(int panel, int control, const void* x, int xType, const void* y, int yType, std::size_t n,
         int plotStyle, int pointStyle, int lineStyle, int color) {
  if (!y) return UIEBadAttribute;
  helx::ui::Plot p;
  p.x.resize(n);
  p.y.resize(n);
  for (std::size_t i = 0; i < n; ++i) {
    p.x[i] = x ? sampleAt(x, xType, i) : static_cast<double>(i);
    p.y[i] = sampleAt(y, yType, i);
  }
  p.plotStyle = plotStyle;
  p.pointStyle = pointStyle;
  p.lineStyle = lineStyle;
  p.color = color;
  return onControl(panel, control, [&](Control& c) -> int {
    if (c.kind != Kind::Graph) return UIEBadControlId;
    p.handle = c.nextPlot++;
    c.plots.push_back(std::move(p));
    return c.plots.back().handle;
  });
}
}  // namespace

int PlotXY(int panel, int control, const void* x, const void* y, std::size_t count, int xType,
           int yType, int plotStyle, int pointStyle, int lineStyle, int pointFrequency, int color) {
  (void)pointFrequency;  // every point is drawn
  if (!x) return UIEBadAttribute;
  return plot(panel, control, x, xType, y, yType, count, plotStyle, pointStyle, lineStyle, color);
}

int PlotY(int panel, int control, const void* y, std::size_t count, int yType, int plotStyle,
          int pointStyle, int lineStyle, int pointFrequency, int color) {
  (void)pointFrequency;  // every point is drawn
  return plot(panel, control, nullptr, 0, y, yType, count, plotStyle, pointStyle, lineStyle, color);
}

int DeleteGraphPlot(int panel, int control, int plotHandle, int refresh) {
  (void)refresh;  // the view redraws whatever changed
  return onControl(panel, control, [&](Control& c) -> int {
    if (plotHandle == -1) {
      c.plots.clear();
      return 0;
    }
    for (auto it = c.plots.begin(); it != c.plots.end(); ++it)
      if (it->handle == plotHandle) {
        c.plots.erase(it);
        return 0;
      }
    return UIEBadAttribute;
  });
}

int NewBitmap(int bytesPerRow, int pixelDepth, int width, int height, const int* colorTable,
              const unsigned char* bits, const unsigned char*, int* bitmapId) {
  if (width <= 0 || height <= 0 || !bits || !bitmapId) return UIEBadAttribute;
  int bytesPerPixel = pixelDepth / 8;
  if (pixelDepth != 8 && pixelDepth != 24 && pixelDepth != 32) return UIEBadAttribute;
  if (pixelDepth == 8 && !colorTable) return UIEBadAttribute;
  if (bytesPerRow == -1) bytesPerRow = width * bytesPerPixel;
  if (bytesPerRow < width * bytesPerPixel) return UIEBadAttribute;
  helx::ui::Bitmap b;
  b.image.width = width;
  b.image.height = height;
  b.image.rgb.resize(static_cast<std::size_t>(width) * height);
  for (int row = 0; row < height; ++row) {
    const unsigned char* line = bits + static_cast<std::size_t>(row) * bytesPerRow;
    for (int col = 0; col < width; ++col) {
      std::uint32_t rgb;
      if (pixelDepth == 8) {
        rgb = static_cast<std::uint32_t>(colorTable[line[col]]) & 0xFFFFFF;
      } else {
        const unsigned char* px = line + col * bytesPerPixel;  // blue, green, red(, unused)
        rgb = (static_cast<std::uint32_t>(px[2]) << 16) | (px[1] << 8) | px[0];
      }
      b.image.rgb[static_cast<std::size_t>(row) * width + col] = rgb;
    }
  }
  *bitmapId = Model::instance().with([&](Model& m) { return m.addBitmap(std::move(b)); });
  return 0;
}

int SetCtrlBitmap(int panel, int control, int imageId, int bitmapId) {
  (void)imageId;  // one image per control
  return Model::instance().with([&](Model& m) -> int {
    Control* c = m.control(panel, control);
    if (!c) return UIEBadControlId;
    if (bitmapId == 0) {
      c->image = {};
    } else {
      auto it = m.bitmaps().find(bitmapId);
      if (it == m.bitmaps().end()) return UIEBadAttribute;
      c->image = it->second.image;
    }
    ++c->pictureGeneration;
    m.markDirty(panel, control);
    return 0;
  });
}

int SetPictureMarks(int panel, int control, const unsigned char* marks, int width, int height,
                    int color) {
  helx::ui::Marks next;
  if (marks && width > 0 && height > 0) {
    next.width = width;
    next.height = height;
    next.marked.assign(marks, marks + static_cast<std::size_t>(width) * height);
    next.color = static_cast<std::uint32_t>(color) & 0xFFFFFFu;
  }
  return Model::instance().with([&](Model& m) -> int {
    Control* c = m.control(panel, control);
    if (!c) return UIEBadControlId;
    if (c->marks == next) return 0;
    c->marks = std::move(next);
    ++c->pictureGeneration;
    m.markDirty(panel, control);
    return 0;
  });
}

int DiscardBitmap(int bitmapId) {
  return Model::instance().with(
      [&](Model& m) -> int { return m.bitmaps().erase(bitmapId) ? 0 : UIEBadAttribute; });
}

// ---------------------------------------------------------------- popups

namespace {
int showMessage(const char* title, const char* message, bool information) {
  std::string t = title ? title : "", text = message ? message : "";
  bool ui = EventLoop::instance().onUiThread();
  helx::ui::Operator::recordPopup({information ? "information" : "message", t, text, !ui,
                                   helx::os::Clock::instance().seconds()});
  if (ui) {
    helx::ui::CurrentFrontend().showMessage(t, text, information);
  } else {
    // A worker never waits for the UI thread: the popup is shown when the UI thread next
    // processes events.
    EventLoop::instance().post("popup '" + t + "'", [t, text, information] {
      helx::ui::CurrentFrontend().showMessage(t, text, information);
    });
  }
  return 0;
}
}  // namespace

int MessagePopup(const char* title, const char* message) {
  return showMessage(title, message, false);
}

int InformationMessageBox(const char* title, const char* message) {
  return showMessage(title, message, true);
}

int FileSelectPopup(const char* defaultDirectory, const char* defaultFileSpec,
                    const char* fileTypeList, const char* title, int buttonLabel,
                    int restrictDirectory, int restrictExtension, int allowCancel,
                    int allowMakeDirectory, char* pathName) {
  // The dialog always allows a cancel and a new folder, and never restricts the choice.
  (void)restrictDirectory;
  (void)restrictExtension;
  (void)allowCancel;
  (void)allowMakeDirectory;
  helx::ui::FileRequest request{defaultDirectory ? defaultDirectory : "",
                                defaultFileSpec ? defaultFileSpec : "",
                                fileTypeList ? fileTypeList : "", title ? title : "", buttonLabel};
  std::string path;
  int r = helx::ui::CurrentFrontend().selectFile(request, path);
  if (pathName) {
    // The caller's buffer holds 260 characters and a NUL.
    std::size_t n = std::min<std::size_t>(path.size(), 260);
    std::memcpy(pathName, path.data(), n);
    pathName[n] = '\0';
    if (r == VAL_NO_FILE_SELECTED) pathName[0] = '\0';
  }
  return r;
}

// ---------------------------------------------------------------- event loop

int RunUserInterface(void) {
  auto& opts = helx::ui::RuntimeOptions();
  // The command line's script runs beside the outermost event loop and ends with it.
  bool script = helx::ui::StartScript(opts);
  int code = EventLoop::instance().run();
  if (script) helx::ui::EndScript();
  return code;
}

int QuitUserInterface(int returnCode) {
  EventLoop::instance().quit(returnCode);
  return 0;
}

int ProcessSystemEvents(void) {
  EventLoop::instance().processPending();
  return 0;
}

int CmtGetCurrentThreadID(void) {
  if (threadId == 0) threadId = nextThreadId++;
  return threadId;
}

// ---------------------------------------------------------------- utilities

void Delay(double seconds) { helx::os::Clock::instance().sleepForSeconds(seconds); }

double Timer(void) { return helx::os::Clock::instance().seconds(); }
