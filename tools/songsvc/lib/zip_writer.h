// Song packages as zip files on disk, written with the project's one zip writer.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "songsvc/stored_zip.h"

namespace songsvc {

struct ZipEntry {
  std::string name;              // path inside the archive, "/" separated
  std::filesystem::path source;  // file whose bytes are stored
};

// Writes the archive and gives its size in bytes. Files are copied in blocks, never whole.
// Throws std::runtime_error when a source cannot be read, the target cannot be written, or
// the archive would need zip64 (4 GiB or 65535 entries).
std::uint64_t WriteStoredZip(const std::filesystem::path& zipFile,
                             const std::vector<ZipEntry>& entries);

}  // namespace songsvc
