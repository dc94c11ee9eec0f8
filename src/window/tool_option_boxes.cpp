#include "window/tool_option_boxes.h"

#include "core/launcher_settings.h"
#include "core/window_port.h"
#include "window/control_ids.h"

namespace orvik {
namespace {

constexpr int kToolBoxes[] = {ctl::kLoopMidiBox, ctl::kKvSynthBox, ctl::kCantataBox};

}  // namespace

std::optional<ToolOption> ToolOptionOfBox(int id) {
  switch (id) {
    case ctl::kUseConfigBox:
      return ToolOption::UseTools;
    case ctl::kLoopMidiBox:
      return ToolOption::LoopMidi;
    case ctl::kKvSynthBox:
      return ToolOption::KvSynth;
    case ctl::kCantataBox:
      return ToolOption::Cantata;
    default:
      return std::nullopt;
  }
}

void RestoreToolOptions(LauncherState& state, WindowPort& port) {
  ToolOptions& options = state.m_toolOptions;
  if (GetConfigFlag(state, ToolOption::UseTools) == 0) {
    // The tool boxes' own settings stay unread (and unwritten) while the tools are off.
    options.useTools = false;
    port.SetControlChecked(ctl::kUseConfigBox, false);
    for (const int id : kToolBoxes) port.ShowControl(id, false);
    return;
  }
  options.useTools = true;
  port.SetControlChecked(ctl::kUseConfigBox, true);
  for (const int id : kToolBoxes) {
    const ToolOption option = *ToolOptionOfBox(id);
    const bool on = GetConfigFlag(state, option) != 0;
    options[option] = on;
    port.SetControlChecked(id, on);
  }
}

void OnToolOptionBox(LauncherState& state, WindowPort& port, int id, bool checked) {
  const auto option = ToolOptionOfBox(id);
  if (!option) return;
  state.m_toolOptions[*option] = checked;
  if (*option == ToolOption::UseTools) {
    for (const int box : kToolBoxes) port.ShowControl(box, checked);
  }
  SetConfigFlag(state, *option, checked);
}

}  // namespace orvik
