// The tool option boxes: what start-up shows from the settings, and what the operator's
// clicks change for the launches (which read the options, never the boxes).
#include "window/tool_option_boxes.h"

#include <gtest/gtest.h>

#include "support/recording_port.h"
#include "window/control_ids.h"

namespace orvik {
namespace {

using test::RecordingPort;

TEST(ToolOptionBoxes, ToolsOffHideTheToolBoxesAndLeaveTheirSettingsUnread) {
  LauncherState state;
  state.settings.Parse("[config]\nuseConfig=0\nloopMIDI=1\n");
  state.m_toolOptions.loopMidi = true;  // stale: must not survive the start-up
  RecordingPort port;
  RestoreToolOptions(state, port);
  EXPECT_FALSE(port.Checked(ctl::kUseConfigBox));
  for (int id : {ctl::kLoopMidiBox, ctl::kKvSynthBox, ctl::kCantataBox})
    EXPECT_FALSE(port.Visible(id)) << id;
  EXPECT_TRUE(port.Visible(ctl::kUseConfigBox));
  EXPECT_FALSE(state.m_toolOptions.Wants(ToolOption::LoopMidi));
  EXPECT_FALSE(state.settings.Has("config.kvSYNTH"));  // nothing added to the file
}

TEST(ToolOptionBoxes, ToolsOnShowEachBoxAsItsSettingSays) {
  LauncherState state;
  state.settings.Parse("[config]\nuseConfig=2\nloopMIDI=1\nkvSYNTH=0\ncantata=-1\n");
  RecordingPort port;
  RestoreToolOptions(state, port);
  EXPECT_TRUE(port.Checked(ctl::kUseConfigBox));
  EXPECT_TRUE(port.Checked(ctl::kLoopMidiBox));
  EXPECT_FALSE(port.Checked(ctl::kKvSynthBox));
  EXPECT_TRUE(port.Checked(ctl::kCantataBox));  // any non-zero number is on
  const ToolOptions& o = state.m_toolOptions;
  EXPECT_TRUE(o.Wants(ToolOption::LoopMidi));
  EXPECT_FALSE(o.Wants(ToolOption::KvSynth));
  EXPECT_TRUE(o.Wants(ToolOption::Cantata));
}

TEST(ToolOptionBoxes, ClicksReachTheOptionsTheSettingsAndTheToolBoxes) {
  LauncherState state;
  RecordingPort port;
  OnToolOptionBox(state, port, ctl::kUseConfigBox, true);
  OnToolOptionBox(state, port, ctl::kKvSynthBox, true);
  EXPECT_TRUE(port.Visible(ctl::kKvSynthBox));
  EXPECT_TRUE(state.m_toolOptions.Wants(ToolOption::KvSynth));
  EXPECT_EQ(state.settings.Get("config.kvSYNTH"), "1");

  // The master box off: the tool boxes hide and no tool is wanted, but each keeps its own
  // choice for when the tools are used again.
  OnToolOptionBox(state, port, ctl::kUseConfigBox, false);
  EXPECT_FALSE(port.Visible(ctl::kKvSynthBox));
  EXPECT_FALSE(port.Visible(ctl::kCantataBox));
  EXPECT_FALSE(state.m_toolOptions.Wants(ToolOption::KvSynth));
  EXPECT_EQ(state.settings.Get("config.useConfig"), "0");
  EXPECT_EQ(state.settings.Get("config.kvSYNTH"), "1");
  OnToolOptionBox(state, port, ctl::kUseConfigBox, true);
  EXPECT_TRUE(state.m_toolOptions.Wants(ToolOption::KvSynth));

  port.Clear();
  OnToolOptionBox(state, port, ctl::kRunButton, true);  // not an option box
  EXPECT_TRUE(port.Calls().empty());
  EXPECT_FALSE(state.m_runButtonChecked);
}

}  // namespace
}  // namespace orvik
