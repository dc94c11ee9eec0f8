// Creation of the main window's controls: the template's controls laid out on the skin's
// grid, the skin's image buttons, the banner and the status picture, in pixels.
#include <windows.h>
// windows.h first: the system headers below need it.
#include <commctrl.h>

#include <algorithm>
#include <cmath>

#include "window/control_ids.h"
#include "ui/win32/image_button.h"
#include "ui/win32/orvik_dlg.h"
#include "ui/win32/rolling_banner.h"
#include "window/dialog_layout.h"
#include "window/skin_buttons.h"

namespace orvik::ui::win {

namespace {

constexpr wchar_t kStatusPictureClass[] = L"OrvikStatusPicture";
constexpr int kDownloadingId = 166;
constexpr int kUnpackingId = 167;

int Round(double value) { return static_cast<int>(std::lround(value)); }

int LineHeight(HWND control) {
  HDC dc = GetDC(control);
  HGDIOBJ old =
      SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(control, WM_GETFONT, 0, 0)));
  TEXTMETRICW metrics{};
  GetTextMetricsW(dc, &metrics);
  SelectObject(dc, old);
  ReleaseDC(control, dc);
  return metrics.tmHeight;
}

bool IsStatic(HWND control) {
  wchar_t name[16] = {};
  GetClassNameW(control, name, 16);
  return lstrcmpiW(name, L"Static") == 0;
}

}  // namespace

void COrvikDlg::LayOutTemplateControls() {
  // The font's dialog units differ from machine to machine (and under Wine the Hangul font
  // is a substitute); the skin needs the template's grid at fixed pixels. The rectangles are
  // kept in template units, so a change of dpi lays them out again.
  RECT base{0, 0, 4, 8};
  MapDialogRect(hwnd_, &base);
  const double unitX = base.right / 4.0;
  const double unitY = base.bottom / 8.0;
  if (auto font = reinterpret_cast<HFONT>(SendMessageW(hwnd_, WM_GETFONT, 0, 0)))
    GetObjectW(font, sizeof templateFont_, &templateFont_);
  for (HWND child = GetWindow(hwnd_, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    RECT r;
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&r), 2);
    templateUnits_[child] = RECT{Round(r.left / unitX), Round(r.top / unitY),
                                 Round(r.right / unitX), Round(r.bottom / unitY)};
    const int id = GetDlgCtrlID(child);
    if (id == layout::kProgramCaption && IsStatic(child)) {
      programCaption_ = child;
      continue;  // shares its number with a service button
    }
    if (id <= 0) continue;
    controls_[id] = child;
  }
  ReplaceFonts();
  PlaceTemplateControls();
  if (HWND bar = Control(ctl::kProgressBar)) SendMessageW(bar, PBM_SETRANGE32, 0, 100);
  if (HWND list = Control(ctl::kProgramList)) SendMessageW(list, CB_SETMINVISIBLE, 3, 0);
}

void COrvikDlg::ReplaceFonts() {
  // The template's font as the system made it is for the dpi the window opened at; at any
  // other the texts would not keep their size against the skin.
  HFONT oldDialog = dialogFont_, oldCount = countFont_;
  LOGFONTW face = templateFont_;
  face.lfHeight = -MulDiv(kTemplateFontPoints, dpi_, 72);
  face.lfWidth = 0;
  dialogFont_ = CreateFontIndirectW(&face);
  countFont_ = CreateFontW(Scaled(24), 0, 0, 0, FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, 0, L"Arial");
  for (const auto& [child, units] : templateUnits_) {
    const int id = GetDlgCtrlID(child);
    const bool count =
        IsStatic(child) && (id == ctl::kStoredCountLabel || id == ctl::kUpdateCountLabel);
    if (HFONT font = count ? countFont_ : dialogFont_)
      SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  }
  if (oldDialog) DeleteObject(oldDialog);
  if (oldCount) DeleteObject(oldCount);
}

