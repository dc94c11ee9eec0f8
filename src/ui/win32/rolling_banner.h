// The picture carousel across the top of the Win32 window: a child window with the banner's
// own timer. Timing and layout come from RollingBannerState; each picture is scaled to the
// banner's size once, so a tick only copies pixels.
#pragma once

#include <windows.h>

#include <filesystem>
#include <functional>
#include <vector>

#include "ui/win32/skin_image.h"
#include "window/rolling_banner_state.h"

namespace orvik::ui::win {

class CRollingBanner {
 public:
  // The timer never ticks faster than this; the hold and slide durations the operators know
  // follow from it, not from the 4 ms asked for.
  static constexpr int kMinTickMs = 10;

  CRollingBanner() = default;
  ~CRollingBanner();
  CRollingBanner(const CRollingBanner&) = delete;
  CRollingBanner& operator=(const CRollingBanner&) = delete;

  bool Create(HWND parent);
  HWND Hwnd() const { return hwnd_; }

  void SetBannerRect(int x, int y, int width, int height);
  void SetInterval(int milliseconds);
  // Replaces the pictures; those that cannot be read are left out.
  void SetImages(const std::vector<std::filesystem::path>& files);
  // Appends one picture when it can be read; a failure is silent.
  void AddImage(const std::filesystem::path& file);

  // A click on a held picture, with its index.
  std::function<void(int index)> onClicked;

 private:
  static LRESULT CALLBACK WndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  void Paint();
  HBITMAP Scaled(const SkinImage& image) const;
  void RescaleAll();
  void ClearScaled();

  HWND hwnd_ = nullptr;
  RollingBannerState state_;
  std::vector<SkinImage> images_;
  std::vector<HBITMAP> scaled_;  // each picture at the banner's size
};

}  // namespace orvik::ui::win
