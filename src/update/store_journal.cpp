#include "update/store_journal.h"

#include <charconv>
#include <system_error>

#include "platform/durable_files.h"
#include "platform/files.h"
#include "platform/path_text.h"
#include "update/entry_name.h"
#include "update/line_value.h"

namespace fs = std::filesystem;

namespace orvik {
namespace {

// Version 1 wrote values as they were; version 2 escapes them (a code may hold a line break).
constexpr std::string_view kHeaderV1 = "orvik store journal 1";
constexpr std::string_view kHeader = "orvik store journal 2";
constexpr std::string_view kTrailer = "end";
constexpr const char* kStagingKind = ".unpacking";
constexpr const char* kBackupKind = ".replaced";
constexpr const char* kModuleWorkPrefix = "package";

const char* PhaseName(StoreJournal::Phase phase) {
  switch (phase) {
    case StoreJournal::Phase::Unpacking:
      return "unpacking";
    case StoreJournal::Phase::Moving:
      return "moving";
    case StoreJournal::Phase::Committed:
      return "committed";
  }
  return "";
}

std::optional<StoreJournal::Phase> PhaseFrom(std::string_view name) {
  if (name == "unpacking") return StoreJournal::Phase::Unpacking;
  if (name == "moving") return StoreJournal::Phase::Moving;
  if (name == "committed") return StoreJournal::Phase::Committed;
  return std::nullopt;
}

bool IsHex(std::string_view s) {
  return s.find_first_not_of("0123456789abcdef") == std::string_view::npos;
}

// "-<16 hex digits>-<attempt>" after the kind: the tag, or nothing.
std::optional<std::string> TagOf(std::string_view rest) {
  if (rest.size() < 19 || rest[0] != '-' || rest[17] != '-') return std::nullopt;
  const std::string_view tag = rest.substr(1, 16), attempt = rest.substr(18);
  if (!IsHex(tag) || attempt.empty() || attempt.size() > 2 ||
      attempt.find_first_not_of("0123456789") != std::string_view::npos)
    return std::nullopt;
  return std::string(tag);
}

// The tag of a work folder of `kind` that sits where the launcher makes them, or nothing.
std::optional<std::string> WorkFolderTag(const fs::path& folder, const fs::path& store,
                                         const fs::path& moduleDir, std::string_view kind) {
  const fs::path parent = folder.parent_path();
  const std::string name = platform::PathToUtf8(folder.filename());
  for (const auto& [place, prefix] :
       {std::pair{store.parent_path(), platform::PathToUtf8(store.filename())},
        std::pair{moduleDir.empty() ? fs::path() : NormalStorePath(moduleDir),
                  std::string(kModuleWorkPrefix)}}) {
    if (place.empty() || parent != place || prefix.empty()) continue;
    const std::string head = prefix + std::string(kind);
    if (name.size() > head.size() && name.compare(0, head.size(), head) == 0)
      return TagOf(std::string_view(name).substr(head.size()));
  }
  return std::nullopt;
}

std::string MarkerText(const fs::path& folder) {
  return "orvik work folder " + platform::PathToUtf8(folder.filename()) + "\n";
}

struct Lines {
  std::string_view text;
  std::size_t pos = 0;
  // False at the end, and for a last line without its line feed (a torn write).
  bool Next(std::string_view& line) {
    const auto end = text.find('\n', pos);
    if (end == std::string_view::npos) return false;
    line = text.substr(pos, end - pos);
    pos = end + 1;
    return true;
  }
};

std::optional<StoreJournal> Fail(std::string* why, std::string reason) {
  if (why) *why = std::move(reason);
  return std::nullopt;
}

bool ParseFileEntry(std::string_view value, bool escaped, StoreJournal::File& file,
                    std::string& name) {
  const auto gap = value.find(' ');
  if (gap == std::string_view::npos || gap == 0) return false;
  const auto [end, ec] = std::from_chars(value.data(), value.data() + gap, file.size);
  if (ec != std::errc() || end != value.data() + gap) return false;
  const std::string_view raw = value.substr(gap + 1);
  auto text = escaped ? UnescapeLineValue(raw) : std::optional<std::string>(raw);
  if (!text) return false;
  name = std::move(*text);
  if (!IsSafeStoreFileName(name)) return false;
  file.relative = platform::PathFromUtf8(name);
  return !file.relative.empty();
}

// The folders a journal names: the store absolute, the work folders where the launcher
// makes them, both of the same update.
std::optional<StoreJournal> CheckFolders(StoreJournal journal, const fs::path& moduleDir,
                                         std::string* why) {
  if (journal.store.empty() || journal.staging.empty() || journal.backup.empty())
    return Fail(why, "a folder is missing");
  if (!journal.store.is_absolute()) return Fail(why, "the store is not an absolute path");
  journal.store = NormalStorePath(journal.store);
  const std::string storeName = platform::PathToUtf8(journal.store.filename());
  if (storeName.empty() || storeName == "." || storeName == "..")
    return Fail(why, "the store is a root or relative folder");
  journal.staging = journal.staging.lexically_normal();
  journal.backup = journal.backup.lexically_normal();
  const auto stagingTag = WorkFolderTag(journal.staging, journal.store, moduleDir, kStagingKind);
  const auto backupTag = WorkFolderTag(journal.backup, journal.store, moduleDir, kBackupKind);
  if (!stagingTag) return Fail(why, "the staging folder is not one the launcher makes");
  if (!backupTag) return Fail(why, "the backup folder is not one the launcher makes");
  if (*stagingTag != *backupTag) return Fail(why, "the work folders are of two updates");
  return journal;
}

}  // namespace

fs::path StoreJournalPath(const fs::path& moduleDir) { return moduleDir / "store.journal"; }

fs::path NormalStorePath(const fs::path& songFolder) {
  if (songFolder.empty()) return {};
  std::error_code ec;
  fs::path store = songFolder.is_absolute() ? songFolder : fs::absolute(songFolder, ec);
  if (ec) return {};
  store = store.lexically_normal();
  if (store.filename().empty() && store.has_relative_path()) store = store.parent_path();
  return store;
}

bool IsSafeStoreFileName(std::string_view name) {
  if (!IsSafeEntryName(name) || !platform::IsValidUtf8(name)) return false;
  if (name.find('\0') != std::string_view::npos) return false;
  std::size_t start = 0;
  while (start <= name.size()) {
    auto end = name.find_first_of("/\\", start);
    if (end == std::string_view::npos) end = name.size();
    const std::string_view part = name.substr(start, end - start);
    if (part.empty() || part == ".") return false;
    if (start == 0 && end == name.size() && part == kWorkFolderMarker) return false;
    start = end + 1;
  }
  return true;
}

std::string SerializeJournal(const StoreJournal& journal) {
  std::string out;
  out.reserve(64 + journal.files.size() * 32);
  out.append(kHeader).append("\nphase ").append(PhaseName(journal.phase));
  out.append("\nstore ").append(EscapeLineValue(platform::PathToUtf8(journal.store)));
  out.append("\nstaging ").append(EscapeLineValue(platform::PathToUtf8(journal.staging)));
  out.append("\nbackup ").append(EscapeLineValue(platform::PathToUtf8(journal.backup)));
  out.append("\ncode ").append(EscapeLineValue(journal.updateCode)).append("\n");
  for (const auto& file : journal.files) {
    out.append("file ").append(std::to_string(file.size)).append(" ");
    out.append(EscapeLineValue(platform::PathToUtf8(file.relative.generic_u8string())));
    out.append("\n");
  }
  out.append(kTrailer).append("\n");
  return out;
}

std::optional<StoreJournal> ParseJournal(std::string_view text, const fs::path& moduleDir,
                                         std::string* why) {
  Lines lines{text};
  std::string_view line;
  if (!lines.Next(line) || (line != kHeader && line != kHeaderV1))
    return Fail(why, "no journal header");
  const bool escaped = line == kHeader;
  StoreJournal journal;
  bool phase = false, ended = false, code = false;
  while (!ended && lines.Next(line)) {
    if (line == kTrailer) {
      ended = true;
      continue;
    }
    const auto space = line.find(' ');
    if (space == std::string_view::npos) return Fail(why, "a line without a value");
    const std::string_view key = line.substr(0, space), raw = line.substr(space + 1);
    if (key == "file") {
      StoreJournal::File file;
      std::string name;
      if (!ParseFileEntry(raw, escaped, file, name))
        return Fail(why, "a file entry outside the store: " + std::string(raw));
      journal.files.push_back(std::move(file));
      continue;
    }
    auto value = escaped ? UnescapeLineValue(raw) : std::optional<std::string>(raw);
    if (!value) return Fail(why, "a damaged value of " + std::string(key));
    // Each of these once: a second store or folder would be a hand edit.
    if (key == "phase" && !phase) {
      const auto parsed = PhaseFrom(*value);
      if (!parsed) return Fail(why, "an unknown phase");
      journal.phase = *parsed;
      phase = true;
    } else if (key == "store" && journal.store.empty()) {
      journal.store = platform::PathFromUtf8(*value);
    } else if (key == "staging" && journal.staging.empty()) {
      journal.staging = platform::PathFromUtf8(*value);
    } else if (key == "backup" && journal.backup.empty()) {
      journal.backup = platform::PathFromUtf8(*value);
    } else if (key == "code" && !code) {
      journal.updateCode = std::move(*value);
      code = true;
    } else {
      return Fail(why, "an unknown or repeated line: " + std::string(key));
    }
  }
  if (!ended || lines.pos != text.size()) return Fail(why, "the journal is torn");
  if (!phase) return Fail(why, "no phase");
  return CheckFolders(std::move(journal), moduleDir, why);
}

bool WriteStoreJournal(const fs::path& moduleDir, const StoreJournal& journal) {
  const std::string text = SerializeJournal(journal);
  const auto back = ParseJournal(text, moduleDir);
  if (!back || back->files.size() != journal.files.size()) return false;
  return platform::WriteFileAtomically(StoreJournalPath(moduleDir), text) &&
         platform::SyncFolder(moduleDir);
}

std::optional<StoreJournal> ReadStoreJournal(const fs::path& moduleDir, std::string* why) {
  const auto bytes = platform::ReadFileBytes(StoreJournalPath(moduleDir));
  if (!bytes) return Fail(why, "the journal cannot be read");
  return ParseJournal(*bytes, moduleDir, why);
}

void RemoveStoreJournal(const fs::path& moduleDir) {
  std::error_code ec;
  fs::remove(StoreJournalPath(moduleDir), ec);
  platform::SyncFolder(moduleDir);
}

fs::path MakeWorkFolder(const fs::path& store, const fs::path& moduleDir, const char* kind,
                        const std::string& tag) {
  const fs::path normalStore = NormalStorePath(store);
  const fs::path parent = normalStore.parent_path();
  std::error_code ec;
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::string suffix = std::string(kind) + "-" + tag + "-" + std::to_string(attempt);
    for (const fs::path& folder :
         {parent.empty() || parent == normalStore
              ? fs::path()
              : parent /
                    platform::PathFromUtf8(platform::PathToUtf8(normalStore.filename()) + suffix),
          NormalStorePath(moduleDir) / platform::PathFromUtf8(kModuleWorkPrefix + suffix)}) {
      if (folder.empty() || !fs::create_directory(folder, ec)) continue;  // false: there already
      if (platform::WriteFileAtomically(folder / kWorkFolderMarker, MarkerText(folder)))
        return folder;
      fs::remove_all(folder, ec);  // made just now, by this update
    }
  }
  return {};
}

bool IsOwnWorkFolder(const fs::path& folder) {
  std::error_code ec;
  if (folder.empty() || !fs::is_directory(fs::symlink_status(folder, ec))) return false;
  const fs::path marker = folder / kWorkFolderMarker;
  if (!fs::is_regular_file(fs::symlink_status(marker, ec))) return false;
  const auto text = platform::ReadFileBytes(marker);
  return text && *text == MarkerText(folder);
}

}  // namespace orvik
