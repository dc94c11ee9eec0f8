// Unpacks a song package into the song store with the 7-Zip console program, all or
// nothing: the archive is unpacked into a staging folder beside the store, checked, and
// only then moved in; a failure at any point leaves the store as it was.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <stop_token>
#include <string>
#include <string_view>
#include <vector>

#include "update/entry_name.h"

namespace orvik {

enum class ExtractResult {
  Ok,
  NoArchive,         // nothing at the archive path
  NoSevenZip,        // no 7-Zip program found
  ArchiveBroken,     // the archive is damaged or truncated (7-Zip's own test fails too)
  UnsafeEntry,       // an entry would land outside the song folder
  StoreNotWritable,  // a file could not be written or placed; what was placed was taken back
  NoSpace,           // the store's volume is (or filled up) too small; the store is as it was
  NoSongFolder,      // the configured song folder does not exist
  Stopped,           // the window closed
  FileHeld,          // another program kept a song open (detail: the file); taken back
};

struct ExtractReport {
  ExtractResult result = ExtractResult::Ok;
  int exitCode = 0;  // 7-Zip's, when it ran
  std::size_t filesInstalled = 0;
  std::vector<std::filesystem::path> installed;  // Ok: relative to the store
  std::string detail;  // the entry or path concerned, for the status line
  // NoSpace: the room the package needs on `detail`'s volume and what it had.
  std::uint64_t neededBytes = 0, freeBytes = 0;
};

// "디스크 공간 부족: <folder> (<n> MB 필요, <m> MB 남음)" of a NoSpace report that has figures.
std::string DiskSpaceShortText(const ExtractReport& report);

// The bundled copy under <moduleDir>/bin/7z first, then 7zz or 7z on the PATH (on Windows
// 7za.exe or 7z.exe, then 7z.exe or 7za.exe).
std::optional<std::filesystem::path> FindSevenZip(const std::filesystem::path& moduleDir);

// 7-Zip's -bsp1 output, piped, is percentages rewritten in place with backspaces.
class SevenZipProgressParser {
 public:
  // Calls onPercent for every percentage that differs from the last one reported.
  void Feed(std::string_view chunk, const std::function<void(int)>& onPercent);

 private:
  std::string pending_;
  int last_ = -1;
};

struct ExtractOptions {
  // The 7-Zip program to use; empty: FindSevenZip. A path that is not an executable file
  // counts as no 7-Zip at all.
  std::filesystem::path sevenZip;
  // The package's update code: its result is recorded as owed once the store holds it.
  std::string updateCode;
};

// Vets the package (every name stays inside, no links, room enough for its unpacked size),
// unpacks it into a staging folder, scans what 7-Zip wrote and moves it in under the
// journal. A failure for a local reason (space, permissions) never reads as a damaged
// package: the caller deletes the archive only for ArchiveBroken and UnsafeEntry.
ExtractReport InstallPackage(const std::filesystem::path& archive,
                             const std::filesystem::path& songFolder,
                             const std::filesystem::path& moduleDir,
                             const std::function<void(int)>& onPercent, std::stop_token stop = {},
                             const ExtractOptions& options = {});

}  // namespace orvik
