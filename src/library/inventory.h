// Inventory of the song store: list it into songs.txt, count the distinct songs, keep the
// count and id list in the shared state and tell a listener, which shows the count.
#pragma once

#include <filesystem>
#include <string>

#include "core/launcher_state.h"

namespace orvik {

inline constexpr const char* kListingFileName = "songs.txt";

// Called on the counting thread.
class InventoryListener {
 public:
  virtual ~InventoryListener() = default;
  virtual void OnCounting() {}
  // The shared state holds the new count and ids already.
  virtual void OnCounted(int /*songs*/) {}
  // The song folder could not be read (told after the count of 0).
  virtual void OnFolderNotFound() {}
};

// Full inventory. An empty `songFolder` means no song store: count 0, ids "", nothing told.
// A song folder that cannot be read: count 0, ids "", then OnFolderNotFound. Blocks the
// calling (worker) thread until done.
void RefreshSongInventory(const std::filesystem::path& songFolder,
                          const std::filesystem::path& moduleDir, InventoryListener& listener,
                          LauncherState& state);

// The counting half over an existing listing file. False, with nothing changed, when the
// file cannot be opened.
bool CountListedSongs(const std::filesystem::path& listingFile, InventoryListener& listener,
                      LauncherState& state);

// 1234567 -> "1,234,567"; -1234 -> "-1,234".
std::string FormatWithThousands(int value);
// The text of label 1014: "12,345곡".
std::string StoredCountLabel(int count);

}  // namespace orvik
