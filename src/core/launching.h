// Starting the player and the virtual MIDI tools: the run button's launch sequence and the
// update button's tools-only start. They run on a worker and read the tool options from the
// launcher state, never from the window.
#pragma once

#include <functional>
#include <string>

#include "core/tool_options.h"
#include "core/midi_port_check.h"
#include "core/window_port.h"
#include "platform/process.h"

namespace orvik {

// Blocks for the given milliseconds: the pauses that give a started tool time to come up.
using Waiter = std::function<void(int ms)>;
void SleepFor(int ms);

struct LaunchContext {
  platform::ProcessApi& processes;
  WindowPort& port;  // messages to the operator
  const ToolOptions& options;
  Waiter wait = SleepFor;
  int responseTimeoutMs = 10000;  // how long a waited-for program may run
  int maxToolAttempts = 10;       // rounds of LaunchPlayer before a tool counts as failed
  std::string midiPort{};         // the port looked for before the player starts; "": none
  MidiPortLister listMidiPorts = platform::ListMidiOutputs;
  std::function<void(const std::string&)> sayStatus = {};  // the status line; null: none
};

// Starts `path` with `arguments`; non-zero on success. Tells the operator why it failed.
int RunProgram(LaunchContext& ctx, const std::string& path, const std::string& arguments, bool show,
               bool wait, bool elevated);
// The folder a plain start runs in: the path up to its last separator ("" when none).
std::string WorkingFolderOf(const std::string& path);

bool IsProcessRunning(LaunchContext& ctx, const std::string& exeName);
// Options on (the tools at all and this one) and no process of that name running.
bool ToolNeedsStart(LaunchContext& ctx, const std::string& exeName, ToolOption tool);

// The run button: tools when asked for, then the player. True when the player was started.
// `selectedProgram` is the program-list entry; only "tunovaNEW" runs with raised rights.
bool LaunchPlayer(LaunchContext& ctx, const std::string& runProgramPath,
                  const std::string& selectedProgram);
// The update button without a pending update: the tools only, no waits. False on a failure.
bool StartToolsOnly(LaunchContext& ctx);

}  // namespace orvik
