#include "update/package_extractor.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <random>
#include <set>
#include <string>
#include <system_error>
#include <vector>

#include "platform/path_text.h"
#include "platform/process.h"
#include "update/pending_result.h"
#include "update/store_journal.h"
#include "update/store_move.h"
#include "update/zip_directory.h"

namespace fs = std::filesystem;

namespace orvik {
namespace {

bool IsExecutableFile(const fs::path& p) {
  std::error_code ec;
  return fs::is_regular_file(p, ec) &&
         (fs::status(p, ec).permissions() & fs::perms::owner_exec) != fs::perms::none;
}

// Staging and backup beside the store (same volume, so moves are renames) and outside it,
// so an inventory running meanwhile never counts half-unpacked files. Each update makes its
// own, under a name no other update (or another launcher) uses.
fs::path MakeWorkFolder(const fs::path& songFolder, const fs::path& moduleDir, const char* suffix,
                        const std::string& tag) {
  fs::path store = songFolder.lexically_normal();
  if (store.filename().empty()) store = store.parent_path();
  const fs::path parent = store.parent_path();
  std::error_code ec;
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::string name = std::string(suffix) + "-" + tag + "-" + std::to_string(attempt);
    if (!parent.empty() && parent != store) {
      fs::path beside = parent / store.filename();
      beside += platform::PathFromUtf8(name);
      if (fs::create_directory(beside, ec)) return beside;  // false: there already
    }
    const fs::path inModule = moduleDir / platform::PathFromUtf8("package" + name);
    if (fs::create_directory(inModule, ec)) return inModule;
  }
  return {};
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
      names.push_back({std::string(line.substr(7)), false});
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

bool IsSafeEntryName(std::string_view name) {
  if (name.empty()) return false;
  if (name.front() == '/' || name.front() == '\\') return false;
  if (name.size() >= 2 && name[1] == ':') return false;  // drive letter
  std::size_t start = 0;
  while (start <= name.size()) {
    auto end = name.find_first_of("/\\", start);
    if (end == std::string_view::npos) end = name.size();
    if (name.substr(start, end - start) == "..") return false;
    start = end + 1;
  }
  return true;
}

ExtractReport InstallPackage(const fs::path& archive, const fs::path& songFolder,
                             const fs::path& moduleDir, const std::function<void(int)>& onPercent,
                             std::stop_token stop, const ExtractOptions& options) {
  ExtractReport report;
  std::error_code ec;
  if (!fs::is_regular_file(archive, ec)) {
    report.result = ExtractResult::NoArchive;
    report.detail = platform::PathToUtf8(archive);
    return report;
  }
  std::optional<fs::path> sevenZip;
  if (options.sevenZip.empty()) {
    sevenZip = FindSevenZip(moduleDir);
  } else if (IsExecutableFile(options.sevenZip)) {
    sevenZip = options.sevenZip;
  }
  if (!sevenZip) {
    report.result = ExtractResult::NoSevenZip;
    return report;
  }

  // Refuse the whole package when any entry would leave the song folder or is a link,
  // before anything is unpacked. Zip directories are read here; 7-Zip lists the rest.
  auto entries = ReadZipEntryNames(archive);
  if (!entries) {
    int listExit = 0;
    entries = ListEntries(*sevenZip, archive, listExit, stop);
    if (stop.stop_requested()) {
      report.result = ExtractResult::Stopped;
      return report;
    }
    if (listExit != 0) {
      report.result = ExtractResult::ArchiveBroken;
      report.exitCode = listExit;
      return report;
    }
  }
  for (const auto& entry : *entries) {
    if (entry.isLink || !IsSafeEntryName(entry.name)) {
      report.result = ExtractResult::UnsafeEntry;
      report.detail = entry.name;
      return report;
    }
  }

  // The store must be there: a disk that is not mounted is never replaced by a new folder.
  if (!fs::is_directory(songFolder, ec)) {
    report.result = ExtractResult::NoSongFolder;
    report.detail = platform::PathToUtf8(songFolder);
    return report;
  }
  StoreJournal journal;
  journal.store = songFolder;
  journal.updateCode = options.updateCode;
  const std::string tag = UniqueTag();
  journal.staging = MakeWorkFolder(songFolder, moduleDir, ".unpacking", tag);
  journal.backup = MakeWorkFolder(songFolder, moduleDir, ".replaced", tag);
  // Recorded before 7-Zip writes anything, so a kill meanwhile leaves nothing unnamed.
  if (journal.staging.empty() || journal.backup.empty() || !WriteStoreJournal(moduleDir, journal)) {
    fs::remove(journal.staging, ec);
    fs::remove(journal.backup, ec);
    report.result = ExtractResult::StoreNotWritable;
    report.detail = platform::PathToUtf8(moduleDir);
    return report;
  }
  const fs::path& staging = journal.staging;
  bool keepJournal = false;  // a simulated kill leaves everything as a real one would
  struct Cleanup {
    const fs::path& moduleDir;
    const StoreJournal& journal;
    const bool& keep;
    ~Cleanup() {
      if (!keep) CloseJournal(moduleDir, journal);
    }
  } cleanup{moduleDir, journal, keepJournal};

  SevenZipProgressParser parser;
  report.exitCode = platform::RunAndCapture(
      {platform::PathToUtf8(*sevenZip), "x", "-mmt=on", platform::PathToUtf8(archive),
       "-o" + platform::PathToUtf8(staging), "-aoa", "-bsp1"},
      [&](std::string_view chunk) { parser.Feed(chunk, onPercent); }, stop);
  if (stop.stop_requested()) {
    report.result = ExtractResult::Stopped;
    return report;
  }
  if (report.exitCode != 0) {
    report.result = ExtractResult::ArchiveBroken;
    return report;
  }

  std::vector<StoreJournal::File> files;
  std::set<fs::path> unmovable;  // top folders holding links or special files
  for (auto it = fs::recursive_directory_iterator(staging, ec);
       !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
    const fs::path rel = it->path().lexically_relative(staging);
    if (it->is_symlink(ec)) {
      it.disable_recursion_pending();
      unmovable.insert(TopFolder(rel));
      continue;  // only regular files are installed; a link could point anywhere
    }
    if (it->is_regular_file(ec)) {
      files.push_back({rel, it->file_size(ec)});
    } else if (!it->is_directory(ec)) {
      unmovable.insert(TopFolder(rel));
    }
  }
  if (ec) {
    report.result = ExtractResult::ArchiveBroken;
    report.detail = ec.message();
    return report;
  }
  std::sort(files.begin(), files.end(),
            [](const auto& a, const auto& b) { return a.relative < b.relative; });
  for (const auto& file : files) {
    if (file.relative.empty() || !IsSafeEntryName(platform::PathToUtf8(file.relative))) {
      report.result = ExtractResult::UnsafeEntry;
      report.detail = platform::PathToUtf8(file.relative);
      return report;
    }
  }

  journal.files = std::move(files);
  journal.phase = StoreJournal::Phase::Moving;
  if (!WriteStoreJournal(moduleDir, journal)) {
    report.result = ExtractResult::StoreNotWritable;
    report.detail = platform::PathToUtf8(moduleDir);
    return report;
  }
  const MoveResult moved =
      PlaceStagedFiles(journal, unmovable, report.detail, options.killAfterFiles);
  if (moved == MoveResult::Killed) {
    keepJournal = true;
    report.result = ExtractResult::Stopped;
    return report;
  }
  if (moved != MoveResult::Ok) {
    // Backups stay, with the journal, when an old version could not be put back.
    if (!RollBack(journal)) keepJournal = true;
    report.result =
        moved == MoveResult::NoSpace ? ExtractResult::NoSpace : ExtractResult::StoreNotWritable;
    return report;
  }
  SyncTouchedFolders(journal);
  // The report is owed from here on: recorded before the journal closes.
  AddPendingResult(moduleDir, journal.updateCode);
  // Once committed only the folders are left to remove: the file list need not be rewritten.
  StoreJournal committed = journal;
  committed.phase = StoreJournal::Phase::Committed;
  committed.files.clear();
  WriteStoreJournal(moduleDir, committed);
  if (options.killAfterFiles && *options.killAfterFiles > journal.files.size()) {
    keepJournal = true;
    report.result = ExtractResult::Stopped;
    return report;
  }
  report.filesInstalled = journal.files.size();
  if (onPercent) onPercent(100);  // 7-Zip does not print 100% for small archives
  return report;
}

}  // namespace orvik
