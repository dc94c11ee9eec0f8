#include "window/rolling_banner_state.h"

#include <algorithm>

namespace orvik {

void RollingBannerState::SetBannerRect(int x, int y, int width, int height) {
  bannerRect = Rect{x, y, x + width, y + height};
}

void RollingBannerState::SetInterval(int milliseconds) {
  // A zero period would never let the hold time pass and would spin the timer.
  period_ = std::max(milliseconds, 1);
  // A slide cut short would otherwise stay half-way on screen for the whole hold.
  step_ = 0;
  elapsed_ = 0;
  sliding = false;
}

void RollingBannerState::SetImages(int loadedCount, int firstWidth, int firstHeight) {
  count_ = std::max(loadedCount, 0);
  // Indices into the old list mean nothing in the new one.
  current_ = 0;
  next_ = 1;
  step_ = 0;
  elapsed_ = 0;
  sliding = false;
  if (count_ > 0) {
    bannerRect.right = firstWidth;
    bannerRect.bottom = firstHeight;
  }
}

bool RollingBannerState::Tick() {
  if (count_ < 2) return false;
  if (sliding) {
    if (++step_ >= kSteps) {
      current_ = next_;
      next_ = next_ + 1 >= count_ ? 0 : next_ + 1;
      step_ = 0;
      sliding = false;
      elapsed_ = 0;
    }
    return true;
  }
  if (elapsed_ >= holdTime) {
    step_ = 0;
    elapsed_ = 0;
    sliding = true;
  } else {
    elapsed_ += period_;
  }
  return false;
}

std::optional<int> RollingBannerState::Click() const {
  if (sliding) return std::nullopt;
  return current_;
}

int RollingBannerState::Offset(int width) const {
  const double t = static_cast<double>(step_) / kSteps;
  double eased;
  if (t < 0.5) {
    eased = 2 * t * t;
  } else if (t <= 1) {
    eased = 1 - 2 * (1 - t) * (1 - t);
  } else {
    eased = 1;
  }
  return static_cast<int>(eased * width);
}

std::vector<RollingBannerState::Placement> RollingBannerState::PaintPlan() const {
  std::vector<Placement> plan;
  if (count_ == 0) return plan;
  const int width = Width();
  const int offset = Offset(width);
  if (-offset < width && current_ < count_) plan.push_back({current_, -offset});
  if (width - offset < width && next_ < count_) plan.push_back({next_, width - offset});
  return plan;
}

}  // namespace orvik
