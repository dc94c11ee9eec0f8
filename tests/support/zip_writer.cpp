#include "support/zip_writer.h"

#include <array>
#include <cstdint>

namespace orvik::test {
namespace {

std::uint32_t Crc32(const std::string& bytes) {
  static const auto table = [] {
    std::array<std::uint32_t, 256> t{};
    for (std::uint32_t i = 0; i < 256; ++i) {
      std::uint32_t c = i;
      for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      t[i] = c;
    }
    return t;
  }();
  std::uint32_t crc = 0xFFFFFFFFu;
  for (unsigned char b : bytes) crc = table[(crc ^ b) & 0xFF] ^ (crc >> 8);
  return crc ^ 0xFFFFFFFFu;
}

void Put(std::string& out, std::uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

}  // namespace

std::string StoredZip(const std::map<std::string, std::string>& entries,
                      const std::set<std::string>& links) {
  constexpr std::uint32_t kDosDate = (0 << 9) | (1 << 5) | 1;  // 1980-01-01
  std::string out, central;
  for (const auto& [name, content] : entries) {
    const std::uint32_t crc = Crc32(content);
    const auto size = static_cast<std::uint32_t>(content.size());
    const std::uint32_t offset = static_cast<std::uint32_t>(out.size());
    // version 1.0, no flags, stored, time 0, date, crc, sizes, name length, no extra
    const auto common = [&](std::string& s) {
      Put(s, 10, 2), Put(s, 0, 2), Put(s, 0, 2), Put(s, 0, 2), Put(s, kDosDate, 2);
      Put(s, crc, 4), Put(s, size, 4), Put(s, size, 4);
      Put(s, static_cast<std::uint32_t>(name.size()), 2), Put(s, 0, 2);
    };
    Put(out, 0x04034b50, 4);
    common(out);
    out += name;
    out += content;
    Put(central, 0x02014b50, 4);
    Put(central, (3 << 8) | 20, 2);  // made on Unix: the external attributes carry the mode
    common(central);
    Put(central, 0, 2), Put(central, 0, 2), Put(central, 0, 2);  // comment, disk, internal
    const std::uint32_t mode = links.contains(name) ? 0120777 : 0100644;
    Put(central, mode << 16, 4);
    Put(central, offset, 4);
    central += name;
  }
  const auto count = static_cast<std::uint32_t>(entries.size());
  const auto centralOffset = static_cast<std::uint32_t>(out.size());
  out += central;
  Put(out, 0x06054b50, 4);
  Put(out, 0, 2), Put(out, 0, 2), Put(out, count, 2), Put(out, count, 2);
  Put(out, static_cast<std::uint32_t>(central.size()), 4), Put(out, centralOffset, 4),
      Put(out, 0, 2);
  return out;
}

}  // namespace orvik::test
