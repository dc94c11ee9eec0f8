// The Win32 main window's drawing, as the bridge asks for it on the UI thread, and how the
// bridge reaches that thread: a queue announced by a posted message.
#include <windows.h>
// windows.h first: the system headers below need it.
#include <commctrl.h>
#include <shellapi.h>

#include "core/last_update.h"
#include "core/user_texts.h"
#include "core/midi_port_check.h"
#include "platform/module_dir.h"
#include "platform/path_text.h"
#include "platform/shell.h"
#include "platform/wide_text.h"
#include "ui/win32/image_button.h"
#include "ui/win32/orvik_dlg.h"
#include "ui/win32/progress_dlg.h"
#include "ui/win32/resource.h"
#include "ui/win32/rolling_banner.h"

namespace orvik::ui::win {

namespace {

constexpr UINT kWmRunQueued = WM_APP + 1;
constexpr wchar_t kBoxTitle[] = L"Orvik";

UINT IconStyle(MessageIcon icon) {
  switch (icon) {
    case MessageIcon::Information:
      return MB_ICONINFORMATION;
    case MessageIcon::Warning:
      return MB_ICONWARNING;
    case MessageIcon::Stop:
      return MB_ICONSTOP;
    case MessageIcon::Question:
      return MB_ICONQUESTION;
    case MessageIcon::None:
      break;
  }
  return 0;
}

// For the technician: where this launcher lives, when it last brought songs and which MIDI
// outputs the system has.
INT_PTR CALLBACK AboutProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM) {
  if (message == WM_INITDIALOG) {
    const std::filesystem::path moduleDir = platform::GetModuleDirectory();
    const std::string folder = text::kAboutFolder + platform::PathToUtf8(moduleDir);
    SetDlgItemTextW(hwnd, IDC_ABOUT_FOLDER, platform::Utf8ToWide(folder).c_str());
    const auto last = LoadLastUpdate(moduleDir);
    const std::string line = last ? text::kAboutLastUpdate + last->localTime + " (" +
                                        std::to_string(last->songsAdded) + text::kAboutSongsAdded
                                  : std::string(text::kAboutNoUpdate);
    SetDlgItemTextW(hwnd, IDC_ABOUT_LAST_UPDATE, platform::Utf8ToWide(line).c_str());
    const std::string midi = MidiOutputsLine(platform::ListMidiOutputs());
    SetDlgItemTextW(hwnd, IDC_ABOUT_MIDI_OUTPUTS, platform::Utf8ToWide(midi).c_str());
    return TRUE;
  }
  if (message == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
    EndDialog(hwnd, LOWORD(wParam));
    return TRUE;
  }
  return FALSE;
}

}  // namespace

void COrvikDlg::PostToUiThread(std::function<void()> call) {
  {
    std::lock_guard lock(queueMutex_);
    queue_.push_back(std::move(call));
  }
  // A window already gone drops the call, as a destroyed window drops its messages.
  if (HWND window = window_.load()) PostMessageW(window, kWmRunQueued, 0, 0);
}

bool COrvikDlg::OnUiThread() const { return GetCurrentThreadId() == uiThread_; }

void COrvikDlg::RunQueued() {
  // One call per message: a call that opens a modal box lets the next ones run inside it,
  // in order, as their own messages arrive.
  std::function<void()> call;
  {
    std::lock_guard lock(queueMutex_);
    if (queue_.empty()) return;
    call = std::move(queue_.front());
    queue_.pop_front();
  }
  call();
}

void COrvikDlg::UiSetText(int id, const std::string& text) {
  HWND control = Control(id);
  if (!control || ImageButton(id)) return;
  SetWindowTextW(control, platform::Utf8ToWide(text).c_str());
}

void COrvikDlg::UiShow(int id, bool show) {
  if (HWND control = Control(id)) ShowWindow(control, show ? SW_SHOWNA : SW_HIDE);
}

