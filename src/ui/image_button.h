// The skin's owner-drawn button: one of three pictures as its face, optionally latching.
// What it shows and when a click counts is decided by its ImageButtonState.
#pragma once

#include <QWidget>

#include "ui/image_ex.h"
#include "window/image_button_state.h"

namespace orvik::ui {

class CImageButton : public QWidget {
  Q_OBJECT

 public:
  CImageButton(int id, QWidget* parent);

  int Id() const { return id_; }
  void SetFaces(int normalId, int downId, int disabledId);
  void SetFaces(int normalId, int downId);  // no disabled face
  void SetBackColor(std::uint32_t rgb);
  void SetMode(bool checkable, bool noSelfToggle) { state_.SetMode(checkable, noSelfToggle); }
  void SetChecked(bool checked);
  bool IsChecked() const { return state_.IsChecked(); }
  void SetDisabled(bool disabled);
  bool IsDisabled() const { return state_.IsDisabled(); }
  // Moves the window to the picture's rectangle grown by the border; same rectangle: no move.
  void Place(int x, int y, int width, int height, bool repaint = true);
  void Show(bool show) { setVisible(show); }
  const ImageButtonState& State() const { return state_; }

 signals:
  // The parent's click notification: the release was over the button.
  void Clicked(int id);
  // The latch changed by the mouse (a toggle button flips on every release).
  void CheckedByMouse(int id, bool checked);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  const CImageEx* FaceImage() const;

  int id_;
  ImageButtonState state_;
  CImageEx normalFace;
  CImageEx downFace;
  CImageEx disabledFace;
};

}  // namespace orvik::ui
