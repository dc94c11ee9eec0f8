// The window port of the Win32 main window. Workers call it from their own threads: every
// call that changes the window is queued onto the UI thread (in call order) and announced
// by a posted message; questions wait for their answer; state reads come from a mirror that
// is updated when a change is asked for, so a worker reads back what it has just set.
#include <windows.h>
// windows.h first: the system headers below need it.
#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>
#include <optional>

#include "core/last_update.h"
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
#include "core/user_texts.h"

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

void COrvikDlg::Queue(std::function<void()> call) {
  {
    std::lock_guard lock(queueMutex_);
    queue_.push_back(std::move(call));
  }
  // A window already gone drops the call, as a destroyed window drops its messages.
  if (HWND window = window_.load()) PostMessageW(window, kWmRunQueued, 0, 0);
}

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

void COrvikDlg::RunOnUi(std::function<void()> call) {
  if (GetCurrentThreadId() == uiThread_) {
    call();
    return;
  }
  Queue(std::move(call));
}

template <typename T>
T COrvikDlg::WaitOnUi(std::function<T()> call, T whenClosing) {
  if (GetCurrentThreadId() == uiThread_) return closing_ ? whenClosing : call();
  // Not a sent message: the UI thread may be joining this worker while it closes, and then
  // only the closing flag can release the wait.
  auto result = std::make_shared<std::optional<T>>();
  Queue([this, call = std::move(call), result, whenClosing] {
    T value = closing_ ? whenClosing : call();
    {
      std::lock_guard lock(mutex_);
      *result = value;
    }
    answered_.notify_all();
  });
  std::unique_lock lock(mutex_);
  answered_.wait(lock, [&] { return result->has_value() || closing_; });
  return result->value_or(whenClosing);
}

void COrvikDlg::SetControlText(int id, const std::string& text) {
  RunOnUi([this, id, text = platform::Utf8ToWide(text)] {
    HWND control = Control(id);
    if (!control || ImageButton(id)) return;
    SetWindowTextW(control, text.c_str());
  });
}

void COrvikDlg::ShowControl(int id, bool show) {
  MirrorUpdate(id, [show](ControlMirror& m) { m.visible = show; });
  RunOnUi([this, id, show] {
    if (HWND control = Control(id)) ShowWindow(control, show ? SW_SHOWNA : SW_HIDE);
  });
}

void COrvikDlg::SetControlChecked(int id, bool checked) {
  MirrorUpdate(id, [checked](ControlMirror& m) { m.checked = checked; });
  RunOnUi([this, id, checked] {
    if (CImageButton* button = ImageButton(id)) {
      button->SetChecked(checked);
    } else if (HWND box = Control(id)) {
      SendMessageW(box, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
    }
  });
}

bool COrvikDlg::IsControlChecked(int id) {
  std::lock_guard lock(mutex_);
  const auto it = mirror_.find(id);
  return it != mirror_.end() && it->second.checked;
}

bool COrvikDlg::IsControlVisible(int id) {
  std::lock_guard lock(mutex_);
  const auto it = mirror_.find(id);
  return it != mirror_.end() && it->second.visible;
}

void COrvikDlg::EnableControl(int id, bool enable) {
  MirrorUpdate(id, [enable](ControlMirror& m) { m.enabled = enable; });
  RunOnUi([this, id, enable] {
    // An image button keeps taking clicks when disabled; it only shows its disabled face
    // and the logic ignores its command.
    if (CImageButton* button = ImageButton(id)) {
      button->SetDisabled(!enable);
    } else if (HWND control = Control(id)) {
      EnableWindow(control, enable);
    }
  });
}

bool COrvikDlg::IsControlEnabled(int id) {
  std::lock_guard lock(mutex_);
  const auto it = mirror_.find(id);
  return it != mirror_.end() && it->second.enabled;
}

void COrvikDlg::RedrawControl(int id) {
  RunOnUi([this, id] {
    if (HWND control = Control(id)) InvalidateRect(control, nullptr, TRUE);
  });
}

void COrvikDlg::InvalidateArea(const Rect& area) {
  RunOnUi([this, area] {
    const RECT dirty =
        ScaledRect(area.left, area.top, area.right - area.left, area.bottom - area.top);
    InvalidateRect(hwnd_, &dirty, TRUE);
    RECT picture, overlap;
    if (statusPicture_ && GetWindowRect(statusPicture_, &picture)) {
      MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&picture), 2);
      if (IntersectRect(&overlap, &dirty, &picture)) UpdateStatusPicture();
    }
  });
}

