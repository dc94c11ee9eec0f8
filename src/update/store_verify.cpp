#include "update/store_verify.h"

#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <mutex>
#include <system_error>

#include "core/log.h"
#include "core/update_history.h"
#include "core/user_texts.h"
#include "library/song_store.h"
#include "platform/background_priority.h"
#include "platform/durable_files.h"
#include "platform/files.h"
#include "platform/local_time.h"
#include "platform/path_text.h"
#include "update/store_journal.h"
#include "update/store_manifest.h"

namespace fs = std::filesystem;

namespace orvik {
namespace {

constexpr std::size_t kReadBlock = 256 * 1024;

struct Check {
  std::string path;
  const ManifestEntry* entry = nullptr;  // null: not listed
  std::uint64_t size = 0;                // as listed, else as found
};

bool IsSongName(std::string_view name) {
  if (name.size() < 4) return false;
  std::string ext(name.substr(name.size() - 4));
  for (char& c : ext) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
  return ext == ".sgd";
}

// Every listed song, and every song file on disk the manifest does not list, by path.
std::vector<Check> ChecksFor(const fs::path& store, const StoreManifest& manifest) {
  std::vector<Check> checks;
  checks.reserve(manifest.Entries().size());
  for (const auto& e : manifest.Entries()) checks.push_back({e.path, &e, e.size});
  ForEachStoreFile(store, [&](const fs::directory_entry& file) {
    const std::string name = platform::PathToUtf8(file.path().filename());
    if (!IsSongName(name)) return;
    std::string rel =
        platform::PathToUtf8(file.path().lexically_relative(store).generic_u8string());
    if (manifest.Find(rel)) return;
    std::error_code ec;
    const auto size = file.file_size(ec);
    checks.push_back({std::move(rel), nullptr, ec ? 0 : size});
  });
  std::sort(checks.begin(), checks.end(),
            [](const Check& a, const Check& b) { return a.path < b.path; });
  return checks;
}

// Reads the whole file; its CRC-32 and length, or nothing when a read failed.
struct ReadOutcome {
  bool read = false;
  std::uint64_t length = 0;
  std::uint32_t crc = 0;
};
ReadOutcome ReadWhole(const fs::path& file, std::vector<unsigned char>& buffer,
                      VerifyProgress& progress) {
  ReadOutcome out;
  std::FILE* f = platform::OpenFileStream(file, "rb");
  if (!f) return out;
  std::setvbuf(f, nullptr, _IONBF, 0);  // straight into our buffer
  uLong crc = crc32(0L, Z_NULL, 0);
  std::size_t got = 0;
  while ((got = std::fread(buffer.data(), 1, buffer.size(), f)) > 0) {
    crc = crc32(crc, buffer.data(), static_cast<uInt>(got));
    out.length += got;
    progress.bytesChecked += got;
  }
  out.read = !std::ferror(f);
  std::fclose(f);
  out.crc = static_cast<std::uint32_t>(crc);
  return out;
}

std::optional<Damage> CheckOne(const fs::path& store, const Check& check,
                               std::vector<unsigned char>& buffer, VerifyProgress& progress,
                               const VerifyOptions& options) {
  const fs::path file = store / platform::PathFromUtf8(check.path);
  std::error_code ec;
  const auto status = fs::symlink_status(file, ec);
  if (!fs::exists(status)) return Damage::Missing;
  if (!fs::is_regular_file(status)) return Damage::NotAFile;
  const auto size = fs::file_size(file, ec);
  if (ec) return Damage::Unreadable;
  if (size == 0) return Damage::Empty;
  if (check.entry && size != check.entry->size) return Damage::SizeDiffers;
  if (options.unreadableForTest.contains(check.path)) return Damage::Unreadable;
  const ReadOutcome read = ReadWhole(file, buffer, progress);
  if (!read.read) return Damage::Unreadable;
  if (read.length != size) return Damage::SizeDiffers;  // changed while it was read
  if (check.entry && check.entry->crc32 && *check.entry->crc32 != read.crc)
    return Damage::CrcDiffers;
  return std::nullopt;
}

std::string Stamp() { return platform::LocalTimeText("%Y%m%d-%H%M%S"); }

// A new folder under the quarantine root; empty when none could be made.
fs::path NewQuarantineFolder(const fs::path& root) {
  std::error_code ec;
  fs::create_directories(root, ec);
  const std::string stamp = Stamp();
  for (int n = 1; n < 100; ++n) {
    const fs::path folder = root / (n == 1 ? stamp : stamp + "-" + std::to_string(n));
    if (fs::create_directory(folder, ec)) return folder;
  }
  return {};
}

// Moves the damaged songs into the quarantine, after writing their list beside it.
void SetAside(const fs::path& store, const fs::path& moduleDir, VerifyResult& result,
              const VerifyOptions& options) {
  std::vector<fs::path> forget;
  const bool anyToMove = std::any_of(result.damaged.begin(), result.damaged.end(),
                                     [](const auto& d) { return d.damage != Damage::Missing; });
  fs::path folder;
  if (anyToMove) {
    folder = NewQuarantineFolder(QuarantineRoot(store));
    std::string list;
    for (const auto& d : result.damaged)
      list.append(DamageText(d.damage)).append("\t").append(d.path).append("\n");
    if (folder.empty() ||
        !platform::WriteFileAtomically(fs::path(folder).concat(".txt"), list)) {
      logging::Error("verify: the quarantine beside " + platform::PathToUtf8(store) +
                     " could not be made; damaged songs stay in the store");
      folder.clear();
    }
    platform::SyncFolder(folder.parent_path());
    result.quarantine = folder;
  }
  std::size_t moves = 0;
  for (auto& d : result.damaged) {
    const fs::path from = store / platform::PathFromUtf8(d.path);
    if (d.damage == Damage::Missing) {
      d.setAside = true;
      forget.push_back(from);
      continue;
    }
    if (folder.empty()) continue;
    if (options.killAfterMoves && moves >= *options.killAfterMoves) {
      result.killed = true;
      return;  // as a kill: the manifest still lists them
    }
    const fs::path to = folder / platform::PathFromUtf8(d.path);
    std::error_code ec;
    fs::create_directories(to.parent_path(), ec);
    // A song file waits out a player or a scanner holding it, and across volumes it is
    // copied, flushed and only then removed; a folder in a song's place is only renamed.
    platform::MoveOutcome moved = platform::MoveOutcome::Failed;
    if (fs::is_regular_file(fs::symlink_status(from, ec))) {
      moved = platform::MoveReplacing(from, to);
    } else {
      fs::rename(from, to, ec);
      if (!ec) moved = platform::MoveOutcome::Ok;
    }
    d.setAside = moved == platform::MoveOutcome::Ok;
    ++moves;
    if (d.setAside) forget.push_back(from);
    logging::Warning("verify: " + d.path + " " + DamageText(d.damage) +
                     (d.setAside                               ? ", set aside"
                      : moved == platform::MoveOutcome::Held ? ", held by another program"
                                                               : ", could not be set aside"));
  }
  if (!folder.empty()) {
    platform::SyncFolder(folder);
    platform::SyncFolder(store);
  }
  if (!ForgetStoreFiles(moduleDir, store, forget))
    logging::Error("verify: the manifest could not be saved");
}

std::string Figures(std::uint64_t value) {
  std::string digits = std::to_string(value);
  for (int at = static_cast<int>(digits.size()) - 3; at > 0; at -= 3) digits.insert(at, ",");
  return digits;
}

}  // namespace

const char* DamageText(Damage damage) {
  switch (damage) {
    case Damage::Missing:
      return "missing";
    case Damage::Empty:
      return "size 0";
    case Damage::SizeDiffers:
      return "size differs";
    case Damage::CrcDiffers:
      return "CRC-32 differs";
    case Damage::NotAFile:
      return "not a file";
    case Damage::Unreadable:
      return "unreadable";
  }
  return "?";
}

bool VerifyResult::AllSetAside() const {
  return std::all_of(damaged.begin(), damaged.end(), [](const auto& d) { return d.setAside; });
}

fs::path QuarantineRoot(const fs::path& songFolder) {
  fs::path store = NormalStorePath(songFolder);
  return store.concat(".quarantine");
}

namespace {

// The check's line in the update history: the songs set aside count as removed, and the
// outcome names the damaged ones and why.
void AppendVerifyHistory(const fs::path& moduleDir, const VerifyResult& r) {
  HistoryEntry line;
  line.kind = HistoryKind::Verify;
  line.songsChecked = r.songsChecked;
  line.checkMs = static_cast<std::int64_t>(r.seconds * 1000);
  for (const auto& d : r.damaged) {
    const auto number = SongNumberOfFile(platform::PathFromUtf8(d.path));
    if (d.setAside && number) line.removed.push_back(*number);
  }
  if (r.cancelled || !r.damaged.empty()) {
    line.outcome.clear();
    for (const std::string& part : VerifySummary(r))
      line.outcome += (line.outcome.empty() ? "" : "; ") + part.substr(part.find_first_not_of(' '));
  }
  AppendHistory(moduleDir, std::move(line));
}

}  // namespace

VerifyResult VerifyStore(const fs::path& moduleDir, const fs::path& songFolder,
                         const VerifyOptions& options) {
  VerifyResult result;
  const auto started = std::chrono::steady_clock::now();
  std::error_code ec;
  if (songFolder.empty() || !fs::is_directory(songFolder, ec)) {
    logging::Warning("verify: the song folder is not there (" + platform::PathToUtf8(songFolder) +
                     ")");
    return result;
  }
  result.storeFound = true;
  platform::BackgroundPriority background;
  const fs::path store = NormalStorePath(songFolder);
  const ManifestLoad load = LoadStoreManifest(moduleDir, store);
  if (!load.logLine.empty()) {
    result.manifestNote = load.logLine;
    logging::Warning(load.logLine);
  }
  const std::vector<Check> checks = ChecksFor(store, load.manifest);
  VerifyProgress progress;
  progress.songsTotal = checks.size();
  for (const auto& check : checks) progress.bytesTotal += check.size;
  logging::Info("verify: " + Figures(checks.size()) + " songs, " +
                Figures(progress.bytesTotal / (1024 * 1024)) + " MB in " +
                platform::PathToUtf8(store) + (background.Lowered() ? "" : " (normal priority)"));

  std::vector<unsigned char> buffer(kReadBlock);
  for (const auto& check : checks) {
    if (options.stop.stop_requested()) {
      result.cancelled = true;
      break;
    }
    const auto damage = CheckOne(store, check, buffer, progress, options);
    if (damage) result.damaged.push_back({check.path, *damage});
    if (!check.entry || !check.entry->crc32) ++result.unverified;
    ++progress.songsChecked;
    if (options.onProgress) options.onProgress(progress);
  }
  result.songsChecked = progress.songsChecked;
  result.bytesChecked = progress.bytesChecked;
  if (!result.damaged.empty()) SetAside(store, moduleDir, result, options);
  result.seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  for (const std::string& line : VerifySummary(result))
    (result.damaged.empty() ? logging::Info : logging::Warning)("verify: " + line);
  if (!result.killed) AppendVerifyHistory(moduleDir, result);  // a simulated kill writes nothing
  return result;
}

std::vector<std::string> VerifySummary(const VerifyResult& r) {
  std::vector<std::string> lines;
  if (!r.storeFound) {
    lines.push_back(text::kSongFolderNotFound);
    return lines;
  }
  std::string head = Figures(r.songsChecked) + text::kVerifySongsChecked;
  if (r.unverified) head += " (" + Figures(r.unverified) + text::kVerifyUnverified + ")";
  head += ", " + Figures(r.damaged.size()) + text::kVerifyDamaged;
  if (r.cancelled) head += text::kVerifyCancelled;
  if (!r.quarantine.empty()) head += text::kVerifySetAsideIn + platform::PathToUtf8(r.quarantine);
  lines.push_back(head);
  for (const auto& d : r.damaged)
    lines.push_back("  " + d.path + ": " + DamageText(d.damage) +
                    (d.setAside ? "" : text::kVerifyNotSetAside));
  return lines;
}

}  // namespace orvik
