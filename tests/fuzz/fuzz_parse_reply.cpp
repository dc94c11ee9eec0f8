// ParseReply and the readings over arbitrary reply bytes.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "service/reply_parser.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  orvik::ReplyMap map;
  orvik::ParseReply(text, map);
  std::size_t pieces = 1;
  for (const char c : text) pieces += c == '&';
  if (map.Size() == 0 || map.Size() > pieces) std::abort();
  for (const auto& [key, value] : map.Entries()) {
    if (key.find('&') != std::string::npos || value.find('&') != std::string::npos) std::abort();
    if (!value.empty() && std::string_view(" \t\r\n").find(value.back()) != std::string_view::npos)
      std::abort();
  }
  map.NeedUpdateApp();
  map.NeedUpdateSong();
  map.GetAppFileUrl();
  map.IsActionRemove();
  map.GetUpdateSongCount();
  return 0;
}
