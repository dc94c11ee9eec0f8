#include <windows.h>
// windows.h first: the system headers below need it.
#include "ui/win32/image_button.h"

#include <commctrl.h>
#include <windowsx.h>

namespace orvik::ui::win {

CImageButton::~CImageButton() {
  if (hwnd_) RemoveWindowSubclass(hwnd_, SubclassProc, 1);
}

bool CImageButton::Create(HWND parent) {
  hwnd_ = CreateWindowExW(0, L"BUTTON", L"", WS_CHILD | WS_VISIBLE | BS_OWNERDRAW, 10, 10, 55, 20,
                          parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id_)),
                          GetModuleHandleW(nullptr), nullptr);
  if (!hwnd_) return false;
  SetWindowSubclass(hwnd_, SubclassProc, 1, reinterpret_cast<DWORD_PTR>(this));
  return true;
}

void CImageButton::SetFaces(int normalId, int downId, int disabledId) {
  normalFace.LoadFromResource(normalId);
  downFace.LoadFromResource(downId);
  disabledFace.LoadFromResource(disabledId);
  state_.SetHasDisabledFace(true);
  Repaint();
}

void CImageButton::SetFaces(int normalId, int downId) {
  normalFace.LoadFromResource(normalId);
  downFace.LoadFromResource(downId);
  disabledFace = SkinImage();
  state_.SetHasDisabledFace(false);
  Repaint();
}

void CImageButton::SetBackColor(std::uint32_t rgb) {
  state_.SetBackColor(rgb);
  Repaint();
}

void CImageButton::SetChecked(bool checked) {
  state_.SetChecked(checked);
  Repaint();
}

void CImageButton::SetDisabled(bool disabled) {
  state_.SetDisabled(disabled);
  Repaint();
}

void CImageButton::Place(int x, int y, int width, int height, bool repaint) {
  const auto window = state_.Place(x, y, width, height);
  if (!window || !hwnd_) return;
  MoveWindow(hwnd_, window->left, window->top, window->right - window->left,
             window->bottom - window->top, repaint);
}

void CImageButton::Show(bool show) {
  if (hwnd_) ShowWindow(hwnd_, show ? SW_SHOW : SW_HIDE);
}

void CImageButton::Repaint() const {
  if (hwnd_) InvalidateRect(hwnd_, nullptr, FALSE);
}

void CImageButton::DrawItem(const DRAWITEMSTRUCT& item) const {
  const RECT& r = item.rcItem;
  const int width = r.right - r.left;
  const int height = r.bottom - r.top;
  // Compose the frame off-screen, then copy it in one go.
  HDC memory = CreateCompatibleDC(item.hDC);
  HBITMAP frame = CreateCompatibleBitmap(item.hDC, width, height);
  HGDIOBJ old = SelectObject(memory, frame);
  const std::uint32_t rgb = state_.BackColor();
  HBRUSH back = CreateSolidBrush(RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF));
  const RECT all{0, 0, width, height};
  FillRect(memory, &all, back);
  DeleteObject(back);
  if (const auto face = state_.FaceToDraw()) {
    const SkinImage& image = *face == ImageButtonState::Face::Down       ? downFace
                             : *face == ImageButtonState::Face::Disabled ? disabledFace
                                                                         : normalFace;
    image.Draw(memory, 0, 0, width, height);
  }
  BitBlt(item.hDC, r.left, r.top, width, height, memory, 0, 0, SRCCOPY);
  SelectObject(memory, old);
  DeleteObject(frame);
  DeleteDC(memory);
}

void CImageButton::MouseUp(LPARAM lParam) {
  RECT client;
  GetClientRect(hwnd_, &client);
  const POINT at{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
  const bool wasChecked = state_.IsChecked();
  const bool click = state_.MouseUp(PtInRect(&client, at) != FALSE);
  Repaint();
  if (state_.IsChecked() != wasChecked && onCheckedByMouse)
    onCheckedByMouse(id_, state_.IsChecked());
  if (click && onClicked) onClicked(id_);
}

LRESULT CALLBACK CImageButton::SubclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                                            UINT_PTR, DWORD_PTR self) {
  auto* button = reinterpret_cast<CImageButton*>(self);
  switch (message) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      button->state_.MouseDown();
      SetCapture(hwnd);
      button->Repaint();
      return 0;
    case WM_LBUTTONUP:
      if (GetCapture() == hwnd) ReleaseCapture();
      if (button->state_.IsPressed()) button->MouseUp(lParam);
      return 0;
    case WM_ERASEBKGND:
      return 1;  // every pixel comes from the off-screen frame
    default:
      break;
  }
  return DefSubclassProc(hwnd, message, wParam, lParam);
}

}  // namespace orvik::ui::win
