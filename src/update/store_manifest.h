// The store manifest: every song an update installed, with its size and the CRC-32 its
// package stated, so a verify can tell a damaged song from a sound one. It lives beside the
// journal in the module folder and changes in the same transaction as the store: the
// manifest an update will leave is written to a second file before the first rename and
// takes the manifest's place when the journal commits or rolls forward; a roll-back drops it.
//
// The file is read as untrusted text: a line naming a path outside the store, a torn write
// or a hand edit fails its closing checksum, and the manifest is then rebuilt from the store
// with every song "unverified" (sizes only).
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orvik {

struct StoreJournal;

struct ManifestEntry {
  std::string path;  // inside the store, '/'-separated UTF-8
  std::uint64_t size = 0;
  std::optional<std::uint32_t> crc32;  // none: unverified (rebuilt, or no CRC in the package)
  std::uint32_t update = 0;            // index into StoreManifest::Updates()
};

struct ManifestUpdate {
  std::string code;       // the package's update code; empty when unknown
  std::int64_t time = 0;  // seconds since 1970 (UTC) when it committed
};

class StoreManifest {
 public:
  std::filesystem::path store;  // as the journal records it (NormalStorePath)

  const ManifestEntry* Find(std::string_view path) const;
  // Adds or replaces the songs one update brought; `entries`' update fields are ignored.
  void Record(std::vector<ManifestEntry> entries, const ManifestUpdate& update);
  // Drops the entries of `paths`; how many there were.
  std::size_t Drop(std::vector<std::string> paths);
  const std::vector<ManifestEntry>& Entries() const { return entries_; }  // sorted by path
  const std::vector<ManifestUpdate>& Updates() const { return updates_; }

  // Parsing only: entries in ascending path order, updates in file order.
  void Append(ManifestEntry entry) { entries_.push_back(std::move(entry)); }
  void AddUpdate(ManifestUpdate update) { updates_.push_back(std::move(update)); }

 private:
  std::vector<ManifestEntry> entries_;
  std::vector<ManifestUpdate> updates_;
};

std::filesystem::path StoreManifestPath(const std::filesystem::path& moduleDir);
// The manifest an update in progress will leave ("store.manifest.next").
std::filesystem::path NextManifestPath(const std::filesystem::path& moduleDir);

std::string SerializeManifest(const StoreManifest& manifest);
// Nothing when the text is not a whole manifest or names a path outside the store; `why`
// then says what was wrong.
std::optional<StoreManifest> ParseManifest(std::string_view text, std::string* why = nullptr);

// Every regular file of the store below `store`, as unverified entries (sizes only).
StoreManifest ManifestFromStore(const std::filesystem::path& store);
// Every regular file under `store`; links are neither followed nor listed (one could point
// anywhere).
void ForEachStoreFile(const std::filesystem::path& store,
                      const std::function<void(const std::filesystem::directory_entry&)>& visit);

struct ManifestLoad {
  enum class State {
    Loaded,
    Missing,     // no manifest yet: empty
    Rebuilt,     // damaged: rebuilt from the store, unverified, and saved
    OtherStore,  // it described another song folder: empty
  };
  State state = State::Missing;
  StoreManifest manifest;
  std::string logLine;  // what was wrong, for Rebuilt and OtherStore
};
// The manifest of `songFolder`. A damaged one is rebuilt (and logged by the caller).
ManifestLoad LoadStoreManifest(const std::filesystem::path& moduleDir,
                               const std::filesystem::path& songFolder);
// Atomic replace, flushed. False when it could not be written.
bool SaveStoreManifest(const std::filesystem::path& moduleDir, const StoreManifest& manifest);

// --- The transaction, driven by the package install and the journal's recovery ---

// What the package's zip directory states of one staged file, by its name in the store.
struct StatedFile {
  std::string path;
  std::uint64_t size = 0;
  std::optional<std::uint32_t> crc32;
};
// Writes the manifest as it will be once the journal's files are in (its file sizes, the
// CRC-32s `stated` gives for them) to the next file. Called before the journal's Moving
// phase is written. False when it could not be written.
bool StageManifest(const std::filesystem::path& moduleDir, const StoreJournal& journal,
                   const std::vector<StatedFile>& stated, std::int64_t now);
// The journal committed or rolled forward: the next file becomes the manifest. Without one
// (a kill before it was written cannot come with a Moving journal, but a hand can remove it)
// the journal's files lose their entries, so nothing stale is trusted.
void PromoteManifest(const std::filesystem::path& moduleDir, const StoreJournal& journal);
// The update was taken back or never moved anything: the next file goes.
void DiscardNextManifest(const std::filesystem::path& moduleDir);

// Songs taken out of the store (a removal, a verify's quarantine) lose their entries.
// `files` are under `songFolder`; others are ignored. False when the manifest could not be
// saved.
bool ForgetStoreFiles(const std::filesystem::path& moduleDir,
                      const std::filesystem::path& songFolder,
                      const std::vector<std::filesystem::path>& files);

}  // namespace orvik
