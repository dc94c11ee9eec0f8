// Reads the entry names (with unpacked sizes and CRC-32s) of a zip archive from its central
// directory, without unpacking, so a package can be vetted before anything is written and its
// songs recorded in the store manifest with the checksums the package states.
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
  std::optional<std::uint32_t> crc32;  // as the directory states it (both names of an entry)
  bool isAlias = false;                // the second name of the entry before it
};

// Nullopt when the file is not a zip archive this reader understands (no end record,
// zip64, a damaged directory); the caller then asks 7-Zip for the listing.
std::optional<std::vector<ZipEntryName>> ReadZipEntryNames(const std::filesystem::path& archive);

}  // namespace orvik
