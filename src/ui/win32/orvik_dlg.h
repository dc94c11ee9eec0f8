// The launcher's main window on Windows: dialog template 102 with the skin's image buttons,
// the rolling banner and the panel pictures. It creates, draws and forwards every user
// action to the window logic; what the logic and the workers ask through the window port the
// bridge carries onto the UI thread (calls from workers arrive as posted messages).
#pragma once

#include <windows.h>

#include <atomic>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "ui/win32/skin_image.h"
#include "window/thread_bridge.h"
#include "window/window_events.h"

namespace orvik::ui::win {

class CImageButton;
class CProgressDlg;
class CRollingBanner;

class COrvikDlg : public ThreadBridge {
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
  static constexpr int kTemplateFontPoints = 10;  // the main template's FONT

  COrvikDlg();
  ~COrvikDlg() override;

  void AttachLogic(WindowEvents* logic) { logic_ = logic; }
  // Runs the window modally until it closes.
  INT_PTR DoModal();
  HWND Hwnd() const { return hwnd_; }
  // From any thread: closes the window the normal way (console events, session end).
  void RequestClose();

 protected:
  // ThreadBridge: the UI thread is the one running DoModal.
  ORVIK_THREAD_BRIDGE_FRONT_END

 private:
  static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
  void OnInitDialog();
  void OnCommand(int id, int code, HWND from);
  void OnPaint();
  // The client area as the skin paints it, beneath the controls.
  void PaintBackground(HDC dc);
  // WM_CTLCOLORSTATIC: labels and check boxes show the painted background through.
  INT_PTR OnCtlColorStatic(HDC dc, HWND control);
  void OnDpiChanged(int dpi, const RECT& suggested);
  // Fonts, template controls, image buttons, banner and status picture at dpi_.
  void ScaleContents();
  // The frame around a client area at `dpi`.
  SIZE FrameSize(int dpi) const;
  void Close();
  void CloseAsked();
  void ShowContextMenu(LPARAM at);
  void StartClosing();
  void Forward(const std::function<void(WindowEvents&)>& call);

  // Controls of the template and the skin (controls.cpp).
  void LayOutTemplateControls();
  void PlaceTemplateControls();
  void ReplaceFonts();
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

  void RunQueued();

  WindowEvents* logic_ = nullptr;
  HWND hwnd_ = nullptr;
  std::atomic<HWND> window_{nullptr};  // hwnd_ for other threads
  DWORD uiThread_ = 0;
  int dpi_ = 96;
  bool closed_ = false;
  bool ended_ = false;  // ends DoModal's message loop
  GdiplusSession gdiplus_;
  HICON m_icon = nullptr;
  LOGFONTW templateFont_{};     // the template's font as the system made it
  HFONT dialogFont_ = nullptr;  // that font at dpi_
  HFONT countFont_ = nullptr;   // the song counts' larger figures
  // The template controls' rectangles in template units, to lay them out again at a new dpi.
  std::map<HWND, RECT> templateUnits_;
  // The painted background as a pattern brush for the labels; made on first use.
  HBRUSH backgroundBrush_ = nullptr;
  HBITMAP backgroundBitmap_ = nullptr;

  std::map<int, HWND> controls_;
  std::map<int, std::unique_ptr<CImageButton>> imageButtons_;
  std::unique_ptr<CRollingBanner> banner_;
  std::unique_ptr<CProgressDlg> progress_;
  HWND programCaption_ = nullptr;
  HWND statusPicture_ = nullptr;
  std::map<int, SkinImage> panels_;

  std::mutex queueMutex_;
  std::deque<std::function<void()>> queue_;
};

}  // namespace orvik::ui::win
