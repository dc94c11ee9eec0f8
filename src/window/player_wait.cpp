#include "window/player_wait.h"

#include <algorithm>
#include <thread>

#include "core/catalogue.h"
#include "core/launcher_settings.h"
#include "core/launcher_state.h"
#include "core/log.h"
#include "platform/process.h"

namespace orvik {
namespace {

std::string ExecutableName(const std::string& path) {
  const auto cut = path.find_last_of("\\/");
  return cut == std::string::npos ? path : path.substr(cut + 1);
}

}  // namespace

std::vector<std::string> PlayerExecutables(const LauncherState& state) {
  std::vector<std::string> names;
  const auto add = [&names](const std::string& path) {
    const std::string name = ExecutableName(path);
    if (!name.empty() && std::find(names.begin(), names.end(), name) == names.end())
      names.push_back(name);
  };
  add(kDefaultRunProgram);
  for (const ServiceInfo& service : ServiceCatalogue())
    for (std::string_view entry : service.programs)
      add(state.settings.Get("run." + std::string(entry), kDefaultRunProgram));
  return names;
}

bool WaitForPlayersToEnd(const std::vector<std::string>& players, platform::ProcessApi& processes,
                         const PlayerWait& wait) {
  const auto running = [&]() -> std::string {
    for (const std::string& name : players)
      if (processes.IsProcessRunning(name)) return name;
    return {};
  };
  // Counted in checks rather than read from a clock, so a suspended machine cannot skip it.
  const auto checks = wait.limit / std::max(wait.interval, std::chrono::milliseconds(1));
  for (long long done = 0;; ++done) {
    const std::string player = running();
    if (player.empty()) return true;
    if (done >= checks) {
      logging::Warning("sync: " + player + " still runs after " +
                       std::to_string(wait.limit.count()) + " minutes; the store is left alone");
      return false;
    }
    if (done == 0) logging::Info("sync: waiting for " + player + " to end");
    if (wait.pause) {
      wait.pause(wait.interval);
    } else {
      std::this_thread::sleep_for(wait.interval);
    }
  }
}

}  // namespace orvik
