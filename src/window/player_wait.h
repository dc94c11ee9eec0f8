// Before an unattended update touches the store: no player of the catalogue may be running,
// or songs would change under a singing room.
#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace orvik {

struct LauncherState;
namespace platform {
class ProcessApi;
}

// The executable names of every player the settings configure for the catalogue's program
// entries (and the default player), without repeats.
std::vector<std::string> PlayerExecutables(const LauncherState& state);

struct PlayerWait {
  std::chrono::minutes limit{0};
  std::chrono::milliseconds interval = std::chrono::minutes(1);
  std::function<void(std::chrono::milliseconds)> pause;  // null: really wait
};

// True as soon as none of `players` runs; false when one still runs after the limit.
bool WaitForPlayersToEnd(const std::vector<std::string>& players, platform::ProcessApi& processes,
                         const PlayerWait& wait);

}  // namespace orvik
