#include <windows.h>
// windows.h first: the system headers below need it.
#include "ui/win32/progress_dlg.h"

#include <commctrl.h>

#include "platform/wide_text.h"
#include "ui/win32/resource.h"

namespace orvik::ui::win {

bool CProgressDlg::Create(HWND parent) {
  if (hwnd_) return false;
  owner_ = parent ? GetAncestor(parent, GA_ROOT) : nullptr;
  if (state_.Create(owner_ != nullptr, owner_ && IsWindowEnabled(owner_)))
    EnableWindow(owner_, FALSE);
  hwnd_ = CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_PROGRESS), owner_,
                             DialogProc, reinterpret_cast<LPARAM>(this));
  if (!hwnd_) {
    if (state_.Destroy() && owner_) EnableWindow(owner_, TRUE);
    owner_ = nullptr;
    return false;
  }
  ShowWindow(hwnd_, SW_SHOW);
  SetForegroundWindow(hwnd_);
  return true;
}

void CProgressDlg::DestroyWindow() {
  // The owner first: enabling it after the dialog is gone would let another program take
  // the activation.
  if (state_.Destroy() && owner_) EnableWindow(owner_, TRUE);
  owner_ = nullptr;
  if (hwnd_) {
    HWND hwnd = hwnd_;
    hwnd_ = nullptr;
    ::DestroyWindow(hwnd);
  }
}

void CProgressDlg::SetStatus(const std::string& text) {
  if (hwnd_) SetDlgItemTextW(hwnd_, IDC_PROGRESS_STATUS, platform::Utf8ToWide(text).c_str());
}

void CProgressDlg::SetRange(int lower, int upper) {
  state_.SetRange(lower, upper);
  if (hwnd_)
    SendDlgItemMessageW(hwnd_, IDC_PROGRESS_BAR, PBM_SETRANGE32, state_.Lower(), state_.Upper());
}

void CProgressDlg::ShowProgress(const std::string& status, int percent) {
  if (!hwnd_) return;
  SetStatus(status);
  Apply(state_.SetPos(state_.Lower() + (state_.Upper() - state_.Lower()) * percent / 100));
}

int CProgressDlg::Apply(const ProgressState::Update& update) {
  if (hwnd_) {
    SendDlgItemMessageW(hwnd_, IDC_PROGRESS_BAR, PBM_SETPOS, state_.Pos(), 0);
    if (update.label)
      SetDlgItemTextW(hwnd_, IDC_PROGRESS_PERCENT, platform::Utf8ToWide(*update.label).c_str());
  }
  return update.previous;
}

int CProgressDlg::SetPos(int pos) {
  PumpMessages();
  return Apply(state_.SetPos(pos));
}

bool CProgressDlg::CheckCancelButton() {
  PumpMessages();
  return state_.CheckCancelButton();
}

void CProgressDlg::PumpMessages() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (HandleKeys(msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

bool CProgressDlg::HandleKeys(MSG& msg) {
  // It may have closed itself in the previous message.
  if (!hwnd_ || (msg.hwnd != hwnd_ && !IsChild(hwnd_, msg.hwnd))) return false;
  // Enter would press the default button, cancel: a Return held or repeated for the question
  // that opened this dialog must not end the work it started. Enter has no effect here, as in
  // the other front end.
  if ((msg.message == WM_KEYDOWN || msg.message == WM_CHAR) &&
      msg.wParam == VK_RETURN)  // '\r' for WM_CHAR
    return true;
  return IsDialogMessageW(hwnd_, &msg) != FALSE;
}

INT_PTR CALLBACK CProgressDlg::DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    auto* self = reinterpret_cast<CProgressDlg*>(lParam);
    SetWindowLongPtrW(hwnd, DWLP_USER, lParam);
    SendDlgItemMessageW(hwnd, IDC_PROGRESS_BAR, PBM_SETRANGE32, self->state_.Lower(),
                        self->state_.Upper());
    SendDlgItemMessageW(hwnd, IDC_PROGRESS_BAR, PBM_SETSTEP, self->state_.StepSize(), 0);
    SendDlgItemMessageW(hwnd, IDC_PROGRESS_BAR, PBM_SETPOS, self->state_.Pos(), 0);
    SetDlgItemTextW(hwnd, IDC_PROGRESS_PERCENT, platform::Utf8ToWide(self->state_.Label()).c_str());
    return TRUE;
  }
  auto* self = reinterpret_cast<CProgressDlg*>(GetWindowLongPtrW(hwnd, DWLP_USER));
  if (!self) return FALSE;
  if (message == WM_COMMAND && LOWORD(wParam) == IDCANCEL) {
    // Cancel, Escape and the close box. The owner has no other way to close this dialog,
    // so cancel also closes it.
    self->state_.PressCancel();
    self->DestroyWindow();
    if (self->onCancel_) self->onCancel_();
    return TRUE;
  }
  if (message == WM_COMMAND && LOWORD(wParam) == IDOK) return TRUE;  // Enter has no effect
  return FALSE;
}

}  // namespace orvik::ui::win
