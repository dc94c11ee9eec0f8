#include <iconv.h>

#include <cerrno>

#include "platform/codepage.h"
#include "platform/codepage_chars.h"

namespace orvik::platform {
namespace {

std::string Convert(const std::string& in, const char* to, const char* from,
                    std::size_t (*charLength)(const char*, std::size_t)) {
  if (in.empty()) return {};
  const iconv_t cd = ::iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::string(in.size(), '?');
  std::string out;
  out.reserve(in.size() * 2);
  char* src = const_cast<char*>(in.data());
  std::size_t srcLeft = in.size();
  char buffer[4096];
  while (srcLeft > 0) {
    char* dst = buffer;
    std::size_t dstLeft = sizeof buffer;
    const std::size_t rc = ::iconv(cd, &src, &srcLeft, &dst, &dstLeft);
    out.append(buffer, static_cast<std::size_t>(dst - buffer));
    if (rc != static_cast<std::size_t>(-1)) continue;
    if (errno == E2BIG) continue;
    // EILSEQ or an incomplete sequence at the end: replace and go on after it.
    const std::size_t n = charLength(src, srcLeft);
    out += '?';
    src += n;
    srcLeft -= n;
    ::iconv(cd, nullptr, nullptr, nullptr, nullptr);
  }
  ::iconv_close(cd);
  return out;
}

}  // namespace

std::string Utf8ToCp949(const std::string& utf8) {
  return Convert(utf8, "CP949", "UTF-8", Utf8CharLength);
}

std::string Cp949ToUtf8(const std::string& cp949) {
  return Convert(cp949, "UTF-8", "CP949", Cp949CharLength);
}

std::string NativeToCp949(const std::string& text) { return Utf8ToCp949(text); }

}  // namespace orvik::platform
