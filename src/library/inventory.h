// Inventory of the song store: list it into songs.txt, count the distinct songs, keep the
// count and id list in the shared state and show the count in label 1014.
#pragma once

#include <filesystem>
#include <string>

#include "core/launcher_state.h"
#include "core/window_port.h"

namespace orvik {

inline constexpr const char* kListingFileName = "songs.txt";

// Full inventory. An empty `songFolder` means no song store: count 0, ids "", label as it
// was. A song folder that cannot be read: count 0, ids "", label "0곡", and the status line
// says so. Blocks the calling (worker) thread until done.
void RefreshSongInventory(const std::filesystem::path& songFolder,
                          const std::filesystem::path& moduleDir, WindowPort& port,
                          LauncherState& state);

// The counting half over an existing listing file. False, with nothing changed, when the
// file cannot be opened.
bool CountListedSongs(const std::filesystem::path& listingFile, WindowPort& port,
                      LauncherState& state);

// 1234567 -> "1,234,567"; -1234 -> "-1,234".
std::string FormatWithThousands(int value);
// The text of label 1014: "12,345곡".
std::string StoredCountLabel(int count);

}  // namespace orvik
