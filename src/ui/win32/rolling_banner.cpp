#include <windows.h>
// windows.h first: the system headers below need it.
#include "ui/win32/rolling_banner.h"

#include <algorithm>

namespace orvik::ui::win {

namespace {
constexpr wchar_t kClassName[] = L"OrvikRollingBanner";
}

CRollingBanner::~CRollingBanner() {
  if (hwnd_) {
    SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
    DestroyWindow(hwnd_);
  }
  ClearScaled();
}

bool CRollingBanner::Create(HWND parent) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = WndProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
  wc.lpszClassName = kClassName;
  RegisterClassW(&wc);  // fails harmlessly when already registered
  hwnd_ = CreateWindowExW(0, kClassName, L"", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, parent, nullptr,
                          wc.hInstance, nullptr);
  if (!hwnd_) return false;
  SetWindowLongPtrW(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  return true;
}

void CRollingBanner::SetBannerRect(int x, int y, int width, int height) {
  state_.SetBannerRect(x, y, width, height);
  MoveWindow(hwnd_, x, y, width, height, TRUE);
  RescaleAll();
}

void CRollingBanner::SetInterval(int milliseconds) {
  KillTimer(hwnd_, RollingBannerState::kTimerId);
  state_.SetInterval(milliseconds);
  SetTimer(hwnd_, RollingBannerState::kTimerId, std::max(state_.Period(), kMinTickMs), nullptr);
}

void CRollingBanner::SetImages(const std::vector<std::filesystem::path>& files) {
  images_.clear();
  for (const auto& file : files) {
    SkinImage image;
    if (image.LoadFile(file)) images_.push_back(std::move(image));
  }
  const int w = images_.empty() ? 0 : images_.front().Width();
  const int h = images_.empty() ? 0 : images_.front().Height();
  state_.SetImages(static_cast<int>(images_.size()), w, h);
  const Rect& r = state_.BannerRect();
  MoveWindow(hwnd_, r.left, r.top, r.right - r.left, r.bottom - r.top, TRUE);
  RescaleAll();
}

void CRollingBanner::AddImage(const std::filesystem::path& file) {
  SkinImage image;
  if (!image.LoadFile(file)) return;
  scaled_.push_back(Scaled(image));
  images_.push_back(std::move(image));
  state_.AddImage();
}

HBITMAP CRollingBanner::Scaled(const SkinImage& image) const {
  const int width = state_.Width();
  const int height = state_.Height();
  if (width <= 0 || height <= 0) return nullptr;
  HDC screen = GetDC(nullptr);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
  HDC memory = CreateCompatibleDC(screen);
  HGDIOBJ old = SelectObject(memory, bitmap);
  const RECT all{0, 0, width, height};
  FillRect(memory, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  image.Draw(memory, 0, 0, width, height);
  SelectObject(memory, old);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return bitmap;
}

void CRollingBanner::RescaleAll() {
  ClearScaled();
  for (const auto& image : images_) scaled_.push_back(Scaled(image));
  if (hwnd_) InvalidateRect(hwnd_, nullptr, FALSE);
}

void CRollingBanner::ClearScaled() {
  for (HBITMAP bitmap : scaled_) {
    if (bitmap) DeleteObject(bitmap);
  }
  scaled_.clear();
}

void CRollingBanner::Paint() {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd_, &ps);
  const int width = state_.Width();
  const int height = state_.Height();
  if (!scaled_.empty() && width > 0 && height > 0) {
    HDC frame = CreateCompatibleDC(dc);
    HBITMAP frameBitmap = CreateCompatibleBitmap(dc, width, height);
    HGDIOBJ oldFrame = SelectObject(frame, frameBitmap);
    const RECT all{0, 0, width, height};
    FillRect(frame, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    HDC source = CreateCompatibleDC(dc);
    for (const auto& place : state_.PaintPlan()) {
      HBITMAP picture = scaled_[static_cast<std::size_t>(place.picture)];
      if (!picture) continue;
      HGDIOBJ oldSource = SelectObject(source, picture);
      BitBlt(frame, place.x, 0, width, height, source, 0, 0, SRCCOPY);
      SelectObject(source, oldSource);
    }
    DeleteDC(source);
    BitBlt(dc, 0, 0, width, height, frame, 0, 0, SRCCOPY);
    SelectObject(frame, oldFrame);
    DeleteObject(frameBitmap);
    DeleteDC(frame);
  } else {
    // Without pictures the dialog's background shows.
    FillRect(dc, &ps.rcPaint, GetSysColorBrush(COLOR_3DFACE));
  }
  EndPaint(hwnd_, &ps);
}

LRESULT CALLBACK CRollingBanner::WndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* self = reinterpret_cast<CRollingBanner*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (self) {
    switch (message) {
      case WM_TIMER:
        if (wParam == RollingBannerState::kTimerId && self->state_.Tick())
          InvalidateRect(hwnd, nullptr, FALSE);
        return 0;
      case WM_PAINT:
        self->Paint();
        return 0;
      case WM_ERASEBKGND:
        return 1;
      case WM_LBUTTONDOWN:
        if (const auto index = self->state_.Click(); index && self->onClicked)
          self->onClicked(*index);
        return 0;
      default:
        break;
    }
  }
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

}  // namespace orvik::ui::win
