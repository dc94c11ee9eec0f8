// The small modeless progress window (template 103) for Win32: status line, bar with
// percent label, cancel button. It disables its owner while open and gives it back when it
// closes; the bookkeeping is ProgressState's.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "window/progress_state.h"

namespace orvik::ui::win {

class CProgressDlg {
 public:
  CProgressDlg() = default;
  ~CProgressDlg() { DestroyWindow(); }
  CProgressDlg(const CProgressDlg&) = delete;
  CProgressDlg& operator=(const CProgressDlg&) = delete;

  // Opens the dialog over `parent`'s top-level window, disabling that window when it was
  // enabled. Returns false when it is already open or cannot be created.
  bool Create(HWND parent);
  // Closes the dialog and enables the owner again when this dialog disabled it.
  void DestroyWindow();
  HWND Hwnd() const { return hwnd_; }
  // The dialog's keys for a message loop: Escape cancels, Tab moves; true when `msg` was
  // this dialog's and is done with.
  bool HandleKeys(MSG& msg);

  void SetStatus(const std::string& text);
  // Status line and bar (`percent` of the range) for work that runs off the UI thread:
  // unlike SetPos it pumps no messages. Nothing while the dialog is closed.
  void ShowProgress(const std::string& status, int percent);
  // Called after the operator's cancel has closed the dialog (not when the owner closes it).
  void SetOnCancel(std::function<void()> onCancel) { onCancel_ = std::move(onCancel); }
  void SetRange(int lower, int upper);
  int SetPos(int pos);
  bool CheckCancelButton();

 private:
  static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  int Apply(const ProgressState::Update& update);
  void PumpMessages();

  HWND hwnd_ = nullptr;
  HWND owner_ = nullptr;
  ProgressState state_;
  std::function<void()> onCancel_;
};

}  // namespace orvik::ui::win
