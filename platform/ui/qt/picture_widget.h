// The picture: the model's bitmap at one screen pixel per sample, top row first, with its marks
// (the display's saturated samples) drawn over it in their colour. Reports the pointer's moves
// and left clicks in widget coordinates.
//
// Threads: UI thread only.
#pragma once

#include <QImage>
#include <QWidget>
#include <functional>

#include "platform/ui/model.h"

namespace helx::ui::qt {

QImage toQImage(const Image& image, const Marks& marks = {});

class PictureWidget : public QWidget {
 public:
  explicit PictureWidget(QWidget* parent);
  void setImage(const Image& image, const Marks& marks);
  const QImage& image() const { return image_; }
  std::function<void(QPoint)> onPointerMove, onLeftClick;

 protected:
  void paintEvent(QPaintEvent*) override;
  void mouseMoveEvent(QMouseEvent* e) override;
  void mousePressEvent(QMouseEvent* e) override;

 private:
  QImage image_;
};

}  // namespace helx::ui::qt
