// The journal of one song-store update, kept in the module folder. It names the staging and
// backup folders the update made and every file it places, so a start after a kill or a
// power cut can finish the update or take it back, and never touches another folder.
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

std::string SerializeJournal(const StoreJournal& journal);
// Nothing when the text is not a whole journal (a torn write is never taken for one).
std::optional<StoreJournal> ParseJournal(std::string_view text);

// Replaces the journal atomically and flushes it and its folder to disk.
bool WriteStoreJournal(const std::filesystem::path& moduleDir, const StoreJournal& journal);
std::optional<StoreJournal> ReadStoreJournal(const std::filesystem::path& moduleDir);
void RemoveStoreJournal(const std::filesystem::path& moduleDir);

}  // namespace orvik
