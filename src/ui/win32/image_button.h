// The skin's owner-drawn button for Win32: a BS_OWNERDRAW button drawn through the parent's
// WM_DRAWITEM. The mouse is taken from the button itself (a subclass) so that the latch and
// the click follow ImageButtonState exactly as in the other front end.
#pragma once

#include <windows.h>

#include <functional>

#include "ui/win32/skin_image.h"
#include "window/image_button_state.h"

namespace orvik::ui::win {

class CImageButton {
 public:
  explicit CImageButton(int id) : id_(id) {}
  ~CImageButton();
  CImageButton(const CImageButton&) = delete;
  CImageButton& operator=(const CImageButton&) = delete;

  // Child, visible, owner-drawn, empty caption, at 10,10 to 65,30 until placed.
  bool Create(HWND parent);
  HWND Hwnd() const { return hwnd_; }
  int Id() const { return id_; }

  void SetFaces(int normalId, int downId, int disabledId);
  void SetFaces(int normalId, int downId);  // no disabled face
  void SetBackColor(std::uint32_t rgb);
  void SetMode(bool checkable, bool noSelfToggle) { state_.SetMode(checkable, noSelfToggle); }
  void SetChecked(bool checked);
  void SetDisabled(bool disabled);
  // Moves the window to the picture's rectangle grown by the border; same rectangle: no move.
  void Place(int x, int y, int width, int height, bool repaint = true);
  void Show(bool show);
  const ImageButtonState& State() const { return state_; }

  // The parent's WM_DRAWITEM for this button.
  void DrawItem(const DRAWITEMSTRUCT& item) const;

  // The release was over the button; the latch changed by the mouse.
  std::function<void(int id)> onClicked;
  std::function<void(int id, bool checked)> onCheckedByMouse;

 private:
  static LRESULT CALLBACK SubclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                                       UINT_PTR id, DWORD_PTR self);
  void MouseUp(LPARAM lParam);
  void Repaint() const;

  int id_;
  HWND hwnd_ = nullptr;
  ImageButtonState state_;
  SkinImage normalFace;
  SkinImage downFace;
  SkinImage disabledFace;
};

}  // namespace orvik::ui::win
