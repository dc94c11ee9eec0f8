#include "library/song_list.h"

namespace orvik {

void MakeSongList(LaunchContext& ctx, LauncherState& state, const std::string& listProgramPath) {
  state.m_isActive = false;
  ctx.wait(1000);
  RunProgram(ctx, listProgramPath, "", true, false, false);
}

}  // namespace orvik
