#include "platform/ui/qt/control_view.h"

#include <QLabel>
#include <QWidget>
#include <algorithm>

#include "platform/ui/qt/labels.h"

namespace helx::ui::qt {

ControlView::ControlView(int panel, int id, QWidget* body, LabelPlace place)
    : panel_(panel), id_(id), body_(body), place_(place) {}

QRect ControlView::bodyRect(const Control& c) const {
  return {c.left, c.top, std::max(c.width, 1), std::max(c.height, 1)};
}

void ControlView::sync(const Control& c) {
  const QRect r = bodyRect(c);
  if (body_->geometry() != r) body_->setGeometry(r);
  body_->setEnabled(!c.dimmed);
  syncValue(c);
  placeLabel(c);
  body_->setVisible(c.visible);
}

void ControlView::settle(const ActionResult& result) const {
  if (result) return;
  Model::instance().with([&](Model& m) { m.markDirty(panel_, id_); });
  Model::instance().notifyDirty();
}

void ControlView::placeLabel(const Control& c) {
  const bool drawn = (place_ == LabelPlace::Above || place_ == LabelPlace::Right) &&
                     !c.label.empty() && c.labelVisible;
  if (!drawn) {
    if (label_) label_->hide();
    return;
  }
  if (!label_) {
    label_ = new QLabel(body_->parentWidget());
    label_->setTextFormat(Qt::PlainText);
  }
  label_->setText(displayLabel(c.label));
  const QSize hint = label_->sizeHint();
  if (place_ == LabelPlace::Above) {
    const int h = kLabelLineHeight * labelLines(c.label);
    label_->setAlignment(Qt::AlignLeft | Qt::AlignBottom);
    label_->setGeometry(c.left, c.top - h, std::max(c.width, hint.width()), h);
  } else {
    label_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    const int h = std::max(c.height, kLabelLineHeight);
    label_->setGeometry(c.left + c.width + 6, c.top + (c.height - h) / 2, hint.width(), h);
  }
  label_->setEnabled(!c.dimmed);
  label_->setVisible(c.visible);
}

}  // namespace helx::ui::qt
