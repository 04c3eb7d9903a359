#include "platform/ui/qt/panel_window.h"

#include <QCloseEvent>
#include <QMenu>
#include <QMenuBar>
#include <QVBoxLayout>

#include "platform/ui/operator.h"
#include "platform/ui/qt/labels.h"

namespace helx::ui::qt {

PanelWindow::PanelWindow(int handle) : QWidget(nullptr, Qt::Window), handle_(handle) {
  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(0);
  canvas_ = new QWidget(this);
  canvas_->setObjectName("canvas");
  column->addWidget(canvas_);
}

QAction* PanelWindow::menuAction(int entry) const {
  auto it = actions_.find(entry);
  return it == actions_.end() ? nullptr : it->second;
}

void PanelWindow::buildMenus(const MenuBar& bar) {
  delete menuBar_;
  actions_.clear();
  menuBar_ = new QMenuBar(this);
  menuBarHandle_ = bar.handle;
  layout()->setMenuBar(menuBar_);
  // Menus first (entries are in id order, a menu before its items), then their items.
  std::map<int, QMenu*> menus;
  for (auto& [id, e] : bar.entries) {
    if (e.parentMenu == 0) {
      QMenu* menu = menuBar_->addMenu(buttonText(e.label));
      menus[id] = menu;
      actions_[id] = menu->menuAction();
    } else if (auto it = menus.find(e.parentMenu); it != menus.end()) {
      QAction* item = it->second->addAction(buttonText(e.label));
      const int barHandle = bar.handle, entry = id;
      QObject::connect(item, &QAction::triggered,
                       [barHandle, entry] { Operator::menu(barHandle, entry); });
      actions_[id] = item;
    }
  }
}

void PanelWindow::apply(const Panel& panel, const std::optional<MenuBar>& bar) {
  setWindowTitle(runtimeText(panel.title));
  if (bar && bar->handle != menuBarHandle_) buildMenus(*bar);
  if (!bar && menuBar_) {
    delete menuBar_;
    menuBar_ = nullptr;
    menuBarHandle_ = 0;
    actions_.clear();
  }
  if (bar)
    for (auto& [id, e] : bar->entries)
      if (QAction* a = menuAction(id)) a->setEnabled(!e.dimmed);

  // The panel's size is its canvas; the menu bar sits above it. Applied only when the program
  // changes it, so a window the operator has moved stays where it was put.
  const int menuHeight = menuBar_ ? menuBar_->sizeHint().height() : 0;
  const QRect wanted(panel.left, panel.top, panel.width, panel.height + menuHeight);
  if (wanted != applied_) {
    canvas_->setFixedSize(panel.width, panel.height);
    setFixedSize(wanted.size());
    if (wanted.topLeft() != applied_.topLeft() || applied_.isNull()) move(wanted.topLeft());
    applied_ = wanted;
  }
  if (panel.visible != isVisible()) setVisible(panel.visible);
}

void PanelWindow::closeEvent(QCloseEvent* e) {
  e->ignore();
  Operator::close(handle_);
}

}  // namespace helx::ui::qt
