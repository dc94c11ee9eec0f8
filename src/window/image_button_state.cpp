#include "window/image_button_state.h"

namespace orvik {

void ImageButtonState::SetMode(bool checkable, bool noSelfToggle) {
  checkable_ = checkable;
  noSelfToggle_ = noSelfToggle;
}

std::optional<ImageButtonState::Face> ImageButtonState::FaceToDraw() const {
  if (disabled_) {
    if (!hasDisabledFace_) return std::nullopt;
    return Face::Disabled;
  }
  const bool down = checkable_ ? checked_ : pressed_;
  return down ? Face::Down : Face::Normal;
}

bool ImageButtonState::MouseUp(bool overButton) {
  // A release whose press began elsewhere is not a click on this button: neither the latch
  // nor the parent may see it, or the face and the parent's idea of it would part ways.
  if (!pressed_) return false;
  pressed_ = false;
  if (checkable_ && !noSelfToggle_) checked_ = !checked_;
  return overButton;
}

std::optional<Rect> ImageButtonState::Place(int x, int y, int width, int height) {
  const Rect wanted{x, y, x + width, y + height};
  if (wanted == imageRect) return std::nullopt;
  imageRect = wanted;
  return Rect{x - kBorder, y - kBorder, x + width + kBorder, y + height + kBorder};
}

}  // namespace orvik
