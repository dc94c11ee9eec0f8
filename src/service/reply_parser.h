// The song service's form-style replies ("key=value&key=value") and their readings.
// Values are used exactly as sent: no percent, plus or entity decoding.
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace orvik {

// Ordered, keys compared byte for byte. Reading a key the map lacks inserts it with an
// empty value, so a missing flag reads false and a missing text empty.
class ReplyMap {
 public:
  std::string& operator[](const std::string& key) { return entries_[key]; }
  void Clear() { entries_.clear(); }
  bool Empty() const { return entries_.empty(); }
  std::size_t Size() const { return entries_.size(); }
  const std::map<std::string, std::string>& Entries() const { return entries_; }

  bool NeedUpdateApp();
  bool NeedUpdateSong();
  void SetNeedUpdateSong(const std::string& value);
  std::string GetAppFileUrl();
  bool IsActionRemove();
  std::string GetAction();
  std::string GetUpdateSongCount();

 private:
  std::map<std::string, std::string> entries_;
};

// Assigns one entry per "&"-separated piece into `map` (not emptied first); a later
// duplicate key wins. A piece without "=" is stored under itself with an empty value.
void ParseReply(std::string_view text, ReplyMap& map);

// Pieces between delimiters; empty pieces are kept except a trailing one.
std::vector<std::string> SplitByChar(std::string_view text, char delimiter);

}  // namespace orvik
