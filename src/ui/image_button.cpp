#include "ui/image_button.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>

namespace orvik::ui {

CImageButton::CImageButton(int id, QWidget* parent) : QWidget(parent), id_(id) {
  // Every pixel is painted from the off-screen frame; an erase first would only flicker.
  setAttribute(Qt::WA_OpaquePaintEvent);
  setAttribute(Qt::WA_NoSystemBackground);
  setFocusPolicy(Qt::NoFocus);
  setGeometry(10, 10, 55, 20);
}

void CImageButton::SetFaces(int normalId, int downId, int disabledId) {
  normalFace.LoadFromResource(normalId);
  downFace.LoadFromResource(downId);
  disabledFace.LoadFromResource(disabledId);
  state_.SetHasDisabledFace(true);
  update();
}

void CImageButton::SetFaces(int normalId, int downId) {
  normalFace.LoadFromResource(normalId);
  downFace.LoadFromResource(downId);
  disabledFace = CImageEx();
  state_.SetHasDisabledFace(false);
  update();
}

void CImageButton::SetBackColor(std::uint32_t rgb) {
  state_.SetBackColor(rgb);
  update();
}

void CImageButton::SetChecked(bool checked) {
  state_.SetChecked(checked);
  update();
}

void CImageButton::SetDisabled(bool disabled) {
  state_.SetDisabled(disabled);
  update();
}

void CImageButton::Place(int x, int y, int width, int height, bool repaint) {
  const auto window = state_.Place(x, y, width, height);
  if (!window) return;
  setGeometry(window->left, window->top, window->right - window->left,
              window->bottom - window->top);
  if (repaint) update();
}

const CImageEx* CImageButton::FaceImage() const {
  const auto face = state_.FaceToDraw();
  if (!face) return nullptr;
  switch (*face) {
    case ImageButtonState::Face::Normal:
      return &normalFace;
    case ImageButtonState::Face::Down:
      return &downFace;
    case ImageButtonState::Face::Disabled:
      return &disabledFace;
  }
  return nullptr;
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
  state_.MouseDown();
  update();
}

void CImageButton::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return QWidget::mouseReleaseEvent(event);
  const bool wasChecked = state_.IsChecked();
  const bool click = state_.MouseUp(rect().contains(event->position().toPoint()));
  update();
  if (state_.IsChecked() != wasChecked) emit CheckedByMouse(id_, state_.IsChecked());
  if (click) emit Clicked(id_);
}

}  // namespace orvik::ui
