#include "update/package_extractor.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <ctime>
#include <random>
#include <set>
#include <string>
#include <system_error>
#include <vector>

#include "core/log.h"
#include "core/user_texts.h"
#include "platform/path_text.h"
#include "platform/process.h"
#include "update/pending_result.h"
#include "update/store_journal.h"
#include "update/store_manifest.h"
#include "update/store_move.h"
#include "update/update_test_hooks.h"
#include "update/zip_directory.h"

namespace fs = std::filesystem;

namespace orvik {
namespace {

bool IsExecutableFile(const fs::path& p) {
  std::error_code ec;
  return fs::is_regular_file(p, ec) &&
         (fs::status(p, ec).permissions() & fs::perms::owner_exec) != fs::perms::none;
}

std::string UniqueTag() {
  std::random_device rd;
  char buf[32];
  std::snprintf(buf, sizeof buf, "%08x%08x", rd(), rd());
  return buf;
}

// 7-Zip's listing, for archives the zip reader leaves alone.
std::vector<ZipEntryName> ListEntries(const fs::path& sevenZip, const fs::path& archive,
                                      int& exitCode, std::stop_token stop) {
  std::string listing;
  exitCode = platform::RunAndCapture(
      {platform::PathToUtf8(sevenZip), "l", "-slt", "-ba", platform::PathToUtf8(archive)},
      [&](std::string_view chunk) { listing.append(chunk); }, stop);
  std::vector<ZipEntryName> names;
  std::size_t pos = 0;
  while (pos < listing.size()) {
    auto end = listing.find('\n', pos);
    if (end == std::string::npos) end = listing.size();
    std::string_view line(listing.data() + pos, end - pos);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.starts_with("Path = ")) {
      names.push_back({std::string(line.substr(7)), false, 0, std::nullopt, false});
    } else if (line.starts_with("Size = ") && !names.empty()) {
      std::uint64_t size = 0;
      const auto digits = line.substr(7);
      if (std::from_chars(digits.data(), digits.data() + digits.size(), size).ec == std::errc())
        names.back().size = size;
    } else if (line.starts_with("CRC = ") && !names.empty()) {
      std::uint32_t crc = 0;
      const auto digits = line.substr(6);
      if (std::from_chars(digits.data(), digits.data() + digits.size(), crc, 16).ec == std::errc())
        names.back().crc32 = crc;
    } else if (line.starts_with("Attributes = ") && !names.empty()) {
      // The Unix mode follows the Windows letters: "A_ lrwxrwxrwx" is a link.
      const auto mode = line.rfind(' ');
      if (mode != std::string_view::npos && line.size() - mode == 11 && line[mode + 1] == 'l')
        names.back().isLink = true;
    }
    pos = end + 1;
  }
  return names;
}

// The first component of a relative path when it names a folder.
fs::path TopFolder(const fs::path& rel) {
  auto it = rel.begin();
  if (it == rel.end() || std::next(it) == rel.end()) return {};
  return *it;
}

}  // namespace

std::optional<fs::path> FindSevenZip(const fs::path& moduleDir) {
#ifdef _WIN32
  // The bundled copy is the stand-alone 7za.exe; an installed 7-Zip brings 7z.exe.
  constexpr std::array<const char*, 2> kBundled{"7za.exe", "7z.exe"};
  constexpr std::array<const char*, 2> kOnPath{"7z.exe", "7za.exe"};
#else
  constexpr std::array<const char*, 3> kBundled{"7zz", "7z", "7za"};
  constexpr std::array<const char*, 2> kOnPath{"7zz", "7z"};
#endif
  for (const char* name : kBundled) {
    const fs::path bundled = moduleDir / "bin" / "7z" / name;
    if (IsExecutableFile(bundled)) return bundled;
  }
  for (const char* name : kOnPath) {
    const std::string found = platform::FindProgramOnPath(name);
    if (!found.empty()) return platform::PathFromUtf8(found);
  }
  return std::nullopt;
}

void SevenZipProgressParser::Feed(std::string_view chunk,
                                  const std::function<void(int)>& onPercent) {
  pending_.append(chunk);
  // A percentage is digits followed by '%'; what precedes it is blanks or backspaces.
  std::size_t consumed = 0;
  for (std::size_t i = 0; i < pending_.size(); ++i) {
    if (pending_[i] != '%') continue;
    std::size_t start = i;
    while (start > 0 && pending_[start - 1] >= '0' && pending_[start - 1] <= '9') --start;
    if (start < i && i - start <= 3) {
      const int value = std::atoi(pending_.substr(start, i - start).c_str());
      if (value >= 0 && value <= 100 && value != last_) {
        last_ = value;
        if (onPercent) onPercent(value);
      }
    }
    consumed = i + 1;
  }
  pending_.erase(0, consumed);
  if (pending_.size() > 64) pending_.erase(0, pending_.size() - 8);  // keep a digit tail only
}

