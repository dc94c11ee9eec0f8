#include "library/song_store.h"

#include <cstdio>

#include "platform/path_text.h"

namespace orvik {

std::string SongBlockFolderName(int songNumber) {
  char name[32];
  std::snprintf(name, sizeof name, "K%d000", songNumber / 1000);
  return name;
}

std::string SongFileName(int songNumber) {
  char name[32];
  std::snprintf(name, sizeof name, "%05d.sgd", songNumber);
  return name;
}

std::filesystem::path SongBlockFolder(const std::filesystem::path& songFolder, int songNumber) {
  // A number from the service below 1 would name "-0001.sgd" and the like: no song of ours.
  if (songNumber < 1) return {};
  return songFolder / SongBlockFolderName(songNumber);
}

std::filesystem::path SongFilePath(const std::filesystem::path& songFolder, int songNumber) {
  if (songNumber < 1) return {};
  return SongBlockFolder(songFolder, songNumber) / SongFileName(songNumber);
}

std::optional<int> SongNumberOfFile(const std::filesystem::path& file) {
  if (file.extension() != kSongExtension) return std::nullopt;
  const std::string stem = platform::PathToUtf8(file.stem());
  if (stem.empty() || stem.size() > 9 || stem.find_first_not_of("0123456789") != std::string::npos)
    return std::nullopt;
  const int number = std::stoi(stem);
  if (number < 1) return std::nullopt;
  return number;
}

}  // namespace orvik
