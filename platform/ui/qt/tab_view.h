// The tab control: a bar of page tabs 24 px high over the page area, where each page (a panel
// of its own in the model) is a surface for its controls. Only the active page is shown.
//
// Threads: UI thread only.
#pragma once

#include <QStringList>
#include <vector>

#include "platform/ui/qt/control_view.h"

class QTabBar;
class QFrame;

namespace helx::ui::qt {

constexpr int kTabStrip = 24;

class TabView : public ControlView {
 public:
  TabView(const Control& c, int panel, QWidget* surface);
  // Creates one surface per page, with the pages' tab texts.
  void setPages(const QStringList& titles);
  QWidget* pageSurface(int index) const;
  QTabBar* tabBar() const { return bar_; }

 protected:
  void syncValue(const Control& c) override;

 private:
  QTabBar* bar_;
  QFrame* area_;
  std::vector<QWidget*> pages_;
  int shown_ = -1;
};

}  // namespace helx::ui::qt
