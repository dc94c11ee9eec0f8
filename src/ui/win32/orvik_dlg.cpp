#include <windows.h>
// windows.h first: the system headers below need it.
#include "ui/win32/orvik_dlg.h"

#include <commctrl.h>
#include <windowsx.h>

#include "window/control_ids.h"
#include "platform/wide_text.h"
#include "platform/module_dir.h"
#include "ui/win32/history_dlg.h"
#include "ui/win32/image_button.h"
#include "ui/win32/progress_dlg.h"
#include "ui/win32/resource.h"
#include "ui/win32/rolling_banner.h"
#include "window/screen_fit.h"
#include "window/skin_buttons.h"
#include "window/verify_run.h"
#include "core/user_texts.h"

namespace orvik::ui::win {

namespace {
constexpr UINT kWmRunQueued = WM_APP + 1;
// A close nobody is asked about: the session or the console is ending.
constexpr UINT kWmCloseNow = WM_APP + 2;
constexpr int kInfoPanelId = 161;
#ifndef WM_DPICHANGED
constexpr UINT WM_DPICHANGED = 0x02E0;
#endif

template <typename Fn>
Fn User32Function(const char* name) {
  return reinterpret_cast<Fn>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), name)));
}

Rect ToRect(const RECT& r) { return Rect{r.left, r.top, r.right, r.bottom}; }

Rect WorkAreaOf(HMONITOR monitor) {
  MONITORINFO info{};
  info.cbSize = sizeof info;
  if (monitor && GetMonitorInfoW(monitor, &info)) return ToRect(info.rcWork);
  RECT work{};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  return ToRect(work);
}
}  // namespace

COrvikDlg::COrvikDlg() : progress_(std::make_unique<CProgressDlg>()) {
  progress_->SetOnCancel([this] { Forward([](WindowEvents& logic) { logic.OnProgressCancel(); }); });
}

COrvikDlg::~COrvikDlg() {
  StartClosing();
  progress_.reset();
  if (hwnd_ && IsWindow(hwnd_)) DestroyWindow(hwnd_);
  for (HGDIOBJ object :
       {static_cast<HGDIOBJ>(dialogFont_), static_cast<HGDIOBJ>(countFont_),
        static_cast<HGDIOBJ>(backgroundBrush_), static_cast<HGDIOBJ>(backgroundBitmap_)})
    if (object) DeleteObject(object);
}

INT_PTR COrvikDlg::DoModal() {
  HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  GetClassInfoExW(nullptr, L"#32770", &wc);  // the system dialog class, renamed
  wc.cbSize = sizeof wc;
  wc.hInstance = instance;
  wc.lpszClassName = kClassName;
  wc.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(IDI_ORVIK));
  RegisterClassExW(&wc);
  uiThread_ = GetCurrentThreadId();
  // Modeless with a loop of its own, the loop a modal dialog box would run, so that the
  // progress dialog gets its keys (Escape, Tab) through IsDialogMessage as well.
  HWND hwnd = CreateDialogParamW(instance, MAKEINTRESOURCEW(IDD_ORVIK_DIALOG), nullptr, DialogProc,
                                 reinterpret_cast<LPARAM>(this));
  if (!hwnd) return -1;
  if (!ended_) ShowWindow(hwnd, SW_SHOW);
  MSG msg;
  while (!ended_) {
    const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got == -1) break;
    if (got == 0) {  // WM_QUIT belongs to an outer loop
      PostQuitMessage(static_cast<int>(msg.wParam));
      break;
    }
    if (progress_->HandleKeys(msg)) continue;
    if (IsWindow(hwnd) && IsDialogMessageW(hwnd, &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  if (!ended_) Close();
  DestroyWindow(hwnd);
  return IDCANCEL;
}

void COrvikDlg::RequestClose() {
  if (HWND window = window_.load()) PostMessageW(window, kWmCloseNow, 0, 0);
}

INT_PTR CALLBACK COrvikDlg::DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    auto* self = reinterpret_cast<COrvikDlg*>(lParam);
    SetWindowLongPtrW(hwnd, DWLP_USER, lParam);
    self->hwnd_ = hwnd;
    self->window_ = hwnd;
  }
  auto* self = reinterpret_cast<COrvikDlg*>(GetWindowLongPtrW(hwnd, DWLP_USER));
  if (!self) return FALSE;
  // Nothing may unwind through the system's dispatch code.
  try {
    return self->HandleMessage(message, wParam, lParam);
  } catch (...) {
    return FALSE;
  }
}

