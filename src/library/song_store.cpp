#include "library/song_store.h"

#include <cstdio>

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

}  // namespace orvik
