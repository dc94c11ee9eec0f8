#include "platform/identity.h"

#include <cstdio>

namespace orvik::platform {

std::string FormatGuidText(const GuidValue& guid) {
  const auto* d = guid.data4;
  // The last two groups read bytes 2-5 and 6-7 of data4 little-endian; stored ids depend
  // on nothing but the form, yet this keeps the texts comparable with other builds.
  const unsigned group4 = d[0] * 256u + d[1];
  const unsigned long group5 = static_cast<unsigned long>(d[5]) << 24 |
                               static_cast<unsigned long>(d[4]) << 16 |
                               static_cast<unsigned long>(d[3]) << 8 | d[2];
  const unsigned group6 = static_cast<unsigned>(d[7]) << 8 | d[6];
  char text[33];
  std::snprintf(text, sizeof text, "%08lX%04X%04X%04X%08lX%04X",
                static_cast<unsigned long>(guid.data1), static_cast<unsigned>(guid.data2),
                static_cast<unsigned>(guid.data3), group4, group5, group6);
  return text;
}

std::string FormatMacAddress(const std::uint8_t (&b)[6]) {
  char text[18];
  std::snprintf(text, sizeof text, "%02X-%02X-%02X-%02X-%02X-%02X", b[0], b[1], b[2], b[3], b[4],
                b[5]);
  return text;
}

}  // namespace orvik::platform