INT_PTR COrvikDlg::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      OnInitDialog();
      return TRUE;
    case WM_PAINT:
      OnPaint();
      return TRUE;
    case WM_PRINTCLIENT:  // a themed check box drawing its parent's background
      PaintBackground(reinterpret_cast<HDC>(wParam));
      return TRUE;
    case WM_CTLCOLORSTATIC:
      return OnCtlColorStatic(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
    case WM_DPICHANGED:
      OnDpiChanged(HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
      return TRUE;
    case WM_QUERYDRAGICON:
      return reinterpret_cast<INT_PTR>(m_icon);
    case WM_SYSCOMMAND:
      if ((wParam & 0xFFF0) == IDM_ABOUTBOX) {
        Forward([](WindowEvents& logic) { logic.OnCommand(ctl::kAboutCommand); });
        return TRUE;
      }
      return FALSE;
    case WM_COMMAND:
      OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
      return TRUE;
    case WM_DRAWITEM: {
      const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
      for (const auto& [id, button] : imageButtons_) {
        if (button->Hwnd() == item->hwndItem) {
          button->DrawItem(*item);
          return TRUE;
        }
      }
      return FALSE;
    }
    case WM_TIMER: {
      const int id = static_cast<int>(wParam);
      Forward([id](WindowEvents& logic) { logic.OnTimer(id); });
      return TRUE;
    }
    case WM_ACTIVATE: {
      const bool active = LOWORD(wParam) != WA_INACTIVE;
      Forward([active](WindowEvents& logic) { logic.OnActivate(active); });
      return FALSE;
    }
    case kWmRunQueued:
      RunQueued();
      return TRUE;
    case WM_ENDSESSION:
      if (wParam) Close();  // the settings are saved before the session ends
      return TRUE;
    case kWmCloseNow:
      Close();
      return TRUE;
    case WM_CLOSE:  // the close box, Alt+F4, taskkill
      CloseAsked();
      return TRUE;
    case WM_CONTEXTMENU:
      ShowContextMenu(lParam);
      return TRUE;
    default:
      return FALSE;
  }
}

void COrvikDlg::OnInitDialog() {
  HINSTANCE instance = GetModuleHandleW(nullptr);
  m_icon = LoadIconW(instance, MAKEINTRESOURCEW(IDI_ORVIK));
  SendMessageW(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_icon));
  SendMessageW(hwnd_, WM_SETICON, ICON_SMALL,
               reinterpret_cast<LPARAM>(LoadImageW(instance, MAKEINTRESOURCEW(IDI_ORVIK),
                                                   IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                                   GetSystemMetrics(SM_CYSMICON), 0)));
  if (HMENU menu = GetSystemMenu(hwnd_, FALSE)) {
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(menu, MF_STRING, IDM_ABOUTBOX, platform::Utf8ToWide(text::kAboutMenuItem).c_str());
  }
  // The skin is drawn in pixels at 96 dpi; a per-monitor aware window scales it itself, and
  // the system's own rescaling of dialogs would undo that.
  using SetDialogDpiChangeBehaviorFn = BOOL(WINAPI*)(HWND, int, int);
  if (auto fn = User32Function<SetDialogDpiChangeBehaviorFn>("SetDialogDpiChangeBehavior"))
    fn(hwnd_, 3, 3);  // DDC_DISABLE_ALL: fonts, controls and the window's size are ours
  HDC screen = GetDC(hwnd_);
  int dpi = GetDeviceCaps(screen, LOGPIXELSX);
  ReleaseDC(hwnd_, screen);
  using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
  if (auto fn = User32Function<GetDpiForWindowFn>("GetDpiForWindow")) {
    if (const UINT windowDpi = fn(hwnd_)) dpi = static_cast<int>(windowDpi);
  }
  // 1366 x 768 at 150% cannot hold the window: it opens smaller, whole, on the work area.
  const Rect work = WorkAreaOf(MonitorFromWindow(hwnd_, MONITOR_DEFAULTTONEAREST));
  const SIZE frame = FrameSize(dpi);
  dpi_ = FittingDpi(dpi, Size{kClientWidth, kClientHeight}, Size{frame.cx, frame.cy}, work);
  const Rect placed = PlaceInWorkArea(
      Size{Scaled(kClientWidth) + frame.cx, Scaled(kClientHeight) + frame.cy}, work);
  SetWindowPos(hwnd_, nullptr, placed.left, placed.top, placed.right - placed.left,
               placed.bottom - placed.top, SWP_NOZORDER | SWP_NOACTIVATE);

  // Focus rectangles only once the keyboard is used, as for any window opened by the mouse.
  SendMessageW(hwnd_, WM_CHANGEUISTATE, MAKEWPARAM(UIS_SET, UISF_HIDEFOCUS | UISF_HIDEACCEL), 0);
  CreateBanner();
  LayOutTemplateControls();
  CreateImageButtons();
  for (int id : {161, 162, 164, 165, 166, 167, 168}) panels_[id].LoadFromResource(id);
  CreateStatusPicture();
  Forward([](WindowEvents& logic) { logic.OnInitDialog(); });
}

