#include "library/inventory.h"

#include <fstream>
#include <system_error>

#include "core/log.h"
#include "library/song_counter.h"
#include "library/song_listing.h"
#include "platform/path_text.h"
#include "core/user_texts.h"

namespace orvik {
namespace {

void Publish(const SongTally& tally, InventoryListener& listener, LauncherState& state) {
  {
    std::lock_guard lock(state.mutex);
    state.m_storedSongIds = tally.ids;
    state.m_storedSongCount = tally.count;
  }
  listener.OnCounted(tally.count);
}

}  // namespace

std::string FormatWithThousands(int value) {
  const std::string digits = std::to_string(value);
  const std::size_t sign = digits[0] == '-' ? 1 : 0;
  std::string out = digits.substr(0, sign);
  const std::size_t count = digits.size() - sign;
  for (std::size_t i = 0; i < count; ++i) {
    if (i > 0 && (count - i) % 3 == 0) out += ',';
    out += digits[sign + i];
  }
  return out;
}

std::string StoredCountLabel(int count) { return FormatWithThousands(count) + text::kSongsUnit; }

void RefreshSongInventory(const std::filesystem::path& songFolder,
                          const std::filesystem::path& moduleDir, InventoryListener& listener,
                          LauncherState& state) {
  if (songFolder.empty()) {
    std::lock_guard lock(state.mutex);
    state.m_storedSongIds.clear();
    state.m_storedSongCount = 0;
    return;
  }
  listener.OnCounting();
  const std::filesystem::path listing = moduleDir / kListingFileName;
  std::error_code ec;
  std::filesystem::remove(listing, ec);

  // The lines are counted as they are written, exactly as a later read of the file would.
  SongCounter counter;
  const ListingOutcome outcome =
      WriteSongListing(songFolder, listing, [&](std::string_view line) { counter.AddLine(line); });
  if (!outcome.folderFound) {
    logging::Warning("inventory: song folder not found: " + platform::PathToUtf8(songFolder));
    Publish(SongTally{}, listener, state);
    listener.OnFolderNotFound();
    return;
  }
  const SongTally tally = counter.Result();
  logging::Info("inventory: " + std::to_string(tally.count) + " songs in " +
                platform::PathToUtf8(songFolder));
  Publish(tally, listener, state);
}

bool CountListedSongs(const std::filesystem::path& listingFile, InventoryListener& listener,
                      LauncherState& state) {
  std::ifstream in(listingFile, std::ios::binary);
  if (!in) return false;
  SongCounter counter;
  std::string line;
  while (std::getline(in, line)) counter.AddLine(line);
  Publish(counter.Result(), listener, state);
  return true;
}

}  // namespace orvik
