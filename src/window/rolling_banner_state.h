// The picture carousel's timing and layout apart from any toolkit: which picture is held,
// when the slide starts and ends, how far it has moved, and where each picture is drawn.
// The widget owns the decoded pictures; this model only needs how many loaded.
#pragma once

#include <optional>
#include <vector>

#include "core/window_port.h"

namespace orvik {

class RollingBannerState {
 public:
  static constexpr int kTimerId = 91;
  static constexpr int kSteps = 50;
  static constexpr int kHoldTime = 1000;

  // One picture to draw: stretched over the banner's size with its left edge at x, top 0.
  struct Placement {
    int picture = 0;
    int x = 0;
    friend bool operator==(const Placement&, const Placement&) = default;
  };

  void SetBannerRect(int x, int y, int width, int height);
  const Rect& BannerRect() const { return bannerRect; }
  int Width() const { return bannerRect.right - bannerRect.left; }
  int Height() const { return bannerRect.bottom - bannerRect.top; }

  // The widget (re)starts its timer kTimerId with Period(); the current picture is held anew.
  void SetInterval(int milliseconds);
  int Period() const { return period_; }

  // The picture list was replaced: loadedCount pictures loaded, the first one of the given
  // size. The cycle starts over from the first picture.
  void SetImages(int loadedCount, int firstWidth, int firstHeight);
  // One more picture loaded and was appended; it takes its turn when the cycle reaches it.
  void AddImage() { ++count_; }
  int Count() const { return count_; }

  // One tick of the banner's timer. Returns true when the banner must be repainted.
  bool Tick();
  // A left click: the index of the picture shown, or nothing while a slide runs.
  std::optional<int> Click() const;

  // Eased slide distance for a banner `width` wide, truncated towards zero.
  int Offset(int width) const;
  // What to draw, in drawing order, on a banner Width() wide.
  std::vector<Placement> PaintPlan() const;

  int Current() const { return current_; }
  int Next() const { return next_; }
  int Step() const { return step_; }
  int Elapsed() const { return elapsed_; }
  bool IsSliding() const { return sliding; }

 private:
  int count_ = 0;
  int current_ = 0;
  int next_ = 1;
  int step_ = 0;
  Rect bannerRect;
  int holdTime = kHoldTime;
  int elapsed_ = 0;
  bool sliding = false;
  int period_ = 0;
};

}  // namespace orvik