void COrvikDlg::OnCommand(int id, int code, HWND from) {
  // Escape (the hidden cancel button) and Enter (the dialog's default command) end the
  // window, as in the other front end; during an update the operator is asked first.
  if (id == IDCANCEL || id == IDOK) {
    CloseAsked();
    return;
  }
  // Image buttons report their clicks themselves (the latch must follow the mouse first).
  for (const auto& [buttonId, button] : imageButtons_) {
    if (button->Hwnd() == from) return;
  }
  if (id == ctl::kProgramList) {
    if (code != CBN_SELCHANGE) return;
    const LRESULT index = SendMessageW(from, CB_GETCURSEL, 0, 0);
    std::wstring text;
    if (index != CB_ERR) {
      text.resize(static_cast<std::size_t>(SendMessageW(from, CB_GETLBTEXTLEN, index, 0)));
      SendMessageW(from, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(text.data()));
    }
    std::string chosen = platform::WideToUtf8(text);
    Forward([id, chosen](WindowEvents& logic) { logic.OnListSelectionChanged(id, chosen); });
    return;
  }
  if (code != BN_CLICKED) return;
  if (id >= ctl::kUseConfigBox && id <= ctl::kCantataBox) {
    const bool checked = IsDlgButtonChecked(hwnd_, id) == BST_CHECKED;
    Forward([id, checked](WindowEvents& logic) { logic.OnCheckBoxClicked(id, checked); });
    return;
  }
  Forward([id](WindowEvents& logic) { logic.OnCommand(id); });
}

void COrvikDlg::OnPaint() {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd_, &ps);
  const RECT panel = ScaledRect(22, 426, 500, 94);
  panels_[kInfoPanelId].Draw(dc, panel.left, panel.top, panel.right - panel.left,
                             panel.bottom - panel.top);
  EndPaint(hwnd_, &ps);
}

void COrvikDlg::PaintBackground(HDC dc) {
  RECT client;
  GetClientRect(hwnd_, &client);
  FillRect(dc, &client, GetSysColorBrush(COLOR_3DFACE));
  const RECT panel = ScaledRect(22, 426, 500, 94);
  panels_[kInfoPanelId].Draw(dc, panel.left, panel.top, panel.right - panel.left,
                             panel.bottom - panel.top);
}

