#include <iconv.h>

#include <cerrno>

#include "platform/codepage.h"

namespace orvik::platform {
namespace {

// How many bytes one unconvertible character takes, so it becomes one '?'. Bytes that
// cannot belong to it (an ASCII byte after a lead byte) are left for the next round.
std::size_t Utf8CharLength(const char* p, std::size_t left) {
  const auto lead = static_cast<unsigned char>(p[0]);
  const std::size_t want = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
  std::size_t n = 1;
  while (n < want && n < left && (static_cast<unsigned char>(p[n]) & 0xC0) == 0x80) ++n;
  return n;
}

std::size_t Cp949CharLength(const char* p, std::size_t left) {
  const auto lead = static_cast<unsigned char>(p[0]);
  if (lead < 0x81 || lead == 0xFF || left < 2) return 1;
  const auto trail = static_cast<unsigned char>(p[1]);
  // The 949 extension pairs leads up to 0xC6 with letters and high bytes; above that only
  // the EUC-KR trail range is used.
  const bool extension = lead <= 0xC6 && ((trail >= 0x41 && trail <= 0x5A) ||
                                          (trail >= 0x61 && trail <= 0x7A) || trail >= 0x81);
  return extension || (trail >= 0xA1 && trail != 0xFF) ? 2 : 1;
}

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
