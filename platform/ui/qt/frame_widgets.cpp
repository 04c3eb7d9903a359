#include "platform/ui/qt/frame_widgets.h"

#include <QPainter>
#include <QRadialGradient>
#include <algorithm>

namespace helx::ui::qt {

void LedWidget::setState(bool on, QColor onColor) {
  if (on == on_ && onColor == onColor_) return;
  on_ = on;
  onColor_ = onColor;
  update();
}

void LedWidget::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  const qreal d = std::min(width(), height()) - 2;
  const QRectF r((width() - d) / 2, (height() - d) / 2, d, d);
  // Off shows the lamp's own colour, dark, so the operator sees what it will light up as.
  QColor lit = on_ ? onColor_ : onColor_.darker(420);
  if (!isEnabled()) lit = QColor::fromHsv(lit.hsvHue(), lit.hsvSaturation() / 3, lit.value());
  QRadialGradient glow(r.center() - QPointF(d / 5, d / 5), d * 0.7);
  glow.setColorAt(0, on_ ? lit.lighter(160) : lit.lighter(180));
  glow.setColorAt(1, lit);
  p.setBrush(glow);
  p.setPen(QPen(QColor(70, 74, 80), 1));
  p.drawEllipse(r);
}

void DecorationWidget::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  const QColor base = palette().window().color();
  p.setBrush(base.lighter(104));
  p.setPen(QPen(base.darker(135), 1));
  p.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 4, 4);
}

void SplitterWidget::paintEvent(QPaintEvent*) {
  QPainter p(this);
  const QColor base = palette().window().color();
  const bool across = width() >= height();
  const int mid = (across ? height() : width()) / 2;
  p.setPen(base.darker(135));
  if (across)
    p.drawLine(0, mid - 1, width(), mid - 1);
  else
    p.drawLine(mid - 1, 0, mid - 1, height());
  p.setPen(base.lighter(115));
  if (across)
    p.drawLine(0, mid, width(), mid);
  else
    p.drawLine(mid, 0, mid, height());
}

PlaceholderWidget::PlaceholderWidget(const QString& name, QWidget* parent)
    : QWidget(parent), name_(name) {
  setToolTip(name + " (not available on this system)");
}

void PlaceholderWidget::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setPen(QPen(palette().window().color().darker(140), 1, Qt::DashLine));
  p.setBrush(Qt::NoBrush);
  p.drawRect(rect().adjusted(0, 0, -1, -1));
  if (width() > p.fontMetrics().horizontalAdvance(name_) + 8) {
    p.setPen(palette().window().color().darker(160));
    p.drawText(rect(), Qt::AlignCenter, name_);
  }
}

}  // namespace helx::ui::qt