INT_PTR COrvikDlg::OnCtlColorStatic(HDC dc, HWND control) {
  wchar_t name[16] = {};
  GetClassNameW(control, name, 16);
  if (GetParent(control) != hwnd_ || (lstrcmpiW(name, L"Static") && lstrcmpiW(name, L"Button")))
    return FALSE;
  // The labels and check boxes erase with the window's own painting (a pattern brush aligned
  // to the client area), so they stand on the skin, and a shorter new text leaves no trace.
  if (!backgroundBrush_) {
    RECT client;
    GetClientRect(hwnd_, &client);
    HDC screen = GetDC(hwnd_);
    backgroundBitmap_ = CreateCompatibleBitmap(screen, client.right, client.bottom);
    HDC memory = CreateCompatibleDC(screen);
    HGDIOBJ old = SelectObject(memory, backgroundBitmap_);
    PaintBackground(memory);
    SelectObject(memory, old);
    DeleteDC(memory);
    ReleaseDC(hwnd_, screen);
    backgroundBrush_ = CreatePatternBrush(backgroundBitmap_);
    if (!backgroundBrush_) return FALSE;
  }
  POINT origin{0, 0};
  MapWindowPoints(control, hwnd_, &origin, 1);
  SetBrushOrgEx(dc, -origin.x, -origin.y, nullptr);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
  return reinterpret_cast<INT_PTR>(backgroundBrush_);
}

SIZE COrvikDlg::FrameSize(int dpi) const {
  RECT frame{0, 0, 0, 0};
  const auto style = static_cast<DWORD>(GetWindowLongPtrW(hwnd_, GWL_STYLE));
  const auto exStyle = static_cast<DWORD>(GetWindowLongPtrW(hwnd_, GWL_EXSTYLE));
  using AdjustForDpiFn = BOOL(WINAPI*)(LPRECT, DWORD, BOOL, DWORD, UINT);
  if (auto fn = User32Function<AdjustForDpiFn>("AdjustWindowRectExForDpi")) {
    fn(&frame, style, FALSE, exStyle, static_cast<UINT>(dpi));
  } else {
    AdjustWindowRectEx(&frame, style, FALSE, exStyle);
  }
  return SIZE{frame.right - frame.left, frame.bottom - frame.top};
}

void COrvikDlg::OnDpiChanged(int dpi, const RECT& suggested) {
  // Moved to a monitor (or a TV) at another scale: the system's rectangle keeps the window
  // where the operator dragged it; a monitor too small for the skin at its scale gets the
  // window smaller and back on its work area, as at the start.
  const Rect work = WorkAreaOf(MonitorFromRect(&suggested, MONITOR_DEFAULTTONEAREST));
  const SIZE frame = FrameSize(dpi);
  const int fitting =
      FittingDpi(dpi, Size{kClientWidth, kClientHeight}, Size{frame.cx, frame.cy}, work);
  if (fitting == dpi_) return;
  dpi_ = fitting;
  Rect placed = ToRect(suggested);
  if (fitting != dpi) {
    placed.right = placed.left + Scaled(kClientWidth) + frame.cx;
    placed.bottom = placed.top + Scaled(kClientHeight) + frame.cy;
    placed = MoveIntoWorkArea(placed, work);
  }
  SetWindowPos(hwnd_, nullptr, placed.left, placed.top, placed.right - placed.left,
               placed.bottom - placed.top, SWP_NOZORDER | SWP_NOACTIVATE);
  ScaleContents();
}

void COrvikDlg::ScaleContents() {
  ReplaceFonts();
  PlaceTemplateControls();
  for (const auto& b : kSkinButtons) {
    if (CImageButton* button = ImageButton(b.id)) {
      const RECT r = ScaledRect(b.x, b.y, b.width, b.height);
      button->Place(r.left, r.top, r.right - r.left, r.bottom - r.top);
    }
  }
  if (banner_) banner_->SetBannerRect(0, 0, Scaled(kClientWidth), Scaled(kBannerHeight));
  if (statusPicture_) {
    const RECT r = ScaledRect(526, 420, 163, 86);
    MoveWindow(statusPicture_, r.left, r.top, r.right - r.left, r.bottom - r.top, FALSE);
  }
  // The labels' background is the painting at the old scale.
  if (backgroundBrush_) DeleteObject(backgroundBrush_);
  if (backgroundBitmap_) DeleteObject(backgroundBitmap_);
  backgroundBrush_ = nullptr;
  backgroundBitmap_ = nullptr;
  RedrawWindow(hwnd_, nullptr, nullptr, RDW_ERASE | RDW_INVALIDATE | RDW_ALLCHILDREN);
}

