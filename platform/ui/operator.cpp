#include "platform/ui/operator.h"

#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdlib>
#include <deque>
#include <mutex>
#include <thread>

#include "platform/os/clock.h"
#include "platform/ui/event_loop.h"
#include "platform/ui/message_log.h"
#include "platform/ui/model.h"

namespace helx::ui {

namespace {
struct PopupStore {
  std::mutex mutex;
  std::condition_variable cv;
  std::deque<PopupRecord> records;  // the last kPopupRecords
  std::size_t recorded = 0;         // since the last clear, dropped ones included
  std::size_t waited = 0;           // index of the first record not yet consumed by waitForPopup
  std::deque<std::string> fileAnswers;
};
PopupStore& store() {
  static PopupStore& s = *new PopupStore;  // never destroyed: threads may outlive main
  return s;
}

ActionResult fail(std::string why) { return {false, std::move(why)}; }

// Checks under the lock that the operator can reach the control; runs `change` on it there.
template <typename F>
ActionResult reach(int panel, int control, F&& change) {
  return Model::instance().with([&](Model& m) -> ActionResult {
    Control* c = m.control(panel, control);
    if (!c) return fail("no such control");
    if (!m.operable(panel, control))
      return fail("control '" + c->constant + "' is dimmed or hidden");
    return change(*c);
  });
}

// What an event for the control runs, for the stall watch: its callback's registered name.
std::string callbackNameOf(int panel, int control) {
  return Model::instance().with([&](Model& m) {
    Control* c = m.control(panel, control);
    return c && !c->callbackName.empty() ? c->callbackName : std::string("no callback");
  });
}

void postControlEvent(int panel, int control, int event, int d1 = 0, int d2 = 0) {
  EventLoop::instance().post(callbackNameOf(panel, control), [=] {
    CtrlCallbackPtr cb = nullptr;
    void* data = nullptr;
    Model::instance().with([&](Model& m) {
      if (Control* c = m.control(panel, control)) {
        cb = c->callback;
        data = c->callbackData;
      }
    });
    if (cb) cb(panel, control, event, data, d1, d2);
  });
}

// A control on a tab page that is not showing: the operator clicks its tab first.
void bringPageForward(int panel) {
  int owner = 0, tab = 0, page = -1;
  Model::instance().with([&](Model& m) {
    if (Panel* p = m.panel(panel); p && p->parent) {
      Control* t = m.control(p->parent, p->tabControl);
      if (t && t->activePage != p->pageIndex) {
        owner = p->parent;
        tab = p->tabControl;
        page = p->pageIndex;
      }
    }
  });
  if (owner) Operator::selectTab(owner, tab, page);
}
}  // namespace

std::optional<int> Operator::panel(const std::string& constant) {
  return Model::instance().with([&](Model& m) -> std::optional<int> {
    for (auto& [h, p] : m.panels())
      if (p.constant == constant && p.parent == 0) return h;
    return std::nullopt;
  });
}

std::optional<int> Operator::page(const std::string& constant) {
  return Model::instance().with([&](Model& m) -> std::optional<int> {
    for (auto& [h, p] : m.panels())
      if (p.constant == constant && p.parent != 0) return h;
    return std::nullopt;
  });
}

std::optional<int> Operator::control(int panel, const std::string& constant) {
  return Model::instance().with([&](Model& m) -> std::optional<int> {
    Panel* p = m.panel(panel);
    if (!p) return std::nullopt;
    for (auto& [id, c] : p->controls)
      if (c.constant == constant) return id;
    return std::nullopt;
  });
}

std::string Operator::text(int panel, int control) {
  return Model::instance().with([&](Model& m) -> std::string {
    Control* c = m.control(panel, control);
    return c ? valueText(*c) : "";
  });
}

std::optional<std::pair<int, int>> Operator::menuItem(const std::string& constant) {
  return Model::instance().with([&](Model& m) -> std::optional<std::pair<int, int>> {
    for (auto& [h, p] : m.panels()) {
      if (!p.menuBar) continue;
      if (MenuBar* bar = m.menuBar(p.menuBar))
        for (auto& [id, e] : bar->entries)
          if (e.constant == constant) return std::make_pair(bar->handle, id);
    }
    return std::nullopt;
  });
}

ActionResult Operator::commit(int panel, int control) {
  bringPageForward(panel);
  auto r = reach(panel, control, [](Control& c) -> ActionResult {
    switch (c.kind) {
      case Kind::ToggleButton:
        c.number = c.number != 0 ? 0 : 1;
        return {};
      case Kind::CommandButton:
      case Kind::String:
      case Kind::Numeric:
      case Kind::NumericSlide:
      case Kind::Ring:
      case Kind::ChoiceList:
      case Kind::Tab:
        return {};
      default:
        return fail(std::string("a ") + kindName(c.kind) + " cannot be committed");
    }
  });
  if (!r) return r;
  Model::instance().with([&](Model& m) { m.markDirty(panel, control); });
  postControlEvent(panel, control, EVENT_COMMIT);
  return r;
}

ActionResult Operator::type(int panel, int control, const std::string& text) {
  bringPageForward(panel);
  auto r = reach(panel, control, [&](Control& c) -> ActionResult {
    if (c.kind == Kind::String) {
      c.text = text.substr(0, kMaxTypedText);
      return {};
    }
    if (isNumericKind(c.kind)) {
      char* end = nullptr;
      double v = std::strtod(text.c_str(), &end);
      if (end == text.c_str()) return fail("'" + text + "' is not a number");
      if (c.min && v < *c.min) v = *c.min;
      if (c.max && v > *c.max) v = *c.max;
      if (c.dataType == DataType::Int || c.dataType == DataType::Unsigned)
        v = static_cast<double>(std::llround(v));
      c.number = v;
      return {};
    }
    return fail(std::string("cannot type into a ") + kindName(c.kind));
  });
  if (!r) return r;
  Model::instance().with([&](Model& m) { m.markDirty(panel, control); });
  postControlEvent(panel, control, EVENT_VAL_CHANGED);
  postControlEvent(panel, control, EVENT_COMMIT);
  return r;
}

ActionResult Operator::choose(int panel, int control, int index) {
  bringPageForward(panel);
  auto r = reach(panel, control, [&](Control& c) -> ActionResult {
    if (c.kind != Kind::Ring && c.kind != Kind::ChoiceList) return fail("not a ring or list");
    if (index < 0 || index >= static_cast<int>(c.items.size())) return fail("no such item");
    c.index = index;
    return {};
  });
  if (!r) return r;
  Model::instance().with([&](Model& m) { m.markDirty(panel, control); });
  postControlEvent(panel, control, EVENT_VAL_CHANGED);
  postControlEvent(panel, control, EVENT_COMMIT);
  return r;
}

ActionResult Operator::chooseLabel(int panel, int control, const std::string& label) {
  int index = Model::instance().with([&](Model& m) {
    if (Control* c = m.control(panel, control))
      for (std::size_t i = 0; i < c->items.size(); ++i)
        if (c->items[i].label == label) return static_cast<int>(i);
    return -1;
  });
  if (index < 0) return fail("no item '" + label + "'");
  return choose(panel, control, index);
}

ActionResult Operator::selectTab(int panel, int tabControl, int page) {
  auto r = reach(panel, tabControl, [&](Control& c) -> ActionResult {
    if (c.kind != Kind::Tab) return fail("not a tab control");
    if (page < 0 || page >= static_cast<int>(c.pages.size())) return fail("no such page");
    if (c.pageDimmed[page]) return fail("page is dimmed");
    c.activePage = page;
    return {};
  });
  if (!r) return r;
  Model::instance().with([&](Model& m) { m.markDirty(panel, tabControl); });
  postControlEvent(panel, tabControl, EVENT_ACTIVE_TAB_CHANGE, page);
  return r;
}

ActionResult Operator::menu(int menuBar, int item) {
  MenuCallbackPtr cb = nullptr;
  int panel = 0;
  std::string name;
  auto r = Model::instance().with([&](Model& m) -> ActionResult {
    MenuBar* bar = m.menuBar(menuBar);
    if (!bar) return fail("no such menu bar");
    auto it = bar->entries.find(item);
    if (it == bar->entries.end()) return fail("no such menu item");
    if (it->second.dimmed) return fail("menu item '" + it->second.constant + "' is dimmed");
    if (it->second.parentMenu) {
      auto menu = bar->entries.find(it->second.parentMenu);
      if (menu != bar->entries.end() && menu->second.dimmed)
        return fail("menu '" + menu->second.constant + "' is dimmed");
    }
    Panel* p = m.panel(bar->panel);
    if (!p || !p->visible) return fail("the menu bar's panel is not shown");
    cb = it->second.callback;
    name = it->second.callbackName;
    panel = bar->panel;
    return {};
  });
  if (!r) return r;
  if (cb) EventLoop::instance().post(name, [=] { cb(menuBar, item, nullptr, panel); });
  return r;
}

ActionResult Operator::close(int panel) {
  PanelCallbackPtr cb = nullptr;
  void* data = nullptr;
  std::string name;
  auto r = Model::instance().with([&](Model& m) -> ActionResult {
    Panel* p = m.panel(panel);
    if (!p || p->parent) return fail("no such panel");
    if (!p->visible) return fail("panel '" + p->constant + "' is not shown");
    cb = p->callback;
    data = p->callbackData;
    name = p->callbackName;
    return {};
  });
  if (!r) return r;
  if (cb) EventLoop::instance().post(name, [=] { cb(panel, EVENT_CLOSE, data, 0, 0); });
  return r;
}

ActionResult Operator::key(int panel, int control, int keyCode) {
  bringPageForward(panel);
  auto r = reach(panel, control, [](Control&) -> ActionResult { return {}; });
  if (!r) return r;
  postControlEvent(panel, control, EVENT_KEYPRESS, keyCode);
  return r;
}

ActionResult Operator::pointerMove(int panel, int control, int x, int y) {
  auto r = reach(panel, control, [](Control&) -> ActionResult { return {}; });
  if (!r) return r;
  postControlEvent(panel, control, EVENT_MOUSE_POINTER_MOVE, y, x);
  return r;
}

ActionResult Operator::click(int panel, int control, int x, int y) {
  auto r = reach(panel, control, [](Control&) -> ActionResult { return {}; });
  if (!r) return r;
  postControlEvent(panel, control, EVENT_LEFT_CLICK, y, x);
  return r;
}

bool Operator::sync(double timeoutSeconds) {
  auto reached = std::make_shared<std::atomic<bool>>(false);
  EventLoop::instance().post("the operator's sync", [reached] { *reached = true; });
  auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(timeoutSeconds);
  while (!*reached) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

void Operator::answerNextFileDialog(const std::string& path) {
  std::lock_guard lock(store().mutex);
  store().fileAnswers.push_back(path);
}

int Operator::takeFileAnswer(const FileRequest& request, std::string& path) {
  std::string answer;
  {
    std::lock_guard lock(store().mutex);
    if (!store().fileAnswers.empty()) {
      answer = store().fileAnswers.front();
      store().fileAnswers.pop_front();
    }
  }
  recordPopup({"file", request.title, answer, false, os::Clock::instance().seconds()});
  path = answer;
  if (answer.empty()) return VAL_NO_FILE_SELECTED;
  return request.buttonLabel == VAL_SAVE_BUTTON ? VAL_NEW_FILE_SELECTED
                                                : VAL_EXISTING_FILE_SELECTED;
}

std::vector<PopupRecord> Operator::popups() {
  std::lock_guard lock(store().mutex);
  const auto& records = store().records;
  return std::vector<PopupRecord>(records.begin(), records.end());
}

std::size_t Operator::popupCount() {
  std::lock_guard lock(store().mutex);
  return store().recorded;
}

void Operator::clearPopups() {
  std::lock_guard lock(store().mutex);
  store().records.clear();
  store().recorded = 0;
  store().waited = 0;
}

void Operator::recordPopup(PopupRecord record) {
  LogMessage(record.kind == "file" ? "file dialog" : "popup", record.title + ": " + record.text);
  auto& s = store();
  {
    std::lock_guard lock(s.mutex);
    s.records.push_back(std::move(record));
    ++s.recorded;
    if (s.records.size() > kPopupRecords) {
      s.records.pop_front();
      // A wait counts from the same popup as before, or from the oldest kept.
      if (s.waited > 0) --s.waited;
    }
  }
  s.cv.notify_all();
}

std::optional<PopupRecord> Operator::waitForPopup(const std::string& title, const std::string& text,
                                                  double timeoutSeconds) {
  std::unique_lock lock(store().mutex);
  auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(timeoutSeconds);
  while (true) {
    auto& records = store().records;
    for (std::size_t i = store().waited; i < records.size(); ++i) {
      auto& r = records[i];
      if (r.kind != "file" && (title.empty() || r.title == title) &&
          r.text.find(text) != std::string::npos) {
        store().waited = i + 1;
        return r;
      }
    }
    if (store().cv.wait_until(lock, deadline) == std::cv_status::timeout) {
      // One last look after the deadline.
      for (std::size_t i = store().waited; i < records.size(); ++i)
        if (records[i].kind != "file" && (title.empty() || records[i].title == title) &&
            records[i].text.find(text) != std::string::npos) {
          store().waited = i + 1;
          return records[i];
        }
      return std::nullopt;
    }
  }
}

}  // namespace helx::ui