namespace {

// What vetting learned of a package.
struct Package {
  fs::path sevenZip;
  std::uint64_t unpackedBytes = 0;
  std::size_t entries = 0;
  std::vector<StatedFile> stated;  // sizes and CRC-32s the archive states, for the manifest
};

ExtractReport Failure(ExtractResult result, std::string detail = {}) {
  ExtractReport report;
  report.result = result;
  report.detail = std::move(detail);
  return report;
}

std::uint64_t FreeBytes(const fs::path& folder) {
  if (const auto hooked = test_hooks::FreeSpace()) return *hooked;
  std::error_code ec;
  const auto space = fs::space(folder, ec);
  return ec ? ~std::uint64_t{0} : space.available;  // unknown: 7-Zip will tell
}

// The unpacked bytes, a cluster per entry (file ends, folders) and 1/64 for the file
// system's own records.
std::uint64_t NeededBytes(const Package& package) {
  return package.unpackedBytes + package.entries * std::uint64_t{4096} + package.unpackedBytes / 64;
}

bool HasRoom(const fs::path& folder, const Package& package, ExtractReport& report) {
  const std::uint64_t needed = NeededBytes(package), free = FreeBytes(folder);
  if (free >= needed) return true;
  report = Failure(ExtractResult::NoSpace, platform::PathToUtf8(folder));
  report.neededBytes = needed;
  report.freeBytes = free;
  return false;
}

// Every name stays inside the song folder, none is a link, none is the work folders' marker;
// the sizes are summed on the way.
bool VetEntries(const std::vector<ZipEntryName>& entries, Package& package, ExtractReport& report) {
  for (const auto& entry : entries) {
    if (entry.isLink || !IsSafeEntryName(entry.name) || entry.name == kWorkFolderMarker) {
      report = Failure(ExtractResult::UnsafeEntry, entry.name);
      return false;
    }
    package.unpackedBytes += entry.size;
    ++package.entries;
    std::string name = entry.name;
    std::replace(name.begin(), name.end(), '\\', '/');
    // A second name is the same file as the entry before it.
    const std::uint64_t size =
        entry.isAlias && !package.stated.empty() ? package.stated.back().size : entry.size;
    package.stated.push_back({std::move(name), size, entry.crc32});
  }
  return true;
}

// Refuses the whole package before anything is unpacked: no 7-Zip, an unsafe name, no song
// folder (a disk that is not mounted is never replaced by a new folder), or too little room.
bool VetPackage(const fs::path& archive, const fs::path& songFolder, const fs::path& moduleDir,
                const ExtractOptions& options, std::stop_token stop, Package& package,
                ExtractReport& report) {
  std::error_code ec;
  if (!fs::is_regular_file(archive, ec)) {
    report = Failure(ExtractResult::NoArchive, platform::PathToUtf8(archive));
    return false;
  }
  if (options.sevenZip.empty()) {
    if (const auto found = FindSevenZip(moduleDir)) package.sevenZip = *found;
  } else if (IsExecutableFile(options.sevenZip)) {
    package.sevenZip = options.sevenZip;
  }
  if (package.sevenZip.empty()) {
    report = Failure(ExtractResult::NoSevenZip);
    return false;
  }
  // Zip directories are read here; 7-Zip lists the rest.
  auto entries = ReadZipEntryNames(archive);
  if (!entries) {
    int listExit = 0;
    entries = ListEntries(package.sevenZip, archive, listExit, stop);
    if (stop.stop_requested()) {
      report = Failure(ExtractResult::Stopped);
      return false;
    }
    if (listExit != 0) {
      report = Failure(ExtractResult::ArchiveBroken);
      report.exitCode = listExit;
      return false;
    }
  }
  if (!VetEntries(*entries, package, report)) return false;
  if (!fs::is_directory(songFolder, ec)) {
    report = Failure(ExtractResult::NoSongFolder, platform::PathToUtf8(songFolder));
    return false;
  }
  return HasRoom(songFolder, package, report);
}

// Makes the update's own work folders and records them before 7-Zip writes anything, so a
// kill meanwhile leaves nothing unnamed.
bool OpenJournal(StoreJournal& journal, const fs::path& songFolder, const fs::path& moduleDir,
                 const Package& package, ExtractReport& report) {
  journal.store = NormalStorePath(songFolder);
  const std::string tag = UniqueTag();
  journal.staging = MakeWorkFolder(journal.store, moduleDir, ".unpacking", tag);
  journal.backup = MakeWorkFolder(journal.store, moduleDir, ".replaced", tag);
  if (!journal.staging.empty() && !journal.backup.empty() &&
      WriteStoreJournal(moduleDir, journal)) {
    // Staging in the module folder when the store's parent took none: that volume counts.
    if (journal.staging.parent_path() == journal.store.parent_path() ||
        HasRoom(journal.staging, package, report))
      return true;
    CloseJournal(moduleDir, journal);
    return false;
  }
  std::error_code ec;
  for (const fs::path* folder : {&journal.staging, &journal.backup})
    if (IsOwnWorkFolder(*folder)) fs::remove_all(*folder, ec);
  report = Failure(ExtractResult::StoreNotWritable, platform::PathToUtf8(moduleDir));
  return false;
}

// 7-Zip names a full disk in its messages; the wording is the system's.
bool SaysNoSpace(const std::string& output) {
  for (const char* phrase : {"No space left on device", "not enough space", "Not enough space",
                             "disk is full", "디스크 공간이 부족"})
    if (output.find(phrase) != std::string::npos) return true;
  return false;
}

// What 7-Zip said of its failure, for the log: its first "ERROR" line, else its last line.
std::string LastMessage(const std::string& output) {
  std::string last;
  std::size_t pos = 0;
  while (pos < output.size()) {
    auto end = output.find_first_of("\r\n", pos);
    if (end == std::string::npos) end = output.size();
    const std::string line = output.substr(pos, end - pos);
    if (line.find("ERROR") != std::string::npos) return line;
    if (line.find_first_not_of(" \b") != std::string::npos && line.find('%') == std::string::npos)
      last = line;
    pos = end + 1;
  }
  return last;
}

// 7-Zip into the staging folder. A failure is the archive's only when 7-Zip's own test of
// the archive fails too; a full disk or an unwritable folder keeps the package.
bool Unpack(const Package& package, const fs::path& archive, const StoreJournal& journal,
            const std::function<void(int)>& onPercent, std::stop_token stop,
            ExtractReport& report) {
  SevenZipProgressParser parser;
  std::string output;
  report.exitCode = platform::RunAndCapture(
      {platform::PathToUtf8(package.sevenZip), "x", "-mmt=on", platform::PathToUtf8(archive),
       "-o" + platform::PathToUtf8(journal.staging), "-aoa", "-bsp1"},
      [&](std::string_view chunk) {
        parser.Feed(chunk, onPercent);
        output.append(chunk);
        if (output.size() > 65536) output.erase(0, output.size() - 32768);
      },
      stop);
  if (stop.stop_requested()) {
    report.result = ExtractResult::Stopped;
    return false;
  }
  if (report.exitCode == 0) return true;
  logging::Warning("unpacking: 7-Zip exit code " + std::to_string(report.exitCode) + ": " +
                   LastMessage(output));
  report.detail = LastMessage(output);
  const std::uint64_t free = FreeBytes(journal.staging);
  if (SaysNoSpace(output) || free < NeededBytes(package) / 64 + 65536) {
    report.result = ExtractResult::NoSpace;
    report.detail = platform::PathToUtf8(journal.store);
    report.neededBytes = NeededBytes(package);
    report.freeBytes = free;
    return false;
  }
  const int tested = platform::RunAndCapture(
      {platform::PathToUtf8(package.sevenZip), "t", platform::PathToUtf8(archive)},
      [](std::string_view) {}, stop);
  if (stop.stop_requested()) {
    report.result = ExtractResult::Stopped;
  } else {
    report.result = tested == 0 ? ExtractResult::StoreNotWritable : ExtractResult::ArchiveBroken;
  }
  return false;
}

// What 7-Zip wrote: regular files are installed; a top folder holding a link or a special
// file is moved file by file (the rest stays behind with the staging folder).
bool ScanStaging(const fs::path& staging, std::vector<StoreJournal::File>& files,
                 std::set<fs::path>& unmovable, ExtractReport& report) {
  std::error_code ec;
  for (auto it = fs::recursive_directory_iterator(staging, ec);
       !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
    const fs::path rel = it->path().lexically_relative(staging);
    if (rel == kWorkFolderMarker) continue;
    if (it->is_symlink(ec)) {
      it.disable_recursion_pending();
      unmovable.insert(TopFolder(rel));
      continue;  // a link could point anywhere
    }
    if (it->is_regular_file(ec)) {
      files.push_back({rel, it->file_size(ec)});
    } else if (!it->is_directory(ec)) {
      unmovable.insert(TopFolder(rel));
    }
  }
  if (ec) {
    report = Failure(ExtractResult::StoreNotWritable, ec.message());
    return false;
  }
  std::sort(files.begin(), files.end(),
            [](const auto& a, const auto& b) { return a.relative < b.relative; });
  for (const auto& file : files) {
    const std::string name = platform::PathToUtf8(file.relative.generic_u8string());
    if (!IsSafeStoreFileName(name)) {
      report = Failure(ExtractResult::UnsafeEntry, name);
      return false;
    }
  }
  return true;
}

// Moves the staged files in under the journal and commits. `keepJournal` is set when the
// journal must outlive this call (a simulated kill, or old versions that could not be put
// back).
bool CommitToStore(StoreJournal& journal, const std::set<fs::path>& unmovable,
                   const Package& package, const fs::path& moduleDir, ExtractReport& report,
                   bool& keepJournal) {
  // The manifest the store will have is written before the first rename: a recovery then
  // promotes it with the files, or drops it with them.
  if (!StageManifest(moduleDir, journal, package.stated, std::time(nullptr))) {
    report = Failure(ExtractResult::StoreNotWritable, platform::PathToUtf8(moduleDir));
    return false;
  }
  journal.phase = StoreJournal::Phase::Moving;
  if (!WriteStoreJournal(moduleDir, journal)) {
    DiscardNextManifest(moduleDir);
    report = Failure(ExtractResult::StoreNotWritable, platform::PathToUtf8(moduleDir));
    return false;
  }
  const MoveResult moved = PlaceStagedFiles(journal, unmovable, report.detail);
  if (moved == MoveResult::Killed) {
    keepJournal = true;
    report.result = ExtractResult::Stopped;
    return false;
  }
  if (moved != MoveResult::Ok) {
    if (RollBack(journal)) {
      DiscardNextManifest(moduleDir);
    } else {
      keepJournal = true;  // the next start finishes it, the manifest with it
    }
    report.result = moved == MoveResult::NoSpace ? ExtractResult::NoSpace
                    : moved == MoveResult::Held  ? ExtractResult::FileHeld
                                                 : ExtractResult::StoreNotWritable;
    return false;
  }
  SyncTouchedFolders(journal);
  // The report is owed from here on: recorded before the journal closes.
  AddPendingResult(moduleDir, journal.updateCode);
  PromoteManifest(moduleDir, journal);
  // Once committed only the folders are left to remove: the file list need not be rewritten.
  StoreJournal committed = journal;
  committed.phase = StoreJournal::Phase::Committed;
  committed.files.clear();
  WriteStoreJournal(moduleDir, committed);
  const auto killAfter = test_hooks::KillAfterFiles();
  if (killAfter && *killAfter > journal.files.size()) {
    keepJournal = true;
    report.result = ExtractResult::Stopped;
    return false;
  }
  report.filesInstalled = journal.files.size();
  for (const auto& file : journal.files) report.installed.push_back(file.relative);
  return true;
}

std::string Megabytes(std::uint64_t bytes, bool roundUp) {
  constexpr std::uint64_t kMB = 1024 * 1024;
  return std::to_string(bytes / kMB + (roundUp && bytes % kMB ? 1 : 0));
}

}  // namespace

