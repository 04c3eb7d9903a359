#include "platform/ui/qt/views.h"

namespace helx::ui::qt {

std::unique_ptr<ControlView> makeControlView(const Control& c, int panel, QWidget* surface) {
  switch (c.kind) {
    case Kind::CommandButton:
    case Kind::ToggleButton:
      return makeButtonView(c, panel, surface);
    case Kind::TextMessage:
    case Kind::TextBox:
    case Kind::String:
      return makeTextView(c, panel, surface);
    case Kind::Numeric:
    case Kind::NumericSlide:
      return makeNumberView(c, panel, surface);
    case Kind::Ring:
    case Kind::ChoiceList:
      return makeListView(c, panel, surface);
    case Kind::Led:
    case Kind::Decoration:
    case Kind::Splitter:
    case Kind::ActiveX:
      return makeFrameView(c, panel, surface);
    case Kind::Graph:
      return makeGraphView(c, panel, surface);
    case Kind::Picture:
      return makePictureView(c, panel, surface);
    case Kind::Tab:
      return makeTabView(c, panel, surface);
    case Kind::Timer:
      return nullptr;  // ticks come from the runtime's timers; nothing to draw
  }
  return nullptr;
}

}  // namespace helx::ui::qt
