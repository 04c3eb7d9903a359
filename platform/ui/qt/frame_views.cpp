// LEDs, decorations, splitters and ActiveX placeholders.
#include "platform/ui/qt/frame_widgets.h"
#include "platform/ui/qt/views.h"

namespace helx::ui::qt {

namespace {

class LedView : public ControlView {
 public:
  LedView(const Control& c, int panel, QWidget* surface)
      : ControlView(panel, c.id, new LedWidget(surface), LabelPlace::Right),
        led_(static_cast<LedWidget*>(body())) {}

 protected:
  void syncValue(const Control& c) override {
    led_->setState(c.number != 0, QColor(QRgb(c.onColor & 0xFFFFFF)));
  }

 private:
  LedWidget* led_;
};

// Drawn once; only geometry and visibility follow the model.
class StaticView : public ControlView {
 public:
  StaticView(const Control& c, int panel, QWidget* body)
      : ControlView(panel, c.id, body, LabelPlace::None) {}

 protected:
  void syncValue(const Control&) override {}
};

}  // namespace

std::unique_ptr<ControlView> makeFrameView(const Control& c, int panel, QWidget* surface) {
  switch (c.kind) {
    case Kind::Led:
      return std::make_unique<LedView>(c, panel, surface);
    case Kind::Splitter:
      return std::make_unique<StaticView>(c, panel, new SplitterWidget(surface));
    case Kind::ActiveX:
      return std::make_unique<StaticView>(
          c, panel, new PlaceholderWidget(QString::fromStdString(c.constant), surface));
    default:
      return std::make_unique<StaticView>(c, panel, new DecorationWidget(surface));
  }
}

}  // namespace helx::ui::qt
