// Rings (pop-up lists) and choice lists (a group of options, exactly one selected).
#include <QButtonGroup>
#include <QComboBox>
#include <QFrame>
#include <QRadioButton>
#include <QVBoxLayout>

#include "platform/ui/qt/labels.h"
#include "platform/ui/qt/views.h"

namespace helx::ui::qt {

namespace {

std::vector<std::string> labelsOf(const Control& c) {
  std::vector<std::string> out;
  for (auto& item : c.items) out.push_back(item.label);
  return out;
}

class RingView : public ControlView {
 public:
  RingView(const Control& c, int panel, QWidget* surface)
      : ControlView(panel, c.id, new QComboBox(surface), LabelPlace::Above),
        combo_(static_cast<QComboBox*>(body())) {
    combo_->setMaxVisibleItems(20);
    QObject::connect(combo_, &QComboBox::activated, [this](int index) {
      if (index != shown_) settle(Operator::choose(this->panel(), this->id(), index));
    });
  }

 protected:
  void syncValue(const Control& c) override {
    QSignalBlocker block(combo_);
    if (auto labels = labelsOf(c); labels != items_) {
      combo_->clear();
      for (auto& l : labels) combo_->addItem(displayLabel(l));
      items_ = std::move(labels);
    }
    combo_->setCurrentIndex(c.index);
    shown_ = c.index;
  }

 private:
  QComboBox* combo_;
  std::vector<std::string> items_;
  int shown_ = -1;
};

class ChoiceListView : public ControlView {
 public:
  ChoiceListView(const Control& c, int panel, QWidget* surface)
      : ControlView(panel, c.id, new QFrame(surface), LabelPlace::Above),
        frame_(static_cast<QFrame*>(body())),
        group_(new QButtonGroup(frame_)) {
    frame_->setObjectName("choiceList");
    frame_->setFrameShape(QFrame::StyledPanel);
    frame_->setFrameShadow(QFrame::Sunken);
    auto* column = new QVBoxLayout(frame_);
    column->setContentsMargins(6, 1, 4, 1);
    column->setSpacing(0);
    group_->setExclusive(true);
    QObject::connect(group_, &QButtonGroup::idClicked, [this](int index) {
      if (index != shown_) settle(Operator::choose(this->panel(), this->id(), index));
    });
  }

 protected:
  void syncValue(const Control& c) override {
    if (auto labels = labelsOf(c); labels != items_) {
      for (auto* b : group_->buttons()) {
        group_->removeButton(b);
        delete b;
      }
      int i = 0;
      for (auto& l : labels) {
        auto* option = new QRadioButton(displayLabel(l), frame_);
        group_->addButton(option, i++);
        frame_->layout()->addWidget(option);
      }
      items_ = std::move(labels);
    }
    QSignalBlocker block(group_);
    if (auto* b = group_->button(c.index)) {
      b->setChecked(true);
    } else if (auto* checked = group_->checkedButton()) {
      group_->setExclusive(false);
      checked->setChecked(false);
      group_->setExclusive(true);
    }
    shown_ = c.index;
  }

 private:
  QFrame* frame_;
  QButtonGroup* group_;
  std::vector<std::string> items_;
  int shown_ = -1;
};

}  // namespace

std::unique_ptr<ControlView> makeListView(const Control& c, int panel, QWidget* surface) {
  if (c.kind == Kind::ChoiceList) return std::make_unique<ChoiceListView>(c, panel, surface);
  return std::make_unique<RingView>(c, panel, surface);
}

}  // namespace helx::ui::qt
