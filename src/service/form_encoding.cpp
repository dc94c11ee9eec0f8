// The text helpers declared beside the transport interface.
#include "service/http_transport.h"

namespace orvik {

std::string UrlEncodeFormValue(std::string_view text) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(text.size() * 3);
  for (const char c : text) {
    const auto u = static_cast<unsigned char>(c);
    if ((u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') || (u >= '0' && u <= '9')) {
      out += c;
    } else if (u == ' ') {
      out += '+';
    } else {
      out += '%';
      out += kHex[u >> 4];
      out += kHex[u & 0x0F];
    }
  }
  return out;
}

std::string JoinReplyLines(std::string_view body) {
  std::string out;
  out.reserve(body.size());
  for (const char c : body) {
    if (c != '\n') out += c;
  }
  return out;
}

}  // namespace orvik
