// A minimal zip writer: stored (uncompressed) entries, enough for song packages.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace songsvc {

struct ZipEntry {
  std::string name;              // path inside the archive, "/" separated
  std::filesystem::path source;  // file whose bytes are stored
};

std::uint32_t Crc32(std::uint32_t crc, const void* data, std::size_t size);

// Writes the archive and gives its size in bytes. Files are copied in blocks, never whole.
// Throws std::runtime_error when a source cannot be read, the target cannot be written, or
// the archive would need zip64 (4 GiB or 65535 entries).
std::uint64_t WriteStoredZip(const std::filesystem::path& zipFile,
                             const std::vector<ZipEntry>& entries);

}  // namespace songsvc