void COrvikDlg::UiSetChecked(int id, bool checked) {
  if (CImageButton* button = ImageButton(id)) {
    button->SetChecked(checked);
  } else if (HWND box = Control(id)) {
    SendMessageW(box, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
  }
}

void COrvikDlg::UiEnable(int id, bool enable) {
  // An image button keeps taking clicks when disabled; it only shows its disabled face
  // and the logic ignores its command.
  if (CImageButton* button = ImageButton(id)) {
    button->SetDisabled(!enable);
  } else if (HWND control = Control(id)) {
    EnableWindow(control, enable);
  }
}

void COrvikDlg::UiInvalidate(const Rect& area) {
  const RECT dirty =
      ScaledRect(area.left, area.top, area.right - area.left, area.bottom - area.top);
  InvalidateRect(hwnd_, &dirty, TRUE);
  RECT picture, overlap;
  if (statusPicture_ && GetWindowRect(statusPicture_, &picture)) {
    MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&picture), 2);
    if (IntersectRect(&overlap, &dirty, &picture)) UpdateStatusPicture();
  }
}

void COrvikDlg::UiSetProgress(int id, int pos) {
  if (HWND bar = Control(id)) SendMessageW(bar, PBM_SETPOS, static_cast<WPARAM>(pos), 0);
}

void COrvikDlg::UiSetListItems(int id, const std::vector<std::string>& items, int selected) {
  HWND combo = Control(id);
  if (!combo) return;
  // A sorted list: the control orders the entries. Filling it sends no selection change.
  SendMessageW(combo, CB_RESETCONTENT, 0, 0);
  for (const auto& item : items) {
    const std::wstring text = platform::Utf8ToWide(item);
    SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
  }
  LRESULT index = CB_ERR;
  if (selected >= 0 && selected < static_cast<int>(items.size())) {
    const std::wstring chosen = platform::Utf8ToWide(items[static_cast<std::size_t>(selected)]);
    index = SendMessageW(combo, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                         reinterpret_cast<LPARAM>(chosen.c_str()));
  }
  SendMessageW(combo, CB_SETCURSEL, index == CB_ERR ? static_cast<WPARAM>(-1) : index, 0);
}

void COrvikDlg::UiSetBannerPictures(const std::vector<std::filesystem::path>& files) {
  if (!banner_) return;
  banner_->SetImages(files);
  // The pictures are stretched over the banner's strip whatever their own size.
  banner_->SetBannerRect(0, 0, Scaled(kClientWidth), Scaled(kBannerHeight));
}

void COrvikDlg::UiAddBannerPicture(const std::filesystem::path& file) {
  if (banner_) banner_->AddImage(file);
}

void COrvikDlg::UiShowAboutBox() {
  DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_ABOUTBOX), BoxParent(), AboutProc,
                  0);
}

void COrvikDlg::UiOpenProgressDialog() { progress_->Create(hwnd_); }

void COrvikDlg::UiSetProgressDialog(const std::string& status, int percent) {
  progress_->ShowProgress(status, percent);
}

void COrvikDlg::UiCloseProgressDialog() { progress_->DestroyWindow(); }

void COrvikDlg::UiStartTimer(int timerId, int periodMs) {
  // Setting a running timer again restarts it with the new period.
  if (hwnd_) SetTimer(hwnd_, static_cast<UINT_PTR>(timerId), periodMs, nullptr);
}

void COrvikDlg::UiStopTimer(int timerId) {
  if (hwnd_) KillTimer(hwnd_, static_cast<UINT_PTR>(timerId));
}

void COrvikDlg::UiDeliverMessage(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) {
  Forward([&](WindowEvents& logic) { logic.OnWindowMessage(message, wParam, lParam); });
}

bool COrvikDlg::UiAskYesNo(const std::string& text) {
  return MessageBoxW(BoxParent(), platform::Utf8ToWide(text).c_str(), kBoxTitle,
                     MB_YESNO | MB_ICONQUESTION) == IDYES;
}

void COrvikDlg::UiShowMessage(const std::string& text, MessageIcon icon) {
  MessageBoxW(BoxParent(), platform::Utf8ToWide(text).c_str(), kBoxTitle, MB_OK | IconStyle(icon));
}

bool COrvikDlg::UiOpenAddress(const std::string& address) {
  return platform::OpenWithDefaultHandler(address);
}

}  // namespace orvik::ui::win
