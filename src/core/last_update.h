// The last successful song update, for the About box: when it ran and what it brought.
// Read from the update history; an installation from before the history kept it in
// last_update.txt, which still answers until the first update is recorded.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace orvik {

struct LastUpdate {
  std::string localTime;  // "2026-12-07 14:03"
  int songsAdded = 0;
};

// The file earlier versions wrote; read only.
std::filesystem::path LastUpdateFile(const std::filesystem::path& moduleDir);
std::optional<LastUpdate> LoadLastUpdate(const std::filesystem::path& moduleDir);

}  // namespace orvik
