// The launcher's main window on Windows: dialog template 102 with the skin's image buttons,
// the rolling banner and the panel pictures. It creates, draws and forwards every user
// action to the window logic; what the logic and the workers ask through the window port is
// carried out on the UI thread (calls from workers arrive as posted messages).
#pragma once

#include <windows.h>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "core/window_port.h"
#include "ui/win32/skin_image.h"
#include "window/window_events.h"

namespace orvik::ui::win {

class CImageButton;
class CProgressDlg;
class CRollingBanner;

class COrvikDlg : public WindowPort {
 public:
  // The window's class name, so a second launcher can find the first one's window.
  static constexpr wchar_t kClassName[] = L"OrvikLauncherDialog";
  // The template's 355 x 350 units span exactly the skin's 690 x 532 pixel layout.
  static constexpr double kUnitX = 690.0 / 355.0;
  static constexpr double kUnitY = 532.0 / 350.0;
  static constexpr int kClientWidth = 700;
  static constexpr int kClientHeight = 560;
  static constexpr int kBannerHeight = 320;
  static constexpr int kBannerPeriodMs = 4;

  COrvikDlg();
  ~COrvikDlg() override;

  void AttachLogic(WindowEvents* logic) { logic_ = logic; }
  // Runs the window modally until it closes.
  INT_PTR DoModal();
  HWND Hwnd() const { return hwnd_; }
  // From any thread: closes the window the normal way (console events, session end).
  void RequestClose();

  // WindowPort. Safe from any thread.
  void SetControlText(int id, const std::string& text) override;
  void ShowControl(int id, bool show) override;
  void SetControlChecked(int id, bool checked) override;
  bool IsControlChecked(int id) override;
  bool IsControlVisible(int id) override;
  void EnableControl(int id, bool enable) override;
  bool IsControlEnabled(int id) override;
  void RedrawControl(int id) override;
  void InvalidateArea(const Rect& area) override;
  void SetProgressPos(int id, int pos) override;
  void SetListItems(int id, const std::vector<std::string>& items, int selected) override;
  void SetBannerPictures(const std::vector<std::filesystem::path>& files) override;
  void AddBannerPicture(const std::filesystem::path& file) override;
  void ShowAboutBox() override;
  void OpenProgressDialog() override;
  void StartTimer(int timerId, int periodMs) override;
  void StopTimer(int timerId) override;
  void PostWindowMessage(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) override;
  bool AskYesNo(const std::string& text) override;
  void ShowMessage(const std::string& text, MessageIcon icon) override;
  bool OpenAddress(const std::string& address) override;

 private:
  struct ControlMirror {
    bool checked = false;
    bool visible = true;
    bool enabled = true;
  };

  static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
  void OnInitDialog();
  void OnCommand(int id, int code, HWND from);
  void OnPaint();
  void Close();
  void CloseAsked();
  void ShowContextMenu(LPARAM at);
  void BeginClosing();
  void Forward(const std::function<void(WindowEvents&)>& call);

  // Controls of the template and the skin (controls.cpp).
  void LayOutTemplateControls();
  void CreateImageButtons();
  void CreateBanner();
  void CreateStatusPicture();
  void UpdateStatusPicture();
  static LRESULT CALLBACK StatusPictureProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  int Scaled(int pixels) const { return MulDiv(pixels, dpi_, 96); }
  RECT ScaledRect(int x, int y, int width, int height) const;

  HWND Control(int id) const;
  CImageButton* ImageButton(int id) const;
  HWND BoxParent() const;

  // Runs `call` now on the UI thread, or queues it there from any other thread.
  void RunOnUi(std::function<void()> call);
  void Queue(std::function<void()> call);
  void RunQueued();
  template <typename T>
  T WaitOnUi(std::function<T()> call, T whenClosing);
  void MirrorUpdate(int id, const std::function<void(ControlMirror&)>& change);

  WindowEvents* logic_ = nullptr;
  HWND hwnd_ = nullptr;
  std::atomic<HWND> window_{nullptr};  // hwnd_ for other threads
  DWORD uiThread_ = 0;
  int dpi_ = 96;
  bool closed_ = false;
  GdiplusSession gdiplus_;
  HICON m_icon = nullptr;
  std::vector<HFONT> m_fonts;  // created by the window, deleted with it

  std::map<int, HWND> controls_;
  std::map<int, std::unique_ptr<CImageButton>> imageButtons_;
  std::unique_ptr<CRollingBanner> banner_;
  std::unique_ptr<CProgressDlg> progress_;
  HWND programCaption_ = nullptr;
  HWND statusPicture_ = nullptr;
  std::map<int, SkinImage> panels_;

  std::mutex queueMutex_;
  std::deque<std::function<void()>> queue_;

  mutable std::mutex mutex_;  // guards mirror_ and the closing hand-shake
  std::condition_variable answered_;
  std::map<int, ControlMirror> mirror_;
  std::atomic<bool> closing_{false};
};

}  // namespace orvik::ui::win
