// Counting the songs of a listing: one full path per line; a line counts when it names a
// ".sgd" file (any case) lying directly in a folder whose name begins with K or k, and its
// song name (file name without ".sgd") has not been seen before (exact comparison).
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <unordered_set>

namespace orvik {

struct SongTally {
  int count = 0;
  std::string ids;  // song numbers in listing order, "," between them
  friend bool operator==(const SongTally&, const SongTally&) = default;
};

class SongCounter {
 public:
  // `separator`: the path separator of the listing's lines.
  explicit SongCounter(char separator = static_cast<char>(
                           std::filesystem::path::preferred_separator));
  // One whole line; white space at both ends (line ends included) is ignored.
  void AddLine(std::string_view line);
  SongTally Result() const;
  int count() const { return count_; }

 private:
  char separator_;
  std::unordered_set<std::string> seen_;
  std::string ids_;
  int count_ = 0;
};

// The counting of a whole listing text (lines end in LF or CR LF).
SongTally CountListingText(std::string_view text,
                           char separator = static_cast<char>(
                               std::filesystem::path::preferred_separator));

// The song number of a song name: its leading decimal digits ("00012" gives 12; none give
// 0; values past the integer range stop at its largest value).
int SongNumberOf(std::string_view songName);

}  // namespace orvik
