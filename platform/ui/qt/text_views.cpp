// Text messages, text boxes and strings.
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <algorithm>
#include <cstdint>
#include <string_view>

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

// The box shows what the model keeps: kTextBoxLines lines and the one being written, in blocks.
class TextBoxView : public ControlView {
 public:
  TextBoxView(const Control& c, int panel, QWidget* surface)
      : ControlView(panel, c.id, new QPlainTextEdit(surface), LabelPlace::Above),
        box_(static_cast<QPlainTextEdit*>(body())) {
    box_->setReadOnly(true);
    box_->setMaximumBlockCount(static_cast<int>(kTextBoxLines) + 1);
    box_->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  }

 protected:
  void syncValue(const Control& c) override {
    // Since the last look the program may have appended, and the model may have dropped lines
    // from the top: what is left of the shown text then begins the model's.
    const bool sameText = shownOnce_ && c.textGeneration == generation_ &&
                          c.textDropped >= dropped_ && c.textDropped - dropped_ <= shown_.size();
    const std::string_view kept =
        sameText ? std::string_view(shown_).substr(c.textDropped - dropped_) : std::string_view();
    if (sameText && c.text.size() >= kept.size() && c.text.compare(0, kept.size(), kept) == 0) {
      if (c.text.size() == kept.size()) return;
      // Only the new text is added; the box drops from its top what the model dropped.
      QTextCursor end(box_->document());
      end.movePosition(QTextCursor::End);
      end.insertText(runtimeText(c.text.substr(kept.size())));
    } else {
      box_->setPlainText(runtimeText(c.text));
    }
    shown_ = c.text;
    generation_ = c.textGeneration;
    dropped_ = c.textDropped;
    shownOnce_ = true;
    box_->verticalScrollBar()->setValue(box_->verticalScrollBar()->maximum());
  }

 private:
  QPlainTextEdit* box_;
  std::string shown_;
  std::uint64_t generation_ = 0;
  std::uint64_t dropped_ = 0;
  bool shownOnce_ = false;
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
