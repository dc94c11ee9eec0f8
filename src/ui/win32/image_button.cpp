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
                          parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(Id())),
                          GetModuleHandleW(nullptr), nullptr);
  if (!hwnd_) return false;
  SetWindowSubclass(hwnd_, SubclassProc, 1, reinterpret_cast<DWORD_PTR>(this));
  return true;
}

void CImageButton::MoveTo(const Rect& window, bool repaint) {
  if (!hwnd_) return;
  MoveWindow(hwnd_, window.left, window.top, window.right - window.left,
             window.bottom - window.top, repaint);
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
  if (const SkinImage* face = FaceImage()) face->Draw(memory, 0, 0, width, height);
  BitBlt(item.hDC, r.left, r.top, width, height, memory, 0, 0, SRCCOPY);
  SelectObject(memory, old);
  DeleteObject(frame);
  DeleteDC(memory);
}

void CImageButton::MouseUp(LPARAM lParam) {
  RECT client;
  GetClientRect(hwnd_, &client);
  const POINT at{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
  Release(
      PtInRect(&client, at) != FALSE,
      [this](int id, bool checked) {
        if (onCheckedByMouse) onCheckedByMouse(id, checked);
      },
      [this](int id) {
        if (onClicked) onClicked(id);
      });
}

LRESULT CALLBACK CImageButton::SubclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                                            UINT_PTR, DWORD_PTR self) {
  auto* button = reinterpret_cast<CImageButton*>(self);
  switch (message) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      button->Press();
      SetCapture(hwnd);
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
