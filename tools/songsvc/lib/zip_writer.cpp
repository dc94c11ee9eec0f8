#include "zip_writer.h"

#include <fstream>
#include <stdexcept>

namespace songsvc {
namespace {

constexpr std::size_t kBlock = 64 * 1024;

}  // namespace

std::uint64_t WriteStoredZip(const std::filesystem::path& zipFile,
                             const std::vector<ZipEntry>& entries) {
  std::ofstream out(zipFile, std::ios::binary | std::ios::trunc);
  if (!out) throw std::runtime_error("zip: cannot create " + zipFile.string());
  StoredZipWriter writer([&out](std::string_view bytes) {
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  });
  std::string buffer(kBlock, '\0');
  for (const ZipEntry& entry : entries) {
    // First pass: size and CRC, so the local header is complete when written.
    std::ifstream in(entry.source, std::ios::binary);
    if (!in) throw std::runtime_error("zip: cannot read " + entry.source.string());
    std::uint32_t crc = 0;
    std::uint64_t size = 0;
    while (in.read(buffer.data(), kBlock) || in.gcount() > 0) {
      crc = Crc32(crc, buffer.data(), static_cast<std::size_t>(in.gcount()));
      size += static_cast<std::uint64_t>(in.gcount());
    }
    writer.BeginEntry(entry.name, size, crc);
    in.clear();
    in.seekg(0);
    std::uint64_t copied = 0;
    while (copied < size && (in.read(buffer.data(), kBlock) || in.gcount() > 0)) {
      const auto n = std::min<std::uint64_t>(static_cast<std::uint64_t>(in.gcount()), size - copied);
      writer.Content(std::string_view(buffer.data(), static_cast<std::size_t>(n)));
      copied += n;
    }
    if (copied != size) throw std::runtime_error("zip: " + entry.source.string() + " changed");
  }
  const std::uint64_t size = writer.Finish();
  out.close();
  if (!out) throw std::runtime_error("zip: cannot write " + zipFile.string());
  return size;
}

}  // namespace songsvc
