// Command buttons and on/off buttons.
#include <QPushButton>

#include "platform/ui/qt/labels.h"
#include "platform/ui/qt/views.h"

namespace helx::ui::qt {

namespace {

// Buttons the resource leaves without text are the panels' arrow and stop buttons; their
// constants say which.
QString glyphFor(const std::string& constant) {
  if (constant.find("Increase") != std::string::npos) return QString::fromUtf8("\u25B6");
  if (constant.find("Decrease") != std::string::npos) return QString::fromUtf8("\u25C0");
  if (constant.find("Stop") != std::string::npos) return QString::fromUtf8("\u25A0");
  return {};
}

class ButtonView : public ControlView {
 public:
  ButtonView(const Control& c, int panel, QWidget* surface)
      : ControlView(panel, c.id, new QPushButton(surface), LabelPlace::Inside),
        button_(static_cast<QPushButton*>(body())),
        toggle_(c.kind == Kind::ToggleButton) {
    button_->setCheckable(toggle_);
    button_->setFocusPolicy(Qt::TabFocus);
    button_->setText(c.label.empty() ? glyphFor(c.constant) : buttonText(c.label));
    // A toggle has already flipped itself; the model flips too and the next sync agrees.
    QObject::connect(button_, &QPushButton::clicked,
                     [this] { settle(Operator::commit(this->panel(), this->id())); });
  }

 protected:
  void syncValue(const Control& c) override {
    if (!c.label.empty()) button_->setText(buttonText(c.label));
    if (toggle_) {
      QSignalBlocker block(button_);
      button_->setChecked(c.number != 0);
    }
  }

 private:
  QPushButton* button_;
  bool toggle_;
};

}  // namespace

std::unique_ptr<ControlView> makeButtonView(const Control& c, int panel, QWidget* surface) {
  return std::make_unique<ButtonView>(c, panel, surface);
}

}  // namespace helx::ui::qt
