// Reads the entry names (and unpacked sizes) of a zip archive from its central directory, without
// unpacking, so a package can be vetted before anything is written.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace orvik {

struct ZipEntryName {
  std::string name;
  bool isLink = false;     // stored with a Unix symbolic-link mode
  std::uint64_t size = 0;  // unpacked; 0 for the second name of an entry (Unicode Path)
};

// Nullopt when the file is not a zip archive this reader understands (no end record,
// zip64, a damaged directory); the caller then asks 7-Zip for the listing.
std::optional<std::vector<ZipEntryName>> ReadZipEntryNames(const std::filesystem::path& archive);

}  // namespace orvik
