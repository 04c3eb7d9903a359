// The graph control: draws the model's plots; a left click is delivered with panel coordinates.
#include "platform/ui/qt/graph_widget.h"
#include "platform/ui/qt/views.h"

namespace helx::ui::qt {

namespace {

class GraphView : public ControlView {
 public:
  GraphView(const Control& c, int panel, QWidget* surface)
      : ControlView(panel, c.id, new GraphWidget(surface), LabelPlace::Above),
        graph_(static_cast<GraphWidget*>(body())) {
    graph_->onLeftClick = [this](QPoint at) {
      const QPoint p = graph_->mapToParent(at);
      Operator::click(this->panel(), this->id(), p.x(), p.y());
    };
  }

 protected:
  void syncValue(const Control& c) override { graph_->setPlots(c.plots); }

 private:
  GraphWidget* graph_;
};

}  // namespace

std::unique_ptr<ControlView> makeGraphView(const Control& c, int panel, QWidget* surface) {
  return std::make_unique<GraphView>(c, panel, surface);
}

}  // namespace helx::ui::qt
