#include "ui/image_button.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>

namespace orvik::ui {

CImageButton::CImageButton(int id, QWidget* parent) : QWidget(parent), ImageButtonFaces(id) {
  // Every pixel is painted from the off-screen frame; an erase first would only flicker.
  setAttribute(Qt::WA_OpaquePaintEvent);
  setAttribute(Qt::WA_NoSystemBackground);
  setFocusPolicy(Qt::NoFocus);
  setGeometry(10, 10, 55, 20);
}

void CImageButton::MoveTo(const Rect& window, bool repaint) {
  setGeometry(window.left, window.top, window.right - window.left, window.bottom - window.top);
  if (repaint) update();
}

void CImageButton::paintEvent(QPaintEvent*) {
  // Compose the frame off-screen, then copy it in one go.
  const qreal ratio = devicePixelRatioF();
  QPixmap frame(size() * ratio);
  frame.setDevicePixelRatio(ratio);
  frame.fill(QColor::fromRgb(static_cast<QRgb>(state_.BackColor())));
  {
    QPainter offscreen(&frame);
    if (const CImageEx* face = FaceImage()) face->Draw(offscreen, 0, 0, width(), height());
  }
  QPainter painter(this);
  painter.drawPixmap(0, 0, frame);
}

void CImageButton::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return QWidget::mousePressEvent(event);
  Press();
}

void CImageButton::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return QWidget::mouseReleaseEvent(event);
  Release(
      rect().contains(event->position().toPoint()),
      [this](int id, bool checked) { emit CheckedByMouse(id, checked); },
      [this](int id) { emit Clicked(id); });
}

}  // namespace orvik::ui
