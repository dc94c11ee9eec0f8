#include "service/banner_reply.h"

#include <array>
#include <cctype>

#include "platform/codepage.h"
#include "service/reply_parser.h"
#include "service/web_address.h"

namespace orvik {
namespace {

constexpr std::size_t kMaxNameLength = 200;
// Pictures taken from one list; the rolling banner shows a handful.
constexpr std::size_t kMaxEntries = 32;

std::string Upper(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return out;
}

bool IsReservedDeviceName(std::string_view name) {
  // Windows opens the device whatever extension follows and ignores trailing spaces.
  std::string_view base = name.substr(0, name.find('.'));
  while (!base.empty() && base.back() == ' ') base.remove_suffix(1);
  const std::string upper = Upper(base);
  static constexpr std::array<std::string_view, 4> kPlain = {"CON", "PRN", "AUX", "NUL"};
  for (const auto device : kPlain) {
    if (upper == device) return true;
  }
  return upper.size() == 4 && (upper.starts_with("COM") || upper.starts_with("LPT")) &&
         upper[3] >= '1' && upper[3] <= '9';
}

}  // namespace

bool IsSafePictureName(std::string_view name) {
  if (name.empty() || name.size() > kMaxNameLength || name == "." || name == "..") return false;
  for (const char c : name) {
    const auto u = static_cast<unsigned char>(c);
    if (u < 0x20 || u == 0x7F) return false;
    switch (c) {
      case '/':
      case '\\':
      case ':':
      case '*':
      case '?':
      case '"':
      case '<':
      case '>':
      case '|':
        return false;
      default:
        break;
    }
  }
  if (name.back() == '.' || name.back() == ' ') return false;
  return !IsReservedDeviceName(name);
}

std::vector<BannerEntry> ParseBannerReply(std::string_view reply) {
  std::vector<BannerEntry> entries;
  for (const auto& piece : SplitByChar(reply, '|')) {
    if (entries.size() == kMaxEntries) break;
    if (piece.empty()) continue;
    auto fields = SplitByChar(piece, ',');
    if (fields.size() < 3) continue;
    // The service writes names in its code page; '?' stands for what did not convert.
    fields[2] = platform::Cp949ToUtf8(fields[2]);
    if (!IsSafePictureName(fields[2])) continue;
    BannerEntry entry{std::move(fields[0]), std::move(fields[1]), std::move(fields[2]), {}};
    if (fields.size() >= 4 && IsWebAddress(fields[3])) entry.link = std::move(fields[3]);
    entries.push_back(std::move(entry));
  }
  return entries;
}

}  // namespace orvik
