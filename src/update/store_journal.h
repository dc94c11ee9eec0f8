// The journal of one song-store update, kept in the module folder. It names the staging and
// backup folders the update made and every file it places, so a start after a kill or a
// power cut can finish the update or take it back, and never touches another folder.
//
// The journal is read as untrusted text (a damaged disk, a hand edit, a copy from another
// PC): a file entry must stay inside the store, and the work folders must be siblings of
// the store (or, when the store's parent could not take them, in the module folder) under
// the launcher's own names. Anything else makes the whole journal unreadable.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orvik {

struct StoreJournal {
  enum class Phase {
    Unpacking,  // 7-Zip fills the staging folder; the store is untouched
    Moving,     // files move into the store
    Committed,  // every file is in place; only the folders remain to be removed
  };
  struct File {
    std::filesystem::path relative;  // inside the store, as staged
    std::uint64_t size = 0;
  };

  Phase phase = Phase::Unpacking;
  std::filesystem::path store, staging, backup;
  std::string updateCode;  // of the package; empty when unknown
  std::vector<File> files;
};

std::filesystem::path StoreJournalPath(const std::filesystem::path& moduleDir);

// The store as the journal records it: absolute, lexically normal, no trailing separator.
std::filesystem::path NormalStorePath(const std::filesystem::path& songFolder);

// True when a relative name in the store is one a journal may hold: an archive entry name
// that stays inside (see IsSafeEntryName) with no empty or "." part, valid UTF-8, and not
// the work folders' own marker.
bool IsSafeStoreFileName(std::string_view name);

std::string SerializeJournal(const StoreJournal& journal);
// Nothing when the text is not a whole journal (a torn write is never taken for one) or
// names anything outside the store and its work folders; `why` then says what was wrong.
std::optional<StoreJournal> ParseJournal(std::string_view text,
                                         const std::filesystem::path& moduleDir,
                                         std::string* why = nullptr);

// Replaces the journal atomically and flushes it and its folder to disk. Refuses (false) a
// journal that would not read back as itself.
bool WriteStoreJournal(const std::filesystem::path& moduleDir, const StoreJournal& journal);
std::optional<StoreJournal> ReadStoreJournal(const std::filesystem::path& moduleDir,
                                             std::string* why = nullptr);
void RemoveStoreJournal(const std::filesystem::path& moduleDir);

// Work folders: "<store>.unpacking-<tag>-<n>" / "<store>.replaced-<tag>-<n>" beside the
// store, or "package.unpacking-…" / "package.replaced-…" in the module folder. Each holds a
// marker written when it is made, so a folder of that name that the launcher did not make
// (or that a technician replaced) is never removed or used.
inline constexpr const char* kWorkFolderMarker = ".orvik-work-folder";
// Makes a new work folder for `tag` (never an existing one) with its marker; empty when
// none could be made.
std::filesystem::path MakeWorkFolder(const std::filesystem::path& store,
                                     const std::filesystem::path& moduleDir, const char* kind,
                                     const std::string& tag);
// A real folder (not a link) holding the marker that names it.
bool IsOwnWorkFolder(const std::filesystem::path& folder);

}  // namespace orvik
