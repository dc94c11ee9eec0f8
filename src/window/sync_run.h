// orvik --sync: the window's update without a window. The same logic object runs over a
// console port; this loop is its message loop, and a watcher of the update starts the
// download when the package is ready and turns the end of the update into an exit code.
#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <stop_token>
#include <string>

#include "window/orvik_window.h"
#include "window/player_wait.h"

namespace orvik {

inline constexpr int kSyncUpdated = 0;  // updated, or nothing to do
inline constexpr int kSyncFailed = 1;
inline constexpr int kSyncUsage = 2;
inline constexpr int kSyncLocked = 3;  // another launcher holds the module folder

struct SyncOptions {
  std::optional<PlayerWait> waitPlayer;  // --wait-player
};

struct SyncSetup {
  std::filesystem::path moduleDir;
  std::function<void(const std::string&)> out, err;
  std::function<void(const std::string&)> progress;  // null: not a terminal
  // Null: the system's transport.
  std::function<std::unique_ptr<HttpTransport>(const ServiceAddress&, std::stop_token)>
      makeTransport;
  platform::ProcessApi* processes = nullptr;  // null: the system's
};

// The caller holds the module folder's lock (kSyncLocked is its answer when another
// launcher does) and has opened the log.
int RunSync(const SyncOptions& options, SyncSetup setup);

}  // namespace orvik
