// Small painted widgets: the LED, the decoration frame, the splitter line and the inert
// placeholder that stands where a panel holds an ActiveX container.
//
// Threads: UI thread only.
#pragma once

#include <QColor>
#include <QString>
#include <QWidget>

namespace helx::ui::qt {

class LedWidget : public QWidget {
 public:
  using QWidget::QWidget;
  void setState(bool on, QColor onColor);
  bool on() const { return on_; }
  QColor onColor() const { return onColor_; }

 protected:
  void paintEvent(QPaintEvent*) override;

 private:
  bool on_ = false;
  QColor onColor_ = Qt::red;
};

class DecorationWidget : public QWidget {
 public:
  using QWidget::QWidget;

 protected:
  void paintEvent(QPaintEvent*) override;
};

class SplitterWidget : public QWidget {
 public:
  using QWidget::QWidget;

 protected:
  void paintEvent(QPaintEvent*) override;
};

class PlaceholderWidget : public QWidget {
 public:
  PlaceholderWidget(const QString& name, QWidget* parent);

 protected:
  void paintEvent(QPaintEvent*) override;

 private:
  QString name_;
};

}  // namespace helx::ui::qt
