#include "core/last_update.h"

#include <cstdlib>

#include "core/update_history.h"
#include "platform/files.h"

namespace orvik {

namespace {

std::optional<LastUpdate> LoadOldFile(const std::filesystem::path& moduleDir) {
  const auto bytes = platform::ReadFileBytes(LastUpdateFile(moduleDir));
  if (!bytes || bytes->size() > 4096) return std::nullopt;
  LastUpdate out;
  std::size_t start = 0;
  while (start < bytes->size()) {
    std::size_t end = bytes->find('\n', start);
    if (end == std::string::npos) end = bytes->size();
    const std::string line = bytes->substr(start, end - start);
    if (line.starts_with("time=")) out.localTime = line.substr(5);
    if (line.starts_with("added=")) out.songsAdded = std::atoi(line.c_str() + 6);
    start = end + 1;
  }
  if (out.localTime.empty()) return std::nullopt;
  return out;
}

}  // namespace

std::filesystem::path LastUpdateFile(const std::filesystem::path& moduleDir) {
  return moduleDir / "last_update.txt";
}

std::optional<LastUpdate> LoadLastUpdate(const std::filesystem::path& moduleDir) {
  if (const auto last = LastSucceeded(ReadHistory(moduleDir), HistoryKind::Update)) {
    // To the minute, as the line always read.
    return LastUpdate{last->time.substr(0, 16), static_cast<int>(last->added.size())};
  }
  return LoadOldFile(moduleDir);
}

}  // namespace orvik
