#include "service/song_path.h"

#include <cstdio>
#include <string>

namespace orvik {

std::filesystem::path SongFilePath(const std::filesystem::path& songFolder, std::int32_t number) {
  char name[32];
  std::snprintf(name, sizeof name, "%05d.sgd", static_cast<int>(number));
  return songFolder / ("K" + std::to_string(number / 1000) + "000") / name;
}

}  // namespace orvik