void COrvikDlg::SetProgressPos(int id, int pos) {
  RunOnUi([this, id, pos] {
    if (HWND bar = Control(id)) SendMessageW(bar, PBM_SETPOS, static_cast<WPARAM>(pos), 0);
  });
}

void COrvikDlg::SetListItems(int id, const std::vector<std::string>& items, int selected) {
  std::vector<std::wstring> texts;
  for (const auto& item : items) texts.push_back(platform::Utf8ToWide(item));
  std::wstring chosen;
  const bool hasChoice = selected >= 0 && selected < static_cast<int>(texts.size());
  if (hasChoice) chosen = texts[static_cast<std::size_t>(selected)];
  RunOnUi([this, id, texts = std::move(texts), chosen, hasChoice] {
    HWND combo = Control(id);
    if (!combo) return;
    // A sorted list: the control orders the entries. Filling it sends no selection change.
    SendMessageW(combo, CB_RESETCONTENT, 0, 0);
    for (const auto& text : texts)
      SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    const LRESULT index = hasChoice
                              ? SendMessageW(combo, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                             reinterpret_cast<LPARAM>(chosen.c_str()))
                              : CB_ERR;
    SendMessageW(combo, CB_SETCURSEL, index == CB_ERR ? static_cast<WPARAM>(-1) : index, 0);
  });
}

void COrvikDlg::SetBannerPictures(const std::vector<std::filesystem::path>& files) {
  RunOnUi([this, files] {
    if (!banner_) return;
    banner_->SetImages(files);
    // The pictures are stretched over the banner's strip whatever their own size.
    banner_->SetBannerRect(0, 0, Scaled(kClientWidth), Scaled(kBannerHeight));
  });
}

void COrvikDlg::AddBannerPicture(const std::filesystem::path& file) {
  RunOnUi([this, file] {
    if (banner_) banner_->AddImage(file);
  });
}

void COrvikDlg::ShowAboutBox() {
  RunOnUi([this] {
    DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_ABOUTBOX), BoxParent(),
                    AboutProc, 0);
  });
}

void COrvikDlg::OpenProgressDialog() {
  RunOnUi([this] { progress_->Create(hwnd_); });
}

void COrvikDlg::StartTimer(int timerId, int periodMs) {
  RunOnUi([this, timerId, periodMs] {
    // Setting a running timer again restarts it with the new period.
    if (!closing_ && hwnd_) SetTimer(hwnd_, static_cast<UINT_PTR>(timerId), periodMs, nullptr);
  });
}

void COrvikDlg::StopTimer(int timerId) {
  RunOnUi([this, timerId] {
    if (hwnd_) KillTimer(hwnd_, static_cast<UINT_PTR>(timerId));
  });
}

void COrvikDlg::PostWindowMessage(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) {
  // Always queued, also from the UI thread: the sender goes on before the message is handled.
  Queue([this, message, wParam, lParam] {
    Forward([&](WindowEvents& logic) { logic.OnWindowMessage(message, wParam, lParam); });
  });
}

bool COrvikDlg::AskYesNo(const std::string& text) {
  const std::wstring question = platform::Utf8ToWide(text);
  return WaitOnUi<bool>(
      [this, question] {
        return MessageBoxW(BoxParent(), question.c_str(), kBoxTitle, MB_YESNO | MB_ICONQUESTION) ==
               IDYES;
      },
      false);
}

void COrvikDlg::ShowMessage(const std::string& text, MessageIcon icon) {
  // Modal for the caller too: a worker goes on once the operator has read the message.
  const std::wstring notice = platform::Utf8ToWide(text);
  WaitOnUi<bool>(
      [this, notice, icon] {
        MessageBoxW(BoxParent(), notice.c_str(), kBoxTitle, MB_OK | IconStyle(icon));
        return true;
      },
      false);
}

bool COrvikDlg::OpenAddress(const std::string& address) {
  return WaitOnUi<bool>([address] { return platform::OpenWithDefaultHandler(address); }, false);
}

}  // namespace orvik::ui::win
