// Makers of the control views, one file per family of kinds (UI thread only).
#pragma once

#include <memory>

#include "platform/ui/qt/control_view.h"

namespace helx::ui::qt {

std::unique_ptr<ControlView> makeButtonView(const Control& c, int panel, QWidget* surface);
std::unique_ptr<ControlView> makeTextView(const Control& c, int panel, QWidget* surface);
std::unique_ptr<ControlView> makeNumberView(const Control& c, int panel, QWidget* surface);
std::unique_ptr<ControlView> makeListView(const Control& c, int panel, QWidget* surface);
std::unique_ptr<ControlView> makeFrameView(const Control& c, int panel, QWidget* surface);
std::unique_ptr<ControlView> makeGraphView(const Control& c, int panel, QWidget* surface);
std::unique_ptr<ControlView> makePictureView(const Control& c, int panel, QWidget* surface);
std::unique_ptr<ControlView> makeTabView(const Control& c, int panel, QWidget* surface);

}  // namespace helx::ui::qt
