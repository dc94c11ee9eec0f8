// Dialog-template units to pixels, with one factor pair per template.
#pragma once

#include <QRect>
#include <cmath>

namespace orvik::ui {

struct DialogUnits {
  double x = 1;
  double y = 1;

  // Rounds the edges, not the sizes, so that neighbouring controls keep touching.
  QRect ToPixels(double left, double top, double width, double height) const {
    const int l = static_cast<int>(std::lround(left * x));
    const int t = static_cast<int>(std::lround(top * y));
    const int r = static_cast<int>(std::lround((left + width) * x));
    const int b = static_cast<int>(std::lround((top + height) * y));
    return QRect(l, t, r - l, b - t);
  }
};

}  // namespace orvik::ui
