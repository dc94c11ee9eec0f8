// Where the virtual MIDI tools live and the names they run under. Fixed, not configurable;
// this is the one place that knows them for each platform.
#pragma once

#include <string>

#include "core/tool_options.h"

namespace orvik {

struct ToolInfo {
  std::string displayName;  // as the operator's messages name it
  std::string path;         // executable started by the launcher
  std::string processName;  // executable file name searched in the process list
  ToolOption option;        // the option that asks for it
};

const ToolInfo& LoopMidiTool();
const ToolInfo& KvSynthTool();

}  // namespace orvik
