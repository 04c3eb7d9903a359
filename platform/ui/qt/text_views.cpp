// Text messages, text boxes and strings.
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <algorithm>

#include "platform/ui/qt/labels.h"
#include "platform/ui/qt/views.h"

namespace helx::ui::qt {

namespace {

class TextMessageView : public ControlView {
 public:
  TextMessageView(const Control& c, int panel, QWidget* surface)
      : ControlView(panel, c.id, new QLabel(surface), LabelPlace::None),
        text_(static_cast<QLabel*>(body())) {
    text_->setTextFormat(Qt::PlainText);
    text_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  }

 protected:
  void syncValue(const Control& c) override {
    const QString t = runtimeText(c.text);
    if (text_->text() != t) text_->setText(t);
  }
  // Like a text message of the toolkit, it grows to show its whole text.
  QRect bodyRect(const Control& c) const override {
    const QSize hint = text_->fontMetrics().size(0, runtimeText(c.text));
    return {c.left, c.top, std::max(c.width, hint.width() + 2), std::max(c.height, hint.height())};
  }

 private:
  QLabel* text_;
};

// Lines kept on screen; the model keeps the whole text.
constexpr int kTextBoxLines = 20000;

class TextBoxView : public ControlView {
 public:
  TextBoxView(const Control& c, int panel, QWidget* surface)
      : ControlView(panel, c.id, new QPlainTextEdit(surface), LabelPlace::Above),
        box_(static_cast<QPlainTextEdit*>(body())) {
    box_->setReadOnly(true);
    box_->setMaximumBlockCount(kTextBoxLines);
    box_->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  }

 protected:
  void syncValue(const Control& c) override {
    if (c.text == shown_) return;
    if (c.text.size() > shown_.size() && c.text.compare(0, shown_.size(), shown_) == 0) {
      // The program appends: add only the new text.
      QTextCursor end(box_->document());
      end.movePosition(QTextCursor::End);
      end.insertText(runtimeText(c.text.substr(shown_.size())));
    } else {
      box_->setPlainText(runtimeText(c.text));
    }
    shown_ = c.text;
    box_->verticalScrollBar()->setValue(box_->verticalScrollBar()->maximum());
  }

 private:
  QPlainTextEdit* box_;
  std::string shown_;
};

class StringView : public ControlView {
 public:
  StringView(const Control& c, int panel, QWidget* surface)
      : ControlView(panel, c.id, new QLineEdit(surface), LabelPlace::Above),
        edit_(static_cast<QLineEdit*>(body())) {
    edit_->setMaxLength(static_cast<int>(kMaxTypedText));
    // Enter always commits; leaving the field commits only a changed text.
    QObject::connect(edit_, &QLineEdit::returnPressed, [this] { enter_ = true; });
    QObject::connect(edit_, &QLineEdit::editingFinished, [this] {
      const std::string typed = edit_->text().toStdString();
      if (enter_ || typed != shown_) settle(Operator::type(this->panel(), this->id(), typed));
      enter_ = false;
    });
  }

 protected:
  void syncValue(const Control& c) override {
    shown_ = c.text;
    const QString t = runtimeText(c.text);
    if (edit_->text() != t) {
      QSignalBlocker block(edit_);
      edit_->setText(t);
    }
  }

 private:
  QLineEdit* edit_;
  std::string shown_;
  bool enter_ = false;
};

}  // namespace

std::unique_ptr<ControlView> makeTextView(const Control& c, int panel, QWidget* surface) {
  switch (c.kind) {
    case Kind::TextBox:
      return std::make_unique<TextBoxView>(c, panel, surface);
    case Kind::String:
      return std::make_unique<StringView>(c, panel, surface);
    default:
      return std::make_unique<TextMessageView>(c, panel, surface);
  }
}

}  // namespace helx::ui::qt
