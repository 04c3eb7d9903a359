// The graph: plots drawn over autoscaled axes. Repaints are cheap enough for a 1024-sample
// profile or a 100-bin histogram at pointer-move rate (no antialiasing, one polyline per plot).
//
// Threads: UI thread only.
#pragma once

#include <QWidget>
#include <functional>
#include <vector>

#include "platform/ui/model.h"

namespace helx::ui::qt {

// Axis range with round tick marks (1, 2 or 5 times a power of ten).
struct AxisScale {
  double low = 0, high = 1, step = 0.2;
};
AxisScale niceScale(double low, double high, int ticks);

class GraphWidget : public QWidget {
 public:
  explicit GraphWidget(QWidget* parent);
  void setPlots(std::vector<Plot> plots);
  const std::vector<Plot>& plots() const { return plots_; }
  // Called with the press position in widget coordinates.
  std::function<void(QPoint)> onLeftClick;

 protected:
  void paintEvent(QPaintEvent*) override;
  void mousePressEvent(QMouseEvent* e) override;

 private:
  std::vector<Plot> plots_;
};

}  // namespace helx::ui::qt
