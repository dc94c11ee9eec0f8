// The last successful song update, kept in a small file in the module folder so the About
// box can tell a technician when it ran and what it brought without reading the log.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace orvik {

struct LastUpdate {
  std::string localTime;  // "2026-12-07 14:03"
  int songsAdded = 0;
};

std::filesystem::path LastUpdateFile(const std::filesystem::path& moduleDir);
// Records an update that has just finished, at the current local time.
bool SaveLastUpdate(const std::filesystem::path& moduleDir, int songsAdded);
std::optional<LastUpdate> LoadLastUpdate(const std::filesystem::path& moduleDir);

}  // namespace orvik
