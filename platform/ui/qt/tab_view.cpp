#include "platform/ui/qt/tab_view.h"

#include <QFrame>
#include <QTabBar>

#include "platform/ui/qt/labels.h"
#include "platform/ui/qt/views.h"

namespace helx::ui::qt {

TabView::TabView(const Control& c, int panel, QWidget* surface)
    : ControlView(panel, c.id, new QWidget(surface), LabelPlace::None) {
  bar_ = new QTabBar(body());
  bar_->setExpanding(false);
  bar_->setDrawBase(false);
  area_ = new QFrame(body());
  area_->setObjectName("tabPageArea");
  area_->setFrameShape(QFrame::StyledPanel);
  // The bar moves by itself on a click; the model decides, and the next sync agrees with it.
  QObject::connect(bar_, &QTabBar::currentChanged, [this](int page) {
    if (page >= 0 && page != shown_) settle(Operator::selectTab(this->panel(), this->id(), page));
  });
}

void TabView::setPages(const QStringList& titles) {
  QSignalBlocker block(bar_);
  while (bar_->count()) bar_->removeTab(0);
  for (QWidget* page : pages_) delete page;
  pages_.clear();
  for (const QString& t : titles) {
    bar_->addTab(t);
    auto* page = new QWidget(area_);
    page->hide();
    pages_.push_back(page);
  }
  shown_ = -1;
}

QWidget* TabView::pageSurface(int index) const {
  return index >= 0 && index < static_cast<int>(pages_.size()) ? pages_[index] : nullptr;
}

void TabView::syncValue(const Control& c) {
  const QSize size = body()->size();
  bar_->setGeometry(0, 0, size.width(), kTabStrip);
  area_->setGeometry(0, kTabStrip, size.width(), size.height() - kTabStrip);
  QSignalBlocker block(bar_);
  for (int i = 0; i < bar_->count(); ++i)
    bar_->setTabEnabled(i, !(i < static_cast<int>(c.pageDimmed.size()) && c.pageDimmed[i]));
  bar_->setCurrentIndex(c.activePage);
  for (int i = 0; i < static_cast<int>(pages_.size()); ++i) {
    pages_[i]->setGeometry(area_->rect());
    pages_[i]->setVisible(i == c.activePage);
  }
  shown_ = c.activePage;
}

std::unique_ptr<ControlView> makeTabView(const Control& c, int panel, QWidget* surface) {
  return std::make_unique<TabView>(c, panel, surface);
}

}  // namespace helx::ui::qt
