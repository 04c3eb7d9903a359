// Numerics (spin boxes) and numeric slides.
#include <QDoubleSpinBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QSlider>
#include <algorithm>
#include <cmath>
#include <limits>

#include "platform/ui/qt/views.h"

namespace helx::ui::qt {

namespace {

bool integral(const Control& c) {
  return c.dataType == DataType::Int || c.dataType == DataType::Unsigned;
}

// Decimals shown: none for integers, else two or as many as the increment needs.
int decimalsFor(const Control& c) {
  if (integral(c)) return 0;
  int d = 2;
  for (double inc = c.increment; d < 6 && inc > 0 && std::abs(inc - std::round(inc)) > 1e-9;
       inc *= 10)
    d = std::max(d, static_cast<int>(std::ceil(-std::log10(inc) - 1e-9)));
  return std::min(d, 6);
}

// Limits when the resource gives none: any 32-bit integer, or a wide range of reals.
double lowest(const Control& c) {
  if (c.min) return *c.min;
  if (c.dataType == DataType::Unsigned) return 0;
  return integral(c) ? std::numeric_limits<int>::min() : -1e12;
}
double highest(const Control& c) {
  if (c.max) return *c.max;
  if (c.dataType == DataType::Unsigned) return std::numeric_limits<unsigned>::max();
  return integral(c) ? std::numeric_limits<int>::max() : 1e12;
}

std::string typed(double v) { return QString::number(v, 'g', 17).toStdString(); }

class NumericView : public ControlView {
 public:
  NumericView(const Control& c, int panel, QWidget* surface)
      : ControlView(panel, c.id, new QDoubleSpinBox(surface), LabelPlace::Above),
        spin_(static_cast<QDoubleSpinBox*>(body())) {
    spin_->setKeyboardTracking(false);  // a value is committed on Enter, a step or leaving
    spin_->setAlignment(Qt::AlignRight);
    spin_->setAccelerated(true);
    QObject::connect(spin_, &QDoubleSpinBox::valueChanged, [this](double v) {
      if (v != shown_) settle(Operator::type(this->panel(), this->id(), typed(v)));
    });
  }

 protected:
  void syncValue(const Control& c) override {
    QSignalBlocker block(spin_);
    spin_->setDecimals(decimalsFor(c));
    // A value the program wrote outside the limits is shown as written.
    spin_->setRange(std::min(lowest(c), c.number), std::max(highest(c), c.number));
    spin_->setSingleStep(c.increment > 0 ? c.increment : 1);
    spin_->setValue(c.number);
    shown_ = spin_->value();
  }

 private:
  QDoubleSpinBox* spin_;
  double shown_ = 0;
};

// A slider with the value shown beside it. Dragging commits once, on release.
class SlideView : public ControlView {
 public:
  SlideView(const Control& c, int panel, QWidget* surface)
      : ControlView(panel, c.id, new QWidget(surface), LabelPlace::Above) {
    auto* row = new QHBoxLayout(body());
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(8);
    slider_ = new QSlider(Qt::Horizontal, body());
    slider_->setTickPosition(QSlider::TicksBelow);
    readout_ = new QLabel(body());
    readout_->setObjectName("readout");
    readout_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    readout_->setFrameShape(QFrame::StyledPanel);
    readout_->setFrameShadow(QFrame::Sunken);
    readout_->setFixedWidth(64);
    readout_->setMinimumHeight(22);
    row->addWidget(slider_, 1);
    row->addWidget(readout_, 0, Qt::AlignVCenter);
    QObject::connect(slider_, &QSlider::valueChanged, [this](int step) {
      readout_->setText(format(valueAt(step)));
      if (!slider_->isSliderDown()) commit(step);
    });
    QObject::connect(slider_, &QSlider::sliderReleased, [this] { commit(slider_->value()); });
  }

  QSlider* slider() const { return slider_; }

 protected:
  void syncValue(const Control& c) override {
    base_ = c.min.value_or(0);
    increment_ = c.increment > 0 ? c.increment : 1;
    decimals_ = decimalsFor(c);
    const double top = c.max.value_or(base_ + 100 * increment_);
    const int steps = static_cast<int>(std::lround((top - base_) / increment_));
    QSignalBlocker block(slider_);
    slider_->setRange(0, std::max(steps, 0));
    slider_->setPageStep(std::max(1, steps / 10));
    slider_->setTickInterval(std::max(1, steps / 10));
    slider_->setValue(static_cast<int>(std::lround((c.number - base_) / increment_)));
    shown_ = slider_->value();
    readout_->setText(format(c.number));  // the value itself, even beyond the limits
  }

 private:
  double valueAt(int step) const { return base_ + step * increment_; }
  QString format(double v) const { return QString::number(v, 'f', decimals_); }
  void commit(int step) {
    if (step == shown_) return;
    shown_ = step;
    settle(Operator::type(panel(), id(), typed(valueAt(step))));
  }

  QSlider* slider_;
  QLabel* readout_;
  double base_ = 0, increment_ = 1;
  int decimals_ = 0, shown_ = 0;
};

}  // namespace

std::unique_ptr<ControlView> makeNumberView(const Control& c, int panel, QWidget* surface) {
  if (c.kind == Kind::NumericSlide) return std::make_unique<SlideView>(c, panel, surface);
  return std::make_unique<NumericView>(c, panel, surface);
}

}  // namespace helx::ui::qt
