#include "catalog.h"

#include <charconv>
#include <cstdio>
#include <set>
#include <system_error>

namespace songsvc {

namespace fs = std::filesystem;

namespace {

// A whole-text positive decimal number that fits an int; 0 otherwise.
int ParsePositive(std::string_view text) {
  int value = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size() || value <= 0) return 0;
  return value;
}

}  // namespace

std::string SongStorePath(int number) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "K%d000/%05d.sgd", number / 1000, number);
  return buffer;
}

std::map<int, fs::path> ScanCatalog(const fs::path& dir) {
  std::map<int, fs::path> songs;
  std::error_code ec;
  for (auto it = fs::recursive_directory_iterator(dir, ec);
       !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
    if (it.depth() != 1 || !it->is_regular_file(ec)) continue;
    const fs::path& file = it->path();
    if (file.extension() != ".sgd") continue;
    int number = ParsePositive(file.stem().string());
    // Only files exactly where the store layout puts them count as songs.
    if (number == 0) continue;
    std::string relative = file.parent_path().filename().string() + "/" + file.filename().string();
    if (relative == SongStorePath(number)) songs.emplace(number, file);
  }
  return songs;
}

std::vector<int> ParseSongList(const std::string& text) {
  std::vector<int> numbers;
  std::set<int> seen;
  size_t start = 0;
  while (start <= text.size()) {
    size_t comma = text.find(',', start);
    if (comma == std::string::npos) comma = text.size();
    int number = ParsePositive(std::string_view(text).substr(start, comma - start));
    if (number > 0 && seen.insert(number).second) numbers.push_back(number);
    start = comma + 1;
  }
  return numbers;
}

std::string JoinSongList(const std::vector<int>& numbers) {
  std::string text;
  for (int number : numbers) {
    if (!text.empty()) text += ',';
    text += std::to_string(number);
  }
  return text;
}

}  // namespace songsvc
