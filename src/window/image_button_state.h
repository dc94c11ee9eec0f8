// What an owner-drawn image button shows and how it reacts to the mouse, apart from any
// toolkit: the widget keeps one of these, forwards mouse presses to it and draws the face
// it names.
#pragma once

#include <cstdint>
#include <optional>

#include "core/window_port.h"

namespace orvik {

class ImageButtonState {
 public:
  enum class Face { Normal, Down, Disabled };

  // White, as a fresh button has it; the main window asks for its dialog grey.
  static constexpr std::uint32_t kDefaultBackColor = 0xFFFFFF;
  static constexpr std::uint32_t kMainWindowBackColor = 0xF0F0F0;
  // The window is the picture's rectangle grown by this much on every side.
  static constexpr int kBorder = 2;

  // checkable: the button latches. noSelfToggle: a release never flips the latch, the
  // parent sets it (radio behaviour).
  void SetMode(bool checkable, bool noSelfToggle);
  bool IsCheckable() const { return checkable_; }
  bool HasNoSelfToggle() const { return noSelfToggle_; }

  void SetChecked(bool checked) { checked_ = checked; }
  bool IsChecked() const { return checked_; }
  void SetDisabled(bool disabled) { disabled_ = disabled; }
  bool IsDisabled() const { return disabled_; }
  bool IsPressed() const { return pressed_; }

  // Faces given with only two pictures have no disabled face.
  void SetHasDisabledFace(bool has) { hasDisabledFace_ = has; }
  bool HasDisabledFace() const { return hasDisabledFace_; }

  void SetBackColor(std::uint32_t rgb) { backColor = rgb; }
  std::uint32_t BackColor() const { return backColor; }

  // The face to stretch over the whole window; nothing means only the back colour shows.
  std::optional<Face> FaceToDraw() const;

  void MouseDown() { pressed_ = true; }
  // The left button went up; overButton tells where. Returns true when the parent gets the
  // click notification. A toggle button flips also when released elsewhere.
  bool MouseUp(bool overButton);

  // Returns the window rectangle to move to, or nothing when the picture keeps its place.
  std::optional<Rect> Place(int x, int y, int width, int height);
  const Rect& ImageRect() const { return imageRect; }

 private:
  bool noSelfToggle_ = false;
  Rect imageRect;
  bool disabled_ = false;
  bool checkable_ = false;
  bool checked_ = false;
  bool pressed_ = false;
  bool hasDisabledFace_ = false;
  std::uint32_t backColor = kDefaultBackColor;
};

}  // namespace orvik
