// A top-level panel: a window whose client area is the panel's canvas (controls at panel
// coordinates), with the panel's menu bar above the canvas when it has one. Closing the window
// is the operator's close event for the panel; whether it hides is the program's decision.
//
// Threads: UI thread only.
#pragma once

#include <QRect>
#include <QWidget>
#include <map>
#include <optional>

#include "platform/ui/model.h"

class QMenuBar;
class QAction;

namespace helx::ui::qt {

class PanelWindow : public QWidget {
 public:
  explicit PanelWindow(int handle);
  QWidget* canvas() const { return canvas_; }
  QMenuBar* menuBar() const { return menuBar_; }
  QAction* menuAction(int entry) const;
  // Title, geometry, menu bar and visibility from the model (copies taken under its lock).
  void apply(const Panel& panel, const std::optional<MenuBar>& bar);

 protected:
  void closeEvent(QCloseEvent* e) override;

 private:
  void buildMenus(const MenuBar& bar);

  int handle_;
  QWidget* canvas_;
  QMenuBar* menuBar_ = nullptr;
  int menuBarHandle_ = 0;
  std::map<int, QAction*> actions_;  // menu entry id -> action (a menu's own action for menus)
  QRect applied_;
};

}  // namespace helx::ui::qt
