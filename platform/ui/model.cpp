#include "platform/ui/model.h"

#include <cstdio>

namespace helx::ui {

namespace {
const std::pair<const char*, Kind> kKinds[] = {
    {"command_button", Kind::CommandButton},
    {"toggle_button", Kind::ToggleButton},
    {"led", Kind::Led},
    {"text_message", Kind::TextMessage},
    {"text_box", Kind::TextBox},
    {"string", Kind::String},
    {"numeric", Kind::Numeric},
    {"numeric_slide", Kind::NumericSlide},
    {"ring", Kind::Ring},
    {"choice_list", Kind::ChoiceList},
    {"graph", Kind::Graph},
    {"picture", Kind::Picture},
    {"timer", Kind::Timer},
    {"tab", Kind::Tab},
    {"decoration", Kind::Decoration},
    {"splitter", Kind::Splitter},
    {"activex", Kind::ActiveX},
};
}  // namespace

std::optional<Kind> kindFromName(const std::string& name) {
  for (auto& [n, k] : kKinds)
    if (name == n) return k;
  return std::nullopt;
}

const char* kindName(Kind kind) {
  for (auto& [n, k] : kKinds)
    if (k == kind) return n;
  return "?";
}

bool isNumericKind(Kind kind) { return kind == Kind::Numeric || kind == Kind::NumericSlide; }

std::string valueText(const Control& c) {
  if (c.kind == Kind::String || c.kind == Kind::TextMessage || c.kind == Kind::TextBox)
    return c.text;
  if (c.kind == Kind::Ring || c.kind == Kind::ChoiceList)
    return (c.index >= 0 && c.index < static_cast<int>(c.items.size())) ? c.items[c.index].label
                                                                        : "";
  char number[32];
  std::snprintf(number, sizeof number, "%g", c.number);
  return number;
}

namespace {
// Drops a text box's oldest lines beyond kTextBoxLines, looking back from the end for the break
// that ends the last line to drop.
void trimTextBox(Control& c) {
  if (c.kind != Kind::TextBox) return;
  std::size_t breaks = 0;
  for (std::size_t end = c.text.size(); end > 0;) {
    const std::size_t at = c.text.rfind('\n', end - 1);
    if (at == std::string::npos) return;
    if (++breaks > kTextBoxLines) {
      c.text.erase(0, at + 1);
      c.textDropped += at + 1;
      return;
    }
    end = at;
  }
}
}  // namespace

void appendText(Control& c, std::string_view text) {
  c.text.append(text);
  trimTextBox(c);
}

void replaceText(Control& c, std::string text) {
  c.text = std::move(text);
  ++c.textGeneration;
  c.textDropped = 0;
  trimTextBox(c);
}

Model& Model::instance() {
  static Model& model = *new Model;  // never destroyed: threads may outlive main
  return model;
}

Panel* Model::panel(int handle) {
  auto it = panels_.find(handle);
  return it == panels_.end() ? nullptr : &it->second;
}

Control* Model::control(int panelHandle, int id) {
  Panel* p = panel(panelHandle);
  if (!p) return nullptr;
  auto it = p->controls.find(id);
  return it == p->controls.end() ? nullptr : &it->second;
}

MenuBar* Model::menuBar(int handle) {
  auto it = menuBars_.find(handle);
  return it == menuBars_.end() ? nullptr : &it->second;
}

int Model::addPanel(Panel p) {
  p.handle = nextHandle_++;
  int h = p.handle;
  panels_.emplace(h, std::move(p));
  markDirty(h);
  return h;
}

int Model::addMenuBar(MenuBar m) {
  m.handle = nextMenuBar_++;
  int h = m.handle;
  menuBars_.emplace(h, std::move(m));
  return h;
}

int Model::addBitmap(Bitmap b) {
  int id = nextBitmap_++;
  bitmaps_.emplace(id, std::move(b));
  return id;
}

void Model::erasePanel(int handle) {
  panels_.erase(handle);
  dirty_.insert({handle, -1});
  pendingNotify_ = true;
}

void Model::eraseMenuBar(int handle) { menuBars_.erase(handle); }

void Model::markDirty(int panelHandle, int control) {
  dirty_.insert({panelHandle, control});
  pendingNotify_ = true;
}

std::set<std::pair<int, int>> Model::takeDirty() {
  std::set<std::pair<int, int>> out;
  out.swap(dirty_);
  return out;
}

void Model::setDirtyObserver(std::function<void()> observer) {
  std::lock_guard lock(mutex_);
  observer_ = std::move(observer);
}

void Model::notifyDirty() {
  std::function<void()> observer;
  {
    std::lock_guard lock(mutex_);
    if (!pendingNotify_) return;
    pendingNotify_ = false;
    observer = observer_;
  }
  if (observer) observer();
}

bool Model::operable(int panelHandle, int id) {
  Panel* p = panel(panelHandle);
  Control* c = control(panelHandle, id);
  if (!p || !c || c->dimmed || !c->visible) return false;
  if (p->parent) {
    Panel* owner = panel(p->parent);
    Control* tab = control(p->parent, p->tabControl);
    if (!owner || !tab || !owner->visible || tab->dimmed || !tab->visible) return false;
    if (p->pageIndex < 0 || p->pageIndex >= static_cast<int>(tab->pageDimmed.size()) ||
        tab->pageDimmed[p->pageIndex])
      return false;
    return true;
  }
  return p->visible;
}

}  // namespace helx::ui
