#include "platform/codepage_chars.h"

namespace orvik::platform {

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

}  // namespace orvik::platform
