// The skin's owner-drawn button for Win32: a BS_OWNERDRAW button drawn through the parent's
// WM_DRAWITEM. The mouse is taken from the button itself (a subclass) so that the latch and
// the click follow ImageButtonState exactly as in the other front end.
#pragma once

#include <windows.h>

#include <functional>

#include "ui/win32/skin_image.h"
#include "window/image_button_faces.h"

namespace orvik::ui::win {

class CImageButton : public ImageButtonFaces<CImageButton, SkinImage> {
 public:
  explicit CImageButton(int id) : ImageButtonFaces(id) {}
  ~CImageButton();
  CImageButton(const CImageButton&) = delete;
  CImageButton& operator=(const CImageButton&) = delete;

  // Child, visible, owner-drawn, empty caption, at 10,10 to 65,30 until placed.
  bool Create(HWND parent);
  HWND Hwnd() const { return hwnd_; }
  void Show(bool show);
  // For ImageButtonFaces.
  void Repaint() const;
  void MoveTo(const Rect& window, bool repaint);

  // The parent's WM_DRAWITEM for this button.
  void DrawItem(const DRAWITEMSTRUCT& item) const;

  // The release was over the button; the latch changed by the mouse.
  std::function<void(int id)> onClicked;
  std::function<void(int id, bool checked)> onCheckedByMouse;

 private:
  static LRESULT CALLBACK SubclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                                       UINT_PTR id, DWORD_PTR self);
  void MouseUp(LPARAM lParam);

  HWND hwnd_ = nullptr;
};

}  // namespace orvik::ui::win
