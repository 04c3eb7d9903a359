#include "platform/ui/qt/view.h"

#include <QStringList>
#include <QWidget>

#include "platform/ui/qt/tab_view.h"

namespace helx::ui::qt {

View::View() {
  Model::instance().with([](Model& m) {
    for (auto& [h, p] : m.panels()) {
      m.markDirty(h);
      for (auto& [id, c] : p.controls) m.markDirty(h, id);
    }
  });
}

View::~View() {
  controls_.clear();
  windows_.clear();
}

PanelWindow* View::window(int panel) const {
  auto it = windows_.find(panel);
  return it == windows_.end() ? nullptr : it->second.get();
}

ControlView* View::control(int panel, int id) const {
  auto it = controls_.find({panel, id});
  return it == controls_.end() ? nullptr : it->second.get();
}

void View::drain() {
  if (draining_) return;
  draining_ = true;
  // Panel marks (-1) sort before their controls', so a new window exists before its controls
  // are synced.
  const auto dirty = Model::instance().with([](Model& m) { return m.takeDirty(); });
  for (auto [panel, id] : dirty) {
    if (id < 0)
      syncPanel(panel);
    else
      syncControl(panel, id);
  }
  draining_ = false;
}

void View::syncPanel(int handle) {
  struct Snapshot {
    std::optional<Panel> panel;
    std::vector<Panel> pages;
    std::optional<MenuBar> bar;
  };
  const bool built = windows_.count(handle) > 0;
  Snapshot s = Model::instance().with([&](Model& m) {
    Snapshot out;
    Panel* p = m.panel(handle);
    if (!p || p->parent) return out;  // gone, or a page (drawn with its tab control)
    out.panel = *p;
    if (!built)
      for (auto& [id, c] : p->controls)
        for (int page : c.pages)
          if (Panel* pp = m.panel(page)) out.pages.push_back(*pp);
    if (p->menuBar)
      if (MenuBar* bar = m.menuBar(p->menuBar)) out.bar = *bar;
    return out;
  });
  if (!s.panel) {
    if (built) destroy(handle);
    return;
  }
  if (!built) build(*s.panel, s.pages);
  windows_[handle]->apply(*s.panel, s.bar);
}

void View::build(const Panel& panel, const std::vector<Panel>& pages) {
  auto window = std::make_unique<PanelWindow>(panel.handle);
  window->setObjectName(QString::fromStdString(panel.constant));
  PanelWindow* w = window.get();
  windows_[panel.handle] = std::move(window);
  buildSurface(panel, w->canvas(), pages);
}

void View::buildSurface(const Panel& panel, QWidget* surface, const std::vector<Panel>& pages) {
  std::vector<QWidget*> frames, lines;
  for (auto& [id, c] : panel.controls) {
    auto view = makeControlView(c, panel.handle, surface);
    if (!view) continue;
    view->body()->setObjectName(QString::fromStdString(c.constant));
    if (c.kind == Kind::Decoration) frames.push_back(view->body());
    if (c.kind == Kind::Splitter) lines.push_back(view->body());
    if (auto* tab = dynamic_cast<TabView*>(view.get())) {
      QStringList titles;
      std::vector<const Panel*> tabPages;
      for (int handle : c.pages)
        for (auto& page : pages)
          if (page.handle == handle) {
            titles << QString::fromStdString(page.title);
            tabPages.push_back(&page);
          }
      tab->setPages(titles);
      for (std::size_t i = 0; i < tabPages.size(); ++i) {
        pageOwner_[tabPages[i]->handle] = panel.handle;
        buildSurface(*tabPages[i], tab->pageSurface(static_cast<int>(i)), {});
      }
    }
    view->sync(c);
    controls_[{panel.handle, id}] = std::move(view);
  }
  // Frames and lines lie under the controls they group, whatever their order in the resource.
  for (QWidget* w : lines) w->lower();
  for (QWidget* w : frames) w->lower();
}

void View::syncControl(int panel, int id) {
  ControlView* view = control(panel, id);
  if (!view) return;
  std::optional<Control> copy = Model::instance().with([&](Model& m) -> std::optional<Control> {
    if (Control* c = m.control(panel, id)) return *c;
    return std::nullopt;
  });
  if (copy) view->sync(*copy);
}

void View::destroy(int handle) {
  std::erase_if(controls_, [&](auto& entry) {
    const int panel = entry.first.first;
    auto owner = pageOwner_.find(panel);
    return panel == handle || (owner != pageOwner_.end() && owner->second == handle);
  });
  std::erase_if(pageOwner_, [&](auto& entry) { return entry.second == handle; });
  windows_.erase(handle);
}

}  // namespace helx::ui::qt
