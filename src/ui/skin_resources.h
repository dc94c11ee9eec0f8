// The skin pictures and the icon are Qt resources compiled into the UI library.
#pragma once

namespace orvik::ui {

// Registers the skin resources once; safe to call from any widget's constructor.
void InitSkinResources();

// Whether this build carries the skin at all (a build without artwork shows blank slots).
bool SkinBuiltIn();

}  // namespace orvik::ui
