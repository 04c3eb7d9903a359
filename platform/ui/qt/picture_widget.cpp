#include "platform/ui/qt/picture_widget.h"

#include <QMouseEvent>
#include <QPainter>
#include <cstring>

namespace helx::ui::qt {

QImage toQImage(const Image& image, const Marks& marks) {
  if (image.width <= 0 || image.height <= 0 ||
      image.rgb.size() < static_cast<std::size_t>(image.width) * image.height)
    return {};
  QImage out(image.width, image.height, QImage::Format_RGB32);
  for (int row = 0; row < image.height; ++row) {
    auto* line = reinterpret_cast<QRgb*>(out.scanLine(row));
    const std::uint32_t* in = image.rgb.data() + static_cast<std::size_t>(row) * image.width;
    for (int col = 0; col < image.width; ++col) line[col] = 0xFF000000u | (in[col] & 0xFFFFFFu);
  }
  // Marks of another size belong to another picture: they are not drawn.
  if (marks.width == image.width && marks.height == image.height) {
    const QRgb color = 0xFF000000u | (marks.color & 0xFFFFFFu);
    for (int row = 0; row < image.height; ++row) {
      auto* line = reinterpret_cast<QRgb*>(out.scanLine(row));
      const std::uint8_t* m = marks.marked.data() + static_cast<std::size_t>(row) * image.width;
      for (int col = 0; col < image.width; ++col)
        if (m[col]) line[col] = color;
    }
  }
  return out;
}

PictureWidget::PictureWidget(QWidget* parent) : QWidget(parent) {
  setMouseTracking(true);
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void PictureWidget::setImage(const Image& image, const Marks& marks) {
  image_ = toQImage(image, marks);
  update();
}

void PictureWidget::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), QColor(24, 27, 32));
  if (!image_.isNull()) p.drawImage(0, 0, image_);  // never scaled: a sample is a pixel
}

void PictureWidget::mouseMoveEvent(QMouseEvent* e) {
  if (onPointerMove) onPointerMove(e->position().toPoint());
}

void PictureWidget::mousePressEvent(QMouseEvent* e) {
  if (e->button() == Qt::LeftButton && onLeftClick) onLeftClick(e->position().toPoint());
}

}  // namespace helx::ui::qt
