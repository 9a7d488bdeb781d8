#include "app/circle_shape.h"

#include <QPainter>

namespace nimbrel {

CircleShape::CircleShape(QWidget* parent)
    : QWidget(parent), brushColor_(palette().color(QPalette::Button)) {}

void CircleShape::SetBrushColor(const QColor& color) {
  brushColor_ = color;
  repaint();
}

void CircleShape::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(Qt::NoPen);
  painter.setBrush(brushColor_);
  painter.drawEllipse(rect());
}

}  // namespace nimbrel
