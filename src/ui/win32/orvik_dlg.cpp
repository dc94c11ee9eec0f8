#include <windows.h>
// windows.h first: the system headers below need it.
#include "ui/win32/orvik_dlg.h"

#include <commctrl.h>
#include <windowsx.h>

#include "window/control_ids.h"
#include "platform/wide_text.h"
#include "ui/win32/image_button.h"
#include "ui/win32/progress_dlg.h"
#include "ui/win32/resource.h"
#include "ui/win32/rolling_banner.h"
#include "window/verify_run.h"
#include "core/user_texts.h"

namespace orvik::ui::win {

namespace {
constexpr UINT kWmRunQueued = WM_APP + 1;
// A close nobody is asked about: the session or the console is ending.
constexpr UINT kWmCloseNow = WM_APP + 2;
constexpr int kInfoPanelId = 161;
}  // namespace

COrvikDlg::COrvikDlg() : progress_(std::make_unique<CProgressDlg>()) {}

COrvikDlg::~COrvikDlg() {
  StartClosing();
  progress_.reset();
  for (HFONT font : m_fonts) DeleteObject(font);
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
  return DialogBoxParamW(instance, MAKEINTRESOURCEW(IDD_ORVIK_DIALOG), nullptr, DialogProc,
                         reinterpret_cast<LPARAM>(this));
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
  // The skin is drawn in pixels at 96 dpi; a per-monitor aware window scales it itself.
  HDC screen = GetDC(hwnd_);
  dpi_ = GetDeviceCaps(screen, LOGPIXELSX);
  ReleaseDC(hwnd_, screen);
  using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
  if (auto fn = reinterpret_cast<GetDpiForWindowFn>(reinterpret_cast<void*>(
          GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")))) {
    if (const UINT dpi = fn(hwnd_)) dpi_ = static_cast<int>(dpi);
  }

  RECT frame{0, 0, Scaled(kClientWidth), Scaled(kClientHeight)};
  AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongPtrW(hwnd_, GWL_STYLE)), FALSE,
                     static_cast<DWORD>(GetWindowLongPtrW(hwnd_, GWL_EXSTYLE)));
  const int width = frame.right - frame.left;
  const int height = frame.bottom - frame.top;
  RECT work{};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  SetWindowPos(hwnd_, nullptr, work.left + (work.right - work.left - width) / 2,
               work.top + (work.bottom - work.top - height) / 2, width, height,
               SWP_NOZORDER | SWP_NOACTIVATE);

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
  if (id == IDCANCEL) {  // Escape ends the dialog as its hidden cancel button does
    CloseAsked();
    return;
  }
  // Enter does not: a Return meant for a message box that has just closed would end the
  // launcher.
  if (id == IDOK) return;
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
  EndDialog(hwnd_, IDCANCEL);
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
