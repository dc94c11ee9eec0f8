#include "service/web_address.h"

#include <algorithm>
#include <cctype>

namespace orvik {
namespace {

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  return std::equal(prefix.begin(), prefix.end(), text.begin(), [](char a, char b) {
    return a == std::tolower(static_cast<unsigned char>(b));
  });
}

}  // namespace

bool IsPlainHttpUrl(std::string_view text) {
  return StartsWithNoCase(text, "http://") && IsWebAddress(text);
}

bool IsWebAddress(std::string_view text) {
  std::size_t rest = 0;
  if (StartsWithNoCase(text, "http://")) {
    rest = 7;
  } else if (StartsWithNoCase(text, "https://")) {
    rest = 8;
  } else {
    return false;
  }
  for (const char c : text) {
    const auto u = static_cast<unsigned char>(c);
    if (u <= 0x20 || u == 0x7F || c == '"' || c == '<' || c == '>' || c == '`') return false;
  }
  std::string_view authority = text.substr(rest);
  authority = authority.substr(0, authority.find_first_of("/?#\\"));
  const auto at = authority.rfind('@');
  if (at != std::string_view::npos) authority = authority.substr(at + 1);
  const auto host = authority.substr(
      0, authority.rfind(':') == std::string_view::npos ? authority.size() : authority.rfind(':'));
  return !host.empty();
}

}  // namespace orvik
