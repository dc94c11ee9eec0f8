// The skin's owner-drawn button: one of three pictures as its face, optionally latching.
// What it shows and when a click counts is decided by its ImageButtonState.
#pragma once

#include <QWidget>

#include "ui/image_ex.h"
#include "window/image_button_faces.h"

namespace orvik::ui {

class CImageButton : public QWidget, public ImageButtonFaces<CImageButton, CImageEx> {
  Q_OBJECT

 public:
  CImageButton(int id, QWidget* parent);

  void Show(bool show) { setVisible(show); }
  // For ImageButtonFaces.
  void Repaint() { update(); }
  void MoveTo(const Rect& window, bool repaint);

 signals:
  // The parent's click notification: the release was over the button.
  void Clicked(int id);
  // The latch changed by the mouse (a toggle button flips on every release).
  void CheckedByMouse(int id, bool checked);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
};

}  // namespace orvik::ui
