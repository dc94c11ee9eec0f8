#include "update/package_extractor.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <iterator>
#include <set>
#include <string>
#include <system_error>
#include <vector>

#include "platform/path_text.h"
#include "platform/process.h"
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
// so an inventory running meanwhile never counts half-unpacked files.
fs::path WorkFolder(const fs::path& songFolder, const fs::path& moduleDir, const char* suffix) {
  fs::path store = songFolder.lexically_normal();
  if (store.filename().empty()) store = store.parent_path();
  const fs::path parent = store.parent_path();
  std::error_code ec;
  if (!parent.empty() && parent != store && fs::is_directory(parent, ec)) {
    const fs::path probe = parent / (store.filename().string() + suffix);
    fs::create_directories(probe, ec);
    if (!ec) return probe;
  }
  return moduleDir / (std::string("package") + suffix);
}

// Moves `from` to `to`, across volumes when it must.
bool MoveEntry(const fs::path& from, const fs::path& to) {
  std::error_code ec;
  fs::rename(from, to, ec);
  if (!ec) return true;
  if (ec != std::errc::cross_device_link) return false;
  fs::copy_file(from, to, fs::copy_options::overwrite_existing, ec);
  if (ec) return false;
  fs::remove(from, ec);
  return true;
}

// 7-Zip's listing, for archives the zip reader leaves alone.
std::vector<ZipEntryName> ListEntries(const fs::path& sevenZip, const fs::path& archive,
                                      int& exitCode, std::stop_token stop) {
  std::string listing;
  exitCode = platform::RunAndCapture(
      {sevenZip.string(), "l", "-slt", "-ba", archive.string()},
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

struct PlacedFile {
  fs::path target;
  fs::path backup;      // empty when nothing was there before
  bool folder = false;  // a whole folder that was not in the store
};

// The first component of a relative path when it names a folder ("K1000" of
// "K1000/01234.sgd"); empty for a file at the top.
fs::path TopFolder(const fs::path& rel) {
  auto it = rel.begin();
  if (it == rel.end() || std::next(it) == rel.end()) return {};
  return *it;
}

// Puts the staged files in place; on the first failure takes every placed file back.
// A top folder the store does not have yet (a new thousand-block) moves in with one rename
// instead of one per song, unless it holds something other than files and folders.
bool PlaceFiles(const std::vector<fs::path>& relative, const std::set<fs::path>& unmovable,
                const fs::path& staging, const fs::path& store, const fs::path& backupRoot,
                std::string& failedPath) {
  std::vector<PlacedFile> placed;
  std::error_code ec;
  bool ok = true;
  fs::path madeParent;
  for (std::size_t i = 0; i < relative.size() && ok;) {
    const fs::path top = TopFolder(relative[i]);
    if (!top.empty() && !unmovable.contains(top)) {
      const fs::path target = store / top;
      if (!fs::exists(fs::symlink_status(target, ec)) && MoveEntry(staging / top, target)) {
        placed.push_back({target, {}, true});
        while (i < relative.size() && TopFolder(relative[i]) == top) ++i;
        continue;
      }
    }
    const fs::path& rel = relative[i++];
    const fs::path target = store / rel;
    PlacedFile entry{target, {}};
    if (target.parent_path() != madeParent) {
      fs::create_directories(target.parent_path(), ec);
      madeParent = target.parent_path();
    }
    const auto existing = fs::symlink_status(target, ec);
    if (fs::is_directory(existing)) {  // never replace a folder of the store by a file
      ok = false;
      failedPath = target.string();
      break;
    }
    if (fs::exists(existing)) {
      entry.backup = backupRoot / rel;
      fs::create_directories(entry.backup.parent_path(), ec);
      if (!MoveEntry(target, entry.backup)) {
        ok = false;
        failedPath = target.string();
        break;
      }
    }
    if (!MoveEntry(staging / rel, target)) {
      if (!entry.backup.empty()) MoveEntry(entry.backup, target);
      ok = false;
      failedPath = target.string();
      break;
    }
    placed.push_back(std::move(entry));
  }
  if (ok) return true;
  for (auto it = placed.rbegin(); it != placed.rend(); ++it) {
    if (it->folder) {
      fs::remove_all(it->target, ec);
      continue;
    }
    fs::remove(it->target, ec);
    if (!it->backup.empty()) MoveEntry(it->backup, it->target);
  }
  return false;
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
    report.detail = archive.string();
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

  const fs::path staging = WorkFolder(songFolder, moduleDir, ".unpacking");
  const fs::path backup = WorkFolder(songFolder, moduleDir, ".replaced");
  fs::remove_all(staging, ec);  // left over from an interrupted run
  fs::remove_all(backup, ec);
  fs::create_directories(staging, ec);
  struct Cleanup {
    fs::path a, b;
    ~Cleanup() {
      std::error_code e;
      fs::remove_all(a, e);
      fs::remove_all(b, e);
    }
  } cleanup{staging, backup};

  SevenZipProgressParser parser;
  report.exitCode = platform::RunAndCapture(
      {sevenZip->string(), "x", "-mmt=on", archive.string(), "-o" + staging.string(), "-aoa",
       "-bsp1"},
      [&](std::string_view chunk) { parser.Feed(chunk, onPercent); }, stop);
  if (stop.stop_requested()) {
    report.result = ExtractResult::Stopped;
    return report;
  }
  if (report.exitCode != 0) {
    report.result = ExtractResult::ArchiveBroken;
    return report;
  }

  std::vector<fs::path> files;
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
      files.push_back(rel);
    } else if (!it->is_directory(ec)) {
      unmovable.insert(TopFolder(rel));
    }
  }
  if (ec) {
    report.result = ExtractResult::ArchiveBroken;
    report.detail = ec.message();
    return report;
  }
  std::sort(files.begin(), files.end());
  for (const auto& rel : files) {
    if (rel.empty() || !IsSafeEntryName(rel.generic_string())) {
      report.result = ExtractResult::UnsafeEntry;
      report.detail = rel.string();
      return report;
    }
  }

  fs::create_directories(songFolder, ec);
  if (!PlaceFiles(files, unmovable, staging, songFolder, backup, report.detail)) {
    report.result = ExtractResult::StoreNotWritable;
    return report;
  }
  report.filesInstalled = files.size();
  if (onPercent) onPercent(100);  // 7-Zip does not print 100% for small archives
  return report;
}

}  // namespace orvik
