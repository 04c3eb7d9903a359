#include "platform/ui/qt/graph_widget.h"

#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <limits>

#include "platform/ui/userint.h"

namespace helx::ui::qt {

AxisScale niceScale(double low, double high, int ticks) {
  if (!std::isfinite(low) || !std::isfinite(high)) return {};
  if (high < low) std::swap(low, high);
  if (high - low < 1e-12) {
    const double pad = std::max(std::abs(low) * 0.1, 1.0);
    low -= pad;
    high += pad;
  }
  const double raw = (high - low) / std::max(ticks, 1);
  const double power = std::pow(10.0, std::floor(std::log10(raw)));
  double step = power;
  for (double m : {1.0, 2.0, 5.0, 10.0})
    if (m * power >= raw) {
      step = m * power;
      break;
    }
  return {std::floor(low / step) * step, std::ceil(high / step) * step, step};
}

GraphWidget::GraphWidget(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void GraphWidget::setPlots(std::vector<Plot> plots) {
  plots_ = std::move(plots);
  update();
}

void GraphWidget::mousePressEvent(QMouseEvent* e) {
  if (e->button() == Qt::LeftButton && onLeftClick) onLeftClick(e->position().toPoint());
}

namespace {
QString tickText(double v, double step) {
  if (std::abs(v) < step * 1e-6) v = 0;
  const int decimals = step >= 1 ? 0 : std::min(6, static_cast<int>(std::ceil(-std::log10(step))));
  return QString::number(v, 'f', decimals);
}
}  // namespace

void GraphWidget::paintEvent(QPaintEvent*) {
  QPainter p(this);
  const QColor frame = palette().window().color();
  p.fillRect(rect(), frame);
  const QRect area = rect().adjusted(54, 8, -10, -22);
  const bool live = isEnabled();
  p.fillRect(area, live ? QColor(24, 27, 32) : QColor(58, 62, 68));

  double xLow = std::numeric_limits<double>::infinity(), xHigh = -xLow;
  double yLow = xLow, yHigh = -xLow;
  for (auto& plot : plots_)
    for (std::size_t i = 0; i < plot.y.size() && i < plot.x.size(); ++i) {
      xLow = std::min(xLow, plot.x[i]);
      xHigh = std::max(xHigh, plot.x[i]);
      yLow = std::min(yLow, plot.y[i]);
      yHigh = std::max(yHigh, plot.y[i]);
      if (plot.plotStyle == VAL_VERTICAL_BAR) yLow = std::min(yLow, 0.0);
    }
  if (!std::isfinite(xLow)) xLow = 0, xHigh = 10, yLow = 0, yHigh = 10;
  const AxisScale xs = niceScale(xLow, xHigh, 8), ys = niceScale(yLow, yHigh, 5);
  auto px = [&](double x) {
    return area.left() + (x - xs.low) / (xs.high - xs.low) * area.width();
  };
  auto py = [&](double y) {
    return area.bottom() - (y - ys.low) / (ys.high - ys.low) * area.height();
  };

  // Grid and tick labels.
  p.setFont(font());
  const QColor grid(70, 76, 84), text = palette().windowText().color();
  for (double x = xs.low; x <= xs.high + xs.step / 2; x += xs.step) {
    const int X = static_cast<int>(std::lround(px(x)));
    p.setPen(grid);
    p.drawLine(X, area.top(), X, area.bottom());
    p.setPen(text);
    p.drawText(QRect(X - 40, area.bottom() + 3, 80, 16), Qt::AlignHCenter | Qt::AlignTop,
               tickText(x, xs.step));
  }
  for (double y = ys.low; y <= ys.high + ys.step / 2; y += ys.step) {
    const int Y = static_cast<int>(std::lround(py(y)));
    p.setPen(grid);
    p.drawLine(area.left(), Y, area.right(), Y);
    p.setPen(text);
    p.drawText(QRect(0, Y - 8, area.left() - 5, 16), Qt::AlignRight | Qt::AlignVCenter,
               tickText(y, ys.step));
  }

  p.setClipRect(area);
  for (auto& plot : plots_) {
    const std::size_t n = std::min(plot.x.size(), plot.y.size());
    if (n == 0) continue;
    QColor colour(QRgb(plot.color & 0xFFFFFF));
    if (!live) colour = colour.darker(170);
    if (plot.plotStyle == VAL_VERTICAL_BAR) {
      // Each bar as wide as the closest spacing of its x values, from zero to the value.
      double spacing = std::numeric_limits<double>::infinity();
      for (std::size_t i = 1; i < n; ++i)
        if (double d = std::abs(plot.x[i] - plot.x[i - 1]); d > 0) spacing = std::min(spacing, d);
      const double w = std::isfinite(spacing) ? spacing * area.width() / (xs.high - xs.low) : 3;
      const double base = py(std::max(0.0, ys.low));
      p.setPen(Qt::NoPen);
      p.setBrush(colour);
      for (std::size_t i = 0; i < n; ++i) {
        const double top = py(plot.y[i]);
        p.drawRect(
            QRectF(px(plot.x[i]), std::min(top, base), std::max(w - 1, 1.0), std::abs(base - top)));
      }
      continue;
    }
    QPolygonF line;
    line.reserve(static_cast<qsizetype>(n));
    for (std::size_t i = 0; i < n; ++i) line << QPointF(px(plot.x[i]), py(plot.y[i]));
    if (plot.plotStyle != VAL_SCATTER) {
      p.setPen(QPen(colour, 1, plot.lineStyle == VAL_DASH ? Qt::DashLine : Qt::SolidLine));
      p.drawPolyline(line);
    }
    if (plot.plotStyle == VAL_SCATTER || plot.plotStyle == VAL_CONNECTED_POINTS) {
      p.setPen(colour);
      p.setBrush(plot.pointStyle == VAL_SOLID_SQUARE ? QBrush(colour) : Qt::NoBrush);
      for (const QPointF& pt : line) p.drawRect(QRectF(pt.x() - 2, pt.y() - 2, 4, 4));
    }
  }
  p.setClipping(false);
  p.setPen(palette().window().color().darker(150));
  p.setBrush(Qt::NoBrush);
  p.drawRect(area.adjusted(0, 0, -1, -1));
}

}  // namespace helx::ui::qt
