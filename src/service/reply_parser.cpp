#include "service/reply_parser.h"

namespace orvik {
namespace {

constexpr std::string_view kTrailingBlanks = " \t\r\n";

void StorePiece(std::string_view piece, ReplyMap& map) {
  const auto eq = piece.find('=');
  const std::string key(piece.substr(0, eq));
  std::string_view value = eq == std::string_view::npos ? std::string_view{} : piece.substr(eq + 1);
  const auto last = value.find_last_not_of(kTrailingBlanks);
  value = last == std::string_view::npos ? std::string_view{} : value.substr(0, last + 1);
  map[key] = std::string(value);
}

}  // namespace

bool ReplyMap::NeedUpdateApp() { return entries_["needUpdateApp"] == "true"; }
bool ReplyMap::NeedUpdateSong() { return entries_["needUpdateSong"] == "true"; }
void ReplyMap::SetNeedUpdateSong(const std::string& value) { entries_["needUpdateSong"] = value; }
std::string ReplyMap::GetAppFileUrl() { return entries_["appFileUrl"]; }
bool ReplyMap::IsActionRemove() { return entries_["action"] == "remove"; }
std::string ReplyMap::GetAction() { return entries_["action"]; }
std::string ReplyMap::GetUpdateSongCount() { return entries_["updateSongCount"]; }

void ParseReply(std::string_view text, ReplyMap& map) {
  std::size_t start = 0;
  for (auto amp = text.find('&'); amp != std::string_view::npos; amp = text.find('&', start)) {
    StorePiece(text.substr(start, amp - start), map);
    start = amp + 1;
  }
  StorePiece(text.substr(start), map);
}

std::vector<std::string> SplitByChar(std::string_view text, char delimiter) {
  std::vector<std::string> pieces;
  std::size_t start = 0;
  for (auto pos = text.find(delimiter); pos != std::string_view::npos;
       pos = text.find(delimiter, start)) {
    pieces.emplace_back(text.substr(start, pos - start));
    start = pos + 1;
  }
  if (start < text.size()) pieces.emplace_back(text.substr(start));
  return pieces;
}

}  // namespace orvik
