// The skin's picture buttons: where each sits and which pictures are its faces. Both front
// ends draw from this one table.
#pragma once

#include "window/control_ids.h"

namespace orvik {

struct SkinButton {
  int id;
  int x, y, width, height;     // pixels, the picture's rectangle
  int normal, down, disabled;  // 0: no disabled face
  bool radio;
  bool shown;
};

// In creation order, which is also the stacking order.
inline constexpr SkinButton kSkinButtons[] = {
    {ctl::kServiceTunovaHL, 20, 386, 122, 28, 138, 137, 154, true, false},
    {ctl::kServiceTunovaUSB, 152, 386, 122, 28, 146, 145, 156, true, false},
    {ctl::kServiceTunova, 284, 386, 122, 28, 136, 135, 153, true, false},
    {ctl::kServiceTunovaNEW, 416, 386, 122, 28, 142, 141, 155, true, false},
    {ctl::kServiceTunovaPRO, 548, 386, 122, 28, 144, 143, 157, true, false},
    {ctl::kEventUpdateButton, 20, 330, 220, 26, 151, 151, 0, false, true},
    {ctl::kEventInstallButton, 250, 330, 178, 26, 139, 139, 0, false, true},
    {ctl::kMakeListButton, 510, 330, 158, 26, 131, 131, 0, false, true},
    {ctl::kRunButton, 526, 420, 163, 80, 158, 169, 0, true, false},
    {ctl::kUpdateButton, 526, 420, 163, 80, 159, 160, 0, true, true},
};

}  // namespace orvik
