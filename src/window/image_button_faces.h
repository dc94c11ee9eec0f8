// What both front ends' skin buttons do alike, apart from any toolkit: the three faces, the
// state, every change that repaints, placing, and the release that may click. The front end's
// button derives from this with itself as `Button` and supplies Repaint() and
// MoveTo(window rectangle, repaint); `Image` is its picture type (LoadFromResource(id)).
#pragma once

#include <cstdint>

#include "window/image_button_state.h"
#include "window/skin_buttons.h"

namespace orvik {

template <class Button, class Image>
class ImageButtonFaces {
 public:
  explicit ImageButtonFaces(int id) : id_(id) {}

  int Id() const { return id_; }
  const ImageButtonState& State() const { return state_; }
  bool IsChecked() const { return state_.IsChecked(); }
  bool IsDisabled() const { return state_.IsDisabled(); }

  // `disabledId` 0: the button has no disabled face and then shows only its back colour.
  void SetFaces(int normalId, int downId, int disabledId = 0) {
    normalFace.LoadFromResource(normalId);
    downFace.LoadFromResource(downId);
    disabledFace = Image();
    if (disabledId != 0) disabledFace.LoadFromResource(disabledId);
    state_.SetHasDisabledFace(disabledId != 0);
    Self().Repaint();
  }
  // Faces, colour and latch of a button of the main window's skin.
  void SetUp(const SkinButton& skin) {
    SetFaces(skin.normal, skin.down, skin.disabled);
    SetBackColor(ImageButtonState::kMainWindowBackColor);
    SetMode(true, skin.radio);
  }
  void SetBackColor(std::uint32_t rgb) {
    state_.SetBackColor(rgb);
    Self().Repaint();
  }
  void SetMode(bool checkable, bool noSelfToggle) { state_.SetMode(checkable, noSelfToggle); }
  void SetChecked(bool checked) {
    state_.SetChecked(checked);
    Self().Repaint();
  }
  void SetDisabled(bool disabled) {
    state_.SetDisabled(disabled);
    Self().Repaint();
  }
  // Moves the window to the picture's rectangle grown by the border; same rectangle: no move.
  void Place(int x, int y, int width, int height, bool repaint = true) {
    if (const auto window = state_.Place(x, y, width, height)) Self().MoveTo(*window, repaint);
  }

 protected:
  // The face to stretch over the window; null: only the back colour shows.
  const Image* FaceImage() const {
    const auto face = state_.FaceToDraw();
    if (!face) return nullptr;
    if (*face == ImageButtonState::Face::Down) return &downFace;
    if (*face == ImageButtonState::Face::Disabled) return &disabledFace;
    return &normalFace;
  }
  void Press() {
    state_.MouseDown();
    Self().Repaint();
  }
  // The left button went up, over the button or not. `onChecked(id, checked)` learns a latch
  // the mouse changed, then `onClicked(id)` a click.
  template <class Checked, class Clicked>
  void Release(bool overButton, Checked&& onChecked, Clicked&& onClicked) {
    const bool wasChecked = state_.IsChecked();
    const bool click = state_.MouseUp(overButton);
    Self().Repaint();
    if (state_.IsChecked() != wasChecked) onChecked(id_, state_.IsChecked());
    if (click) onClicked(id_);
  }

  ImageButtonState state_;
  Image normalFace;
  Image downFace;
  Image disabledFace;

 private:
  Button& Self() { return static_cast<Button&>(*this); }

  int id_;
};

}  // namespace orvik