std::string DiskSpaceShortText(const ExtractReport& report) {
  return text::kDiskSpaceShort + report.detail + " (" + Megabytes(report.neededBytes, true) +
         text::kDiskSpaceNeeded + Megabytes(report.freeBytes, false) + text::kDiskSpaceLeft;
}

ExtractReport InstallPackage(const fs::path& archive, const fs::path& songFolder,
                             const fs::path& moduleDir, const std::function<void(int)>& onPercent,
                             std::stop_token stop, const ExtractOptions& options) {
  ExtractReport report;
  Package package;
  if (!VetPackage(archive, songFolder, moduleDir, options, stop, package, report)) return report;
  StoreJournal journal;
  journal.updateCode = options.updateCode;
  if (!OpenJournal(journal, songFolder, moduleDir, package, report)) return report;

  bool keepJournal = false;      // a simulated kill leaves everything as a real one would
  std::set<fs::path> unmovable;  // top folders holding links or special files
  const bool done = Unpack(package, archive, journal, onPercent, stop, report) &&
                    ScanStaging(journal.staging, journal.files, unmovable, report) &&
                    CommitToStore(journal, unmovable, package, moduleDir, report, keepJournal);
  if (!keepJournal) CloseJournal(moduleDir, journal);
  if (done && onPercent) onPercent(100);  // 7-Zip does not print 100% for small archives
  return report;
}

}  // namespace orvik