void COrvikDlg::PlaceTemplateControls() {
  for (const auto& [child, units] : templateUnits_) {
    const int l = Scaled(Round(units.left * kUnitX)), t = Scaled(Round(units.top * kUnitY));
    const int w = Scaled(Round(units.right * kUnitX)) - l;
    int h = Scaled(Round(units.bottom * kUnitY)) - t;
    // Some template rectangles are lower than a line of their font at this scale; they
    // grow downwards so that no descender is cut off.
    if (IsStatic(child)) h = std::max(h, LineHeight(child));
    MoveWindow(child, l, t, w, h, FALSE);
  }
}

void COrvikDlg::CreateImageButtons() {
  for (const auto& b : kSkinButtons) {
    auto button = std::make_unique<CImageButton>(b.id);
    if (!button->Create(hwnd_)) continue;
    button->SetUp(b);
    const RECT r = ScaledRect(b.x, b.y, b.width, b.height);
    button->Place(r.left, r.top, r.right - r.left, r.bottom - r.top);
    button->Show(b.shown);
    button->onClicked = [this](int id) {
      Forward([id](WindowEvents& logic) { logic.OnCommand(id); });
    };
    controls_[b.id] = button->Hwnd();
    imageButtons_[b.id] = std::move(button);
  }
  if (CImageButton* tunova = ImageButton(ctl::kServiceTunova)) tunova->SetChecked(true);
}

void COrvikDlg::CreateBanner() {
  banner_ = std::make_unique<CRollingBanner>();
  if (!banner_->Create(hwnd_)) return;
  banner_->SetBannerRect(0, 0, Scaled(kClientWidth), Scaled(kBannerHeight));
  banner_->SetInterval(kBannerPeriodMs);
  banner_->onClicked = [this](int index) {
    PostWindowMessage(WM_BANNER_CLICKED, static_cast<std::uintptr_t>(index), 0);
  };
}

void COrvikDlg::CreateStatusPicture() {
  WNDCLASSW wc{};
  wc.lpfnWndProc = StatusPictureProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = kStatusPictureClass;
  RegisterClassW(&wc);
  const RECT r = ScaledRect(526, 420, 163, 86);
  statusPicture_ =
      CreateWindowExW(0, kStatusPictureClass, L"", WS_CHILD | WS_CLIPSIBLINGS, r.left, r.top,
                      r.right - r.left, r.bottom - r.top, hwnd_, nullptr, wc.hInstance, nullptr);
  if (!statusPicture_) return;
  SetWindowLongPtrW(statusPicture_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  // Above the program caption it covers, below the program list and the buttons.
  if (programCaption_) {
    SetWindowLongPtrW(programCaption_, GWL_STYLE,
                      GetWindowLongPtrW(programCaption_, GWL_STYLE) | WS_CLIPSIBLINGS);
    HWND above = GetWindow(programCaption_, GW_HWNDPREV);
    SetWindowPos(statusPicture_, above ? above : HWND_TOP, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  }
}

void COrvikDlg::UpdateStatusPicture() {
  if (!statusPicture_) return;
  const bool show = logic_ && !closed_ && logic_->StatusPictureToShow() != StatusPicture::None;
  ShowWindow(statusPicture_, show ? SW_SHOWNA : SW_HIDE);
  InvalidateRect(statusPicture_, nullptr, TRUE);
}

LRESULT CALLBACK COrvikDlg::StatusPictureProc(HWND hwnd, UINT message, WPARAM wParam,
                                              LPARAM lParam) {
  auto* self = reinterpret_cast<COrvikDlg*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (message == WM_NCHITTEST) return HTTRANSPARENT;
  if (message == WM_ERASEBKGND) return 1;
  if (message == WM_PAINT && self) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    FillRect(dc, &ps.rcPaint, GetSysColorBrush(COLOR_3DFACE));
    const StatusPicture which =
        self->logic_ && !self->closed_ ? self->logic_->StatusPictureToShow() : StatusPicture::None;
    const int id = which == StatusPicture::Downloading ? kDownloadingId
                   : which == StatusPicture::Unpacking ? kUnpackingId
                                                       : 0;
    if (id) {
      RECT client;
      GetClientRect(hwnd, &client);
      self->panels_[id].Draw(dc, 0, 0, client.right, client.bottom);
    }
    EndPaint(hwnd, &ps);
    return 0;
  }
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

}  // namespace orvik::ui::win
