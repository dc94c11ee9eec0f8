#include "update/zip_directory.h"

#include <cstdint>
#include <fstream>

namespace orvik {
namespace {

constexpr std::uint32_t kEndSignature = 0x06054b50;
constexpr std::uint32_t kEntrySignature = 0x02014b50;
constexpr std::size_t kEndRecordSize = 22;
constexpr std::size_t kMaxCommentSize = 0xFFFF;
constexpr std::size_t kEntryHeaderSize = 46;
constexpr std::uint32_t kUnicodePathId = 0x7075;  // version, CRC of the name, UTF-8 name

std::uint32_t U16(const std::string& b, std::size_t at) {
  return static_cast<std::uint8_t>(b[at]) | static_cast<std::uint8_t>(b[at + 1]) << 8;
}
std::uint32_t U32(const std::string& b, std::size_t at) {
  return U16(b, at) | U16(b, at + 2) << 16;
}

}  // namespace

std::optional<std::vector<ZipEntryName>> ReadZipEntryNames(const std::filesystem::path& archive) {
  std::ifstream in(archive, std::ios::binary | std::ios::ate);
  if (!in) return std::nullopt;
  const std::uint64_t size = static_cast<std::uint64_t>(in.tellg());
  if (size < kEndRecordSize) return std::nullopt;

  // The end record sits in the last 22 bytes plus at most a 64 KiB comment.
  const std::uint64_t tailSize = std::min<std::uint64_t>(size, kEndRecordSize + kMaxCommentSize);
  std::string tail(tailSize, '\0');
  in.seekg(static_cast<std::streamoff>(size - tailSize));
  if (!in.read(tail.data(), static_cast<std::streamsize>(tailSize))) return std::nullopt;
  std::size_t end = std::string::npos;
  for (std::size_t at = tailSize - kEndRecordSize + 1; at-- > 0;) {
    if (U32(tail, at) == kEndSignature && at + kEndRecordSize + U16(tail, at + 20) == tailSize) {
      end = at;
      break;
    }
  }
  if (end == std::string::npos) return std::nullopt;
  const std::uint32_t count = U16(tail, end + 10);
  const std::uint32_t dirSize = U32(tail, end + 12);
  const std::uint32_t dirOffset = U32(tail, end + 16);
  // Zip64 archives mark these fields as all ones; leave them to 7-Zip.
  if (count == 0xFFFF || dirSize == 0xFFFFFFFF || dirOffset == 0xFFFFFFFF) return std::nullopt;
  if (std::uint64_t{dirOffset} + dirSize > size - tailSize + end) return std::nullopt;

  std::string dir(dirSize, '\0');
  in.seekg(dirOffset);
  if (!in.read(dir.data(), dirSize)) return std::nullopt;

  std::vector<ZipEntryName> entries;
  entries.reserve(count);
  std::size_t at = 0;
  for (std::uint32_t i = 0; i < count; ++i) {
    if (at + kEntryHeaderSize > dir.size() || U32(dir, at) != kEntrySignature) return std::nullopt;
    const std::size_t nameLen = U16(dir, at + 28);
    const std::size_t extraLen = U16(dir, at + 30);
    const std::size_t commentLen = U16(dir, at + 32);
    const std::uint32_t madeBy = U16(dir, at + 4) >> 8;  // 3: Unix
    const std::uint32_t mode = U32(dir, at + 38) >> 16;
    const std::size_t next = at + kEntryHeaderSize + nameLen + extraLen + commentLen;
    if (next > dir.size()) return std::nullopt;
    const bool isLink = madeBy == 3 && (mode & 0170000) == 0120000;
    if (U32(dir, at + 24) == 0xFFFFFFFF) return std::nullopt;  // its size is in a zip64 field
    const std::uint32_t crc = U32(dir, at + 16);
    entries.push_back({dir.substr(at + kEntryHeaderSize, nameLen), isLink, U32(dir, at + 24), crc});
    // 7-Zip unpacks under the Unicode Path extra field's name when there is one: it is
    // vetted as well.
    const std::size_t extraEnd = at + kEntryHeaderSize + nameLen + extraLen;
    for (std::size_t x = at + kEntryHeaderSize + nameLen; x + 4 <= extraEnd;) {
      const std::size_t size = U16(dir, x + 2);
      if (x + 4 + size > extraEnd) break;
      if (U16(dir, x) == kUnicodePathId && size >= 5)
        entries.push_back({dir.substr(x + 9, size - 5), isLink, 0, crc, true});
      x += 4 + size;
    }
    at = next;
  }
  return entries;
}

}  // namespace orvik
