// The make-song-list command: the players' song list is built by a separate list program.
#pragma once

#include <string>

#include "core/launcher_state.h"
#include "core/launching.h"

namespace orvik {

// Marks the window inactive (the periodic update check pauses), waits a second, then starts
// the list program shown, not waited for. RunProgram's own messages are all the user sees.
void MakeSongList(LaunchContext& ctx, LauncherState& state, const std::string& listProgramPath);

}  // namespace orvik
