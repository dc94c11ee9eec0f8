#include "zip_writer.h"

#include <array>
#include <fstream>
#include <stdexcept>

namespace songsvc {

namespace {

constexpr std::uint64_t kZip32Limit = 0xFFFFFFFFull;
constexpr std::size_t kBlock = 64 * 1024;

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

struct Written {
  std::string name;
  std::uint32_t crc = 0;
  std::uint32_t size = 0;
  std::uint32_t offset = 0;
};

// Local header and central record share these fields: version 2.0, no flags, stored,
// a fixed DOS time (1 Jan 2020) so packages of the same songs are byte-identical.
void PutCommon(std::string& out, const Written& w) {
  Put16(out, 20);
  Put16(out, 0);
  Put16(out, 0);
  Put16(out, 0);
  Put16(out, (40 << 9) | (1 << 5) | 1);
  Put32(out, w.crc);
  Put32(out, w.size);
  Put32(out, w.size);
  Put16(out, static_cast<std::uint32_t>(w.name.size()));
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

std::uint64_t WriteStoredZip(const std::filesystem::path& zipFile,
                             const std::vector<ZipEntry>& entries) {
  if (entries.size() >= 0xFFFF) throw std::runtime_error("zip: too many entries");
  std::ofstream out(zipFile, std::ios::binary | std::ios::trunc);
  if (!out) throw std::runtime_error("zip: cannot create " + zipFile.string());

  std::vector<Written> written;
  std::uint64_t offset = 0;
  std::string buffer(kBlock, '\0');
  for (const ZipEntry& entry : entries) {
    // First pass: size and CRC, so the local header is complete when written.
    std::ifstream in(entry.source, std::ios::binary);
    if (!in) throw std::runtime_error("zip: cannot read " + entry.source.string());
    Written w{entry.name, 0, 0, static_cast<std::uint32_t>(offset)};
    std::uint64_t size = 0;
    while (in.read(buffer.data(), kBlock) || in.gcount() > 0) {
      w.crc = Crc32(w.crc, buffer.data(), static_cast<std::size_t>(in.gcount()));
      size += static_cast<std::uint64_t>(in.gcount());
    }
    std::uint64_t end = offset + 30 + entry.name.size() + size;
    if (size > kZip32Limit || end > kZip32Limit) throw std::runtime_error("zip: too large");
    w.size = static_cast<std::uint32_t>(size);

    std::string header;
    Put32(header, 0x04034b50);
    PutCommon(header, w);
    header += entry.name;
    out.write(header.data(), static_cast<std::streamsize>(header.size()));

    in.clear();
    in.seekg(0);
    std::uint64_t copied = 0;
    while (copied < size && (in.read(buffer.data(), kBlock) || in.gcount() > 0)) {
      std::uint64_t n =
          std::min<std::uint64_t>(static_cast<std::uint64_t>(in.gcount()), size - copied);
      out.write(buffer.data(), static_cast<std::streamsize>(n));
      copied += n;
    }
    if (copied != size) throw std::runtime_error("zip: " + entry.source.string() + " changed");
    offset = end;
    written.push_back(std::move(w));
  }

  std::string central;
  for (const Written& w : written) {
    Put32(central, 0x02014b50);
    Put16(central, 20);  // made by: version 2.0, MS-DOS attributes
    PutCommon(central, w);
    Put16(central, 0);  // comment length
    Put16(central, 0);  // disk number
    Put16(central, 0);  // internal attributes
    Put32(central, 0);  // external attributes
    Put32(central, w.offset);
    central += w.name;
  }
  if (offset + central.size() + 22 > kZip32Limit) throw std::runtime_error("zip: too large");
  std::string tail;
  Put32(tail, 0x06054b50);
  Put16(tail, 0);
  Put16(tail, 0);
  Put16(tail, static_cast<std::uint32_t>(written.size()));
  Put16(tail, static_cast<std::uint32_t>(written.size()));
  Put32(tail, static_cast<std::uint32_t>(central.size()));
  Put32(tail, static_cast<std::uint32_t>(offset));
  Put16(tail, 0);
  out.write(central.data(), static_cast<std::streamsize>(central.size()));
  out.write(tail.data(), static_cast<std::streamsize>(tail.size()));
  out.close();
  if (!out) throw std::runtime_error("zip: cannot write " + zipFile.string());
  return offset + central.size() + tail.size();
}

}  // namespace songsvc
