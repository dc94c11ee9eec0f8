#include "form.h"

namespace songsvc {

namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

std::string Decode(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '+') {
      out += ' ';
    } else if (c == '%' && i + 2 < text.size() && HexValue(text[i + 1]) >= 0 &&
               HexValue(text[i + 2]) >= 0) {
      out += static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2]));
      i += 2;
    } else {
      out += c;
    }
  }
  return out;
}

}  // namespace

std::map<std::string, std::string> ParseForm(const std::string& body) {
  std::map<std::string, std::string> fields;
  size_t start = 0;
  while (start < body.size()) {
    size_t amp = body.find('&', start);
    if (amp == std::string::npos) amp = body.size();
    std::string_view piece = std::string_view(body).substr(start, amp - start);
    size_t eq = piece.find('=');
    if (!piece.empty()) {
      std::string key = Decode(piece.substr(0, eq));
      std::string value = eq == std::string_view::npos ? "" : Decode(piece.substr(eq + 1));
      fields.emplace(std::move(key), std::move(value));
    }
    start = amp + 1;
  }
  return fields;
}

std::string JoinReply(const std::vector<std::pair<std::string, std::string>>& pairs) {
  std::string text;
  for (const auto& [key, value] : pairs) {
    if (!text.empty()) text += '&';
    text += key + "=" + value;
  }
  return text;
}

}  // namespace songsvc
