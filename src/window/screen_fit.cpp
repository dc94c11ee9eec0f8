#include "window/screen_fit.h"

#include <algorithm>
#include <cstdint>

namespace orvik {

namespace {
constexpr int kBaseDpi = 96;
constexpr int kSmallestDpi = kBaseDpi / 2;

// A dpi at which `pixels96` scaled may still fit `room`: the exact quotient, plus one for the
// rounding of the scaled side, which may make it a pixel smaller than the exact product.
int DpiWithin(int pixels96, int room) {
  if (pixels96 <= 0) return kBaseDpi * 64;
  return static_cast<int>(static_cast<std::int64_t>(std::max(room, 0)) * kBaseDpi / pixels96) + 1;
}
}  // namespace

int ScaleToDpi(int pixels, int dpi) {
  const std::int64_t product = static_cast<std::int64_t>(pixels) * dpi;
  const std::int64_t half = kBaseDpi / 2;
  return static_cast<int>(product >= 0 ? (product + half) / kBaseDpi
                                       : -((-product + half) / kBaseDpi));
}

Rect ScaleToDpi(const Rect& area, int dpi) {
  return Rect{ScaleToDpi(area.left, dpi), ScaleToDpi(area.top, dpi), ScaleToDpi(area.right, dpi),
              ScaleToDpi(area.bottom, dpi)};
}

int FittingDpi(int dpi, Size client96, Size frame, const Rect& work) {
  if (dpi <= 0) dpi = kBaseDpi;
  int fitting = std::min({dpi, DpiWithin(client96.width, work.right - work.left - frame.width),
                          DpiWithin(client96.height, work.bottom - work.top - frame.height)});
  // Step down to the first dpi at which both sides fit.
  while (fitting > kSmallestDpi &&
         (ScaleToDpi(client96.width, fitting) + frame.width > work.right - work.left ||
          ScaleToDpi(client96.height, fitting) + frame.height > work.bottom - work.top))
    --fitting;
  return std::clamp(fitting, std::min(dpi, kSmallestDpi), dpi);
}

Rect PlaceInWorkArea(Size size, const Rect& work) {
  const int left = work.left + (work.right - work.left - size.width) / 2;
  const int top = work.top + (work.bottom - work.top - size.height) / 2;
  return MoveIntoWorkArea(Rect{left, top, left + size.width, top + size.height}, work);
}

Rect MoveIntoWorkArea(const Rect& window, const Rect& work) {
  const int width = window.right - window.left, height = window.bottom - window.top;
  const int left = std::max(std::min(window.left, work.right - width), work.left);
  const int top = std::max(std::min(window.top, work.bottom - height), work.top);
  return Rect{left, top, left + width, top + height};
}

}  // namespace orvik
