#pragma once
// A filled circle without an outline, filling the widget: the recording indicator.
#include <QColor>
#include <QWidget>

namespace nimbrel {

class CircleShape : public QWidget {
  Q_OBJECT

 public:
  explicit CircleShape(QWidget* parent = nullptr);

  QColor BrushColor() const { return brushColor_; }
  // Repaints at once.
  void SetBrushColor(const QColor& color);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QColor brushColor_;
};

}  // namespace nimbrel
