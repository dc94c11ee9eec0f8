// The tool option boxes 1016-1019: which option each stands for, the boxes as setting.env
// left them at start-up, and what the operator's click on one changes. The options live in
// the launcher state, where the launches read them.
#pragma once

#include <optional>

#include "core/launcher_state.h"

namespace orvik {

class WindowPort;

// The option behind box `id`; nothing for any other control.
std::optional<ToolOption> ToolOptionOfBox(int id);

// Start-up: the options, and their boxes, as the settings left them.
void RestoreToolOptions(LauncherState& state, WindowPort& port);
// The operator set box `id` (1016-1019) to `checked`: the option and its setting follow,
// and the master box shows or hides the tool boxes.
void OnToolOptionBox(LauncherState& state, WindowPort& port, int id, bool checked);

}  // namespace orvik
