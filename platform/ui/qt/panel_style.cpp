#include <QApplication>
#include <QFont>
#include <QPalette>
#include <QStyle>
#include <QStyleFactory>

#include "platform/ui/qt/qt_frontend.h"

namespace helx::ui::qt {

void applyPanelStyle() {
  // Labels and read-outs are laid out for a 12 px font in 16-18 px rows.
  QFont font("DejaVu Sans");
  font.setPixelSize(12);
  QApplication::setFont(font);
  if (QStyle* fusion = QStyleFactory::create("Fusion")) QApplication::setStyle(fusion);
  QPalette p = QApplication::style()->standardPalette();
  p.setColor(QPalette::Window, QColor(232, 234, 237));
  p.setColor(QPalette::Base, QColor(252, 252, 252));
  p.setColor(QPalette::Button, QColor(240, 241, 243));
  p.setColor(QPalette::Highlight, QColor(48, 112, 190));
  p.setColor(QPalette::Disabled, QPalette::WindowText, QColor(150, 154, 160));
  p.setColor(QPalette::Disabled, QPalette::Text, QColor(150, 154, 160));
  p.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(155, 159, 165));
  QApplication::setPalette(p);
}

}  // namespace helx::ui::qt
