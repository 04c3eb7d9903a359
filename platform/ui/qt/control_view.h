// One control of the panel model drawn as Qt widgets: a body at the control's rectangle and,
// for the kinds that have one, a label beside or above it. Subclasses draw the value and turn
// the operator's input into Operator actions, which queue the events to our event loop.
//
// Threads: UI thread only. sync() gets a copy of the control taken under the model lock, so no
// widget is ever touched with that lock held.
#pragma once

#include <QRect>
#include <memory>

#include "platform/ui/model.h"
#include "platform/ui/operator.h"

class QLabel;
class QWidget;

namespace helx::ui::qt {

class ControlView {
 public:
  enum class LabelPlace { None, Inside, Right, Above };

  ControlView(int panel, int id, QWidget* body, LabelPlace place);
  virtual ~ControlView() = default;
  ControlView(const ControlView&) = delete;
  ControlView& operator=(const ControlView&) = delete;

  // Brings geometry, state, label and value up to date with `c`.
  void sync(const Control& c);

  int panel() const { return panel_; }
  int id() const { return id_; }
  QWidget* body() const { return body_; }
  QLabel* label() const { return label_; }  // null until a label is drawn

 protected:
  virtual void syncValue(const Control& c) = 0;
  // Where the body goes; text messages grow to show their whole text.
  virtual QRect bodyRect(const Control& c) const;
  // An action the model refused (the control was dimmed meanwhile): redraw from the model so the
  // widget does not keep showing what the operator tried.
  void settle(const ActionResult& result) const;

 private:
  void placeLabel(const Control& c);

  int panel_, id_;
  QWidget* body_;
  LabelPlace place_;
  QLabel* label_ = nullptr;
};

// The view for `c` on `surface` (a panel's canvas or a tab page), or null for kinds with no
// widget (timers).
std::unique_ptr<ControlView> makeControlView(const Control& c, int panel, QWidget* surface);

}  // namespace helx::ui::qt
