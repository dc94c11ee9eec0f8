#include "songsvc/stored_zip.h"

#include <array>
#include <stdexcept>

namespace songsvc {
namespace {

constexpr std::uint64_t kZip32Limit = 0xFFFFFFFFull;
// A fixed DOS date (1 Jan 2020, midnight) so archives of the same files are byte-identical.
constexpr std::uint32_t kDosDate = (40 << 9) | (1 << 5) | 1;
constexpr std::uint32_t kFileMode = 0100644;
constexpr std::uint32_t kLinkMode = 0120777;

const std::array<std::uint32_t, 256>& CrcTable() {
  static const std::array<std::uint32_t, 256> table = [] {
    std::array<std::uint32_t, 256> t{};
    for (std::uint32_t i = 0; i < 256; ++i) {
      std::uint32_t c = i;
      for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      t[i] = c;
    }
    return t;
  }();
  return table;
}

void Put16(std::string& out, std::uint32_t v) {
  out += static_cast<char>(v & 0xFF);
  out += static_cast<char>((v >> 8) & 0xFF);
}

void Put32(std::string& out, std::uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}

// Fields the local header and the central record share: version 2.0, no flags, stored.
void PutCommon(std::string& out, const std::string& name, std::uint32_t crc, std::uint32_t size) {
  Put16(out, 20);
  Put16(out, 0);
  Put16(out, 0);
  Put16(out, 0);
  Put16(out, kDosDate);
  Put32(out, crc);
  Put32(out, size);
  Put32(out, size);
  Put16(out, static_cast<std::uint32_t>(name.size()));
  Put16(out, 0);
}

}  // namespace

std::uint32_t Crc32(std::uint32_t crc, const void* data, std::size_t size) {
  const auto& table = CrcTable();
  const auto* p = static_cast<const unsigned char*>(data);
  crc = ~crc;
  for (std::size_t i = 0; i < size; ++i) crc = table[(crc ^ p[i]) & 0xFF] ^ (crc >> 8);
  return ~crc;
}

void StoredZipWriter::Put(std::string_view bytes) {
  sink_(bytes);
  offset_ += bytes.size();
}

void StoredZipWriter::BeginEntry(const std::string& name, std::uint64_t size, std::uint32_t crc,
                                 bool symlink) {
  if (entries_.size() + 1 >= 0xFFFF) throw std::runtime_error("zip: too many entries");
  if (size > kZip32Limit || offset_ + 30 + name.size() + size > kZip32Limit)
    throw std::runtime_error("zip: too large");
  Entry entry{name, crc, static_cast<std::uint32_t>(size), static_cast<std::uint32_t>(offset_),
              symlink};
  std::string header;
  Put32(header, 0x04034b50);
  PutCommon(header, name, crc, entry.size);
  header += name;
  Put(header);
  entries_.push_back(std::move(entry));
}

void StoredZipWriter::Content(std::string_view bytes) { Put(bytes); }

std::uint64_t StoredZipWriter::Finish() {
  std::string central;
  for (const Entry& e : entries_) {
    Put32(central, 0x02014b50);
    Put16(central, (3 << 8) | 20);  // made on Unix: the external attributes carry the mode
    PutCommon(central, e.name, e.crc, e.size);
    Put16(central, 0);  // comment length
    Put16(central, 0);  // disk number
    Put16(central, 0);  // internal attributes
    Put32(central, (e.symlink ? kLinkMode : kFileMode) << 16);
    Put32(central, e.offset);
    central += e.name;
  }
  const std::uint64_t centralOffset = offset_;
  if (centralOffset + central.size() + 22 > kZip32Limit) throw std::runtime_error("zip: too large");
  std::string tail;
  Put32(tail, 0x06054b50);
  Put16(tail, 0);
  Put16(tail, 0);
  Put16(tail, static_cast<std::uint32_t>(entries_.size()));
  Put16(tail, static_cast<std::uint32_t>(entries_.size()));
  Put32(tail, static_cast<std::uint32_t>(central.size()));
  Put32(tail, static_cast<std::uint32_t>(centralOffset));
  Put16(tail, 0);
  Put(central);
  Put(tail);
  return offset_;
}

std::string StoredZip(const std::map<std::string, std::string>& entries,
                      const std::set<std::string>& links) {
  std::string out;
  StoredZipWriter writer([&out](std::string_view bytes) { out.append(bytes); });
  for (const auto& [name, content] : entries) {
    writer.BeginEntry(name, content.size(), Crc32(0, content.data(), content.size()),
                      links.contains(name));
    writer.Content(content);
  }
  writer.Finish();
  return out;
}

}  // namespace songsvc
