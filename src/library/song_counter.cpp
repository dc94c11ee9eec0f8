#include "library/song_counter.h"

#include <climits>

namespace orvik {
namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

bool EndsWithSgd(std::string_view name) {
  if (name.size() < 4) return false;
  const std::string_view tail = name.substr(name.size() - 4);
  return tail[0] == '.' && (tail[1] | 0x20) == 's' && (tail[2] | 0x20) == 'g' &&
         (tail[3] | 0x20) == 'd';
}

}  // namespace

int SongNumberOf(std::string_view songName) {
  long long value = 0;
  for (const char c : songName) {
    if (c < '0' || c > '9') break;
    value = value * 10 + (c - '0');
    if (value > INT_MAX) return INT_MAX;
  }
  return static_cast<int>(value);
}

SongCounter::SongCounter(char separator) : separator_(separator) {}

void SongCounter::AddLine(std::string_view line) {
  line = Trim(line);
  const auto fileSep = line.rfind(separator_);
  if (fileSep == std::string_view::npos) return;
  const std::string_view fileName = line.substr(fileSep + 1);
  if (!EndsWithSgd(fileName)) return;
  const std::string_view songName = fileName.substr(0, fileName.size() - 4);
  const std::string_view parent = line.substr(0, fileSep);
  const auto folderSep = parent.rfind(separator_);
  if (folderSep == std::string_view::npos) return;
  const std::string_view folderName = parent.substr(folderSep + 1);
  if (folderName.empty() || (folderName.front() != 'K' && folderName.front() != 'k')) return;
  if (!seen_.emplace(songName).second) return;
  ids_ += std::to_string(SongNumberOf(songName));
  ids_ += ',';
  ++count_;
}

SongTally SongCounter::Result() const {
  SongTally tally{count_, ids_};
  if (!tally.ids.empty() && tally.ids.back() == ',') tally.ids.pop_back();
  return tally;
}

SongTally CountListingText(std::string_view text, char separator) {
  SongCounter counter(separator);
  while (!text.empty()) {
    const auto end = text.find('\n');
    counter.AddLine(text.substr(0, end));
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 1);
  }
  return counter.Result();
}

}  // namespace orvik
