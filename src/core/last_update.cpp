#include "core/last_update.h"

#include <cstdlib>
#include <ctime>

#include "platform/files.h"

namespace orvik {

std::filesystem::path LastUpdateFile(const std::filesystem::path& moduleDir) {
  return moduleDir / "last_update.txt";
}

bool SaveLastUpdate(const std::filesystem::path& moduleDir, int songsAdded) {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
#ifdef _WIN32
  localtime_s(&local, &now);
#else
  localtime_r(&now, &local);
#endif
  char when[32];
  std::strftime(when, sizeof when, "%Y-%m-%d %H:%M", &local);
  return platform::WriteFileAtomically(
      LastUpdateFile(moduleDir),
      std::string("time=") + when + "\nadded=" + std::to_string(songsAdded) + "\n");
}

std::optional<LastUpdate> LoadLastUpdate(const std::filesystem::path& moduleDir) {
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

}  // namespace orvik
