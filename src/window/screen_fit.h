// Fitting the skin's 96-dpi pixel layout onto a monitor: scaling to the monitor's dpi, and
// keeping a window that would not fit (1366 x 768 at 150%) whole and with its title bar on
// the work area. Plain arithmetic, so the front ends share it and tests run without a screen.
#pragma once

#include "core/window_port.h"

namespace orvik {

struct Size {
  int width = 0, height = 0;
  friend bool operator==(const Size&, const Size&) = default;
};

// `pixels` laid out at 96 dpi, at `dpi`; halves round away from zero as the system's MulDiv.
int ScaleToDpi(int pixels, int dpi);
Rect ScaleToDpi(const Rect& area, int dpi);

// The dpi to lay the window out at: `dpi`, or less when the client area of `client96` pixels
// (at 96 dpi) plus a frame of `frame` pixels would not fit `work`. Never below half of 96,
// where the skin's texts stop being legible; a smaller work area gets the clamped position.
int FittingDpi(int dpi, Size client96, Size frame, const Rect& work);

// Where a window of `size` opens: centred on `work`, then moved so that it lies inside;
// when it is larger than `work` its top left corner (the title bar and the close box's row)
// stays on the work area and the rest runs off to the right and the bottom.
Rect PlaceInWorkArea(Size size, const Rect& work);
// `window` moved, not resized, by the same rule: inside `work`, its top left corner first.
Rect MoveIntoWorkArea(const Rect& window, const Rect& work);

}  // namespace orvik
