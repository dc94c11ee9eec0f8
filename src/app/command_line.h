// The launcher's command line, read before any window exists. Reading it prints nothing and
// touches no file: the start-up decides what to write, and where, once it holds the folder.
#pragma once

#include <string>
#include <vector>

#include "window/sync_run.h"

namespace orvik {

// --wait-player without a number: how many minutes a sync waits for the players to end.
inline constexpr int kDefaultWaitPlayerMinutes = 120;

struct CommandLine {
  enum class Mode {
    Window,   // no option: the main window
    Version,  // --version
    Help,     // --help
    Sync,     // --sync [--wait-player[=MINUTES]] [--verify]
    Verify,   // --verify: check the song store, set damaged songs aside
    Usage,    // wrong: `error` says why, the exit code is kSyncUsage
  };
  Mode mode = Mode::Window;
  SyncOptions sync;
  std::string error;
  bool verifyAfterSync = false;  // --sync --verify
};

CommandLine ParseCommandLine(const std::vector<std::string>& args);

// --version's line, the same on every platform.
std::string VersionLine();
std::vector<std::string> HelpLines();

// True when a window can be shown at all (always on Windows; on Linux a display is named).
bool HasDisplay();

}  // namespace orvik