void COrvikDlg::CloseAsked() {
  // During an update the operator is asked first.
  if (logic_ && !closed_ && !logic_->MayClose()) return;
  Close();
}

void COrvikDlg::ShowContextMenu(LPARAM at) {
  HMENU menu = CreatePopupMenu();
  if (!menu) return;
  // "실행" while the run button is not shown, so a pending update never keeps the room
  // from singing.
  if (logic_ && !closed_ && logic_->OffersRunInMenu())
    AppendMenuW(menu, MF_STRING, IDM_RUN, platform::Utf8ToWide(text::kRunMenuItem).c_str());
  if (const char* verify = logic_ && !closed_ ? logic_->VerifyMenuItem() : nullptr)
    AppendMenuW(menu, MF_STRING, kVerifyCommand, platform::Utf8ToWide(verify).c_str());
  AppendMenuW(menu, MF_STRING, IDM_HISTORY, platform::Utf8ToWide(text::kHistoryMenuItem).c_str());
  AppendMenuW(menu, MF_STRING, IDM_ABOUTBOX, platform::Utf8ToWide(text::kAboutMenuItem).c_str());
  POINT point{GET_X_LPARAM(at), GET_Y_LPARAM(at)};
  if (point.x == -1 && point.y == -1) {  // from the keyboard: at the window's corner
    point = POINT{0, 0};
    ClientToScreen(hwnd_, &point);
  }
  const UINT chosen = static_cast<UINT>(
      TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON, point.x, point.y, 0, hwnd_, nullptr));
  DestroyMenu(menu);
  if (chosen == static_cast<UINT>(kVerifyCommand))
    Forward([](WindowEvents& logic) { logic.OnCommand(kVerifyCommand); });
  if (chosen == IDM_RUN) Forward([](WindowEvents& logic) { logic.OnCommand(ctl::kRunButton); });
  if (chosen == IDM_HISTORY) ShowHistoryDialog(hwnd_, platform::GetModuleDirectory());
  if (chosen == IDM_ABOUTBOX)
    Forward([](WindowEvents& logic) { logic.OnCommand(ctl::kAboutCommand); });
}

void COrvikDlg::Close() {
  if (!closed_) {
    StartClosing();
    closed_ = true;
    // Workers joined, settings saved; their last posted calls are dropped with the window.
    if (logic_) logic_->OnClose();
  }
  progress_->DestroyWindow();
  window_ = nullptr;
  // As EndDialog: hidden now, destroyed once the loop is back (a box still open over the
  // window ends first).
  ended_ = true;
  ShowWindow(hwnd_, SW_HIDE);
}

void COrvikDlg::StartClosing() {
  // Workers waiting for an answer get the closing answer and can be joined.
  BeginClosing();
  if (hwnd_) {
    for (int id : {timer::kUpdateCheck, timer::kEventPoll, timer::kRunWatch}) KillTimer(hwnd_, id);
  }
}

void COrvikDlg::Forward(const std::function<void(WindowEvents&)>& call) {
  if (logic_ && !closed_) call(*logic_);
}

HWND COrvikDlg::BoxParent() const {
  // A box over a disabled window would be disabled with it.
  if (hwnd_ && IsWindowEnabled(hwnd_)) return hwnd_;
  if (progress_ && progress_->Hwnd()) return progress_->Hwnd();
  return hwnd_;
}

HWND COrvikDlg::Control(int id) const {
  const auto it = controls_.find(id);
  return it == controls_.end() ? nullptr : it->second;
}

CImageButton* COrvikDlg::ImageButton(int id) const {
  const auto it = imageButtons_.find(id);
  return it == imageButtons_.end() ? nullptr : it->second.get();
}

RECT COrvikDlg::ScaledRect(int x, int y, int width, int height) const {
  return RECT{Scaled(x), Scaled(y), Scaled(x + width), Scaled(y + height)};
}

}  // namespace orvik::ui::win
