// Verifying the song store against its manifest, and setting damaged songs aside so the
// song service sends them again: a song taken out of the store is missing from the next
// device connect's inventory, and the service's next package brings it back.
//
// Damaged songs are never deleted: they move into "<store>.quarantine/<date-time>/" under
// their own relative paths, after a list of them has been written beside that folder. Each
// move is one rename, so a kill at any point leaves every song whole in one of the two
// places; the manifest forgets them only after the moves.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <set>
#include <stop_token>
#include <string>
#include <vector>

namespace orvik {

enum class Damage {
  Missing,      // listed in the manifest, not on disk
  Empty,        // size 0
  SizeDiffers,  // another size than the manifest's
  CrcDiffers,   // the CRC-32 differs from the package's
  NotAFile,     // a folder or another kind of entry stands in its place
  Unreadable,   // it could not be opened or read to its end
};
// For the log and the summary: "CRC-32 differs", ...
const char* DamageText(Damage damage);

struct DamagedSong {
  std::string path;  // inside the store, '/'-separated UTF-8
  Damage damage = Damage::Missing;
  bool setAside = false;  // moved into the quarantine (a missing one: forgotten)
};

struct VerifyProgress {
  std::size_t songsChecked = 0, songsTotal = 0;
  std::uint64_t bytesChecked = 0, bytesTotal = 0;
};

struct VerifyOptions {
  // Called after every song, on the verifying thread.
  std::function<void(const VerifyProgress&)> onProgress;
  std::stop_token stop;  // cancel: what was found so far is still set aside
  // Tests only: the quarantine stops dead after this many moves, as a kill would; and
  // songs whose read fails as a damaged sector's would (root reads any file).
  std::optional<std::size_t> killAfterMoves;
  std::set<std::string> unreadableForTest;
};

struct VerifyResult {
  bool storeFound = false;  // false: no song folder configured or it is not there
  bool cancelled = false;
  bool killed = false;  // killAfterMoves stopped it
  std::size_t songsChecked = 0;
  std::size_t unverified = 0;  // checked without a manifest entry (size 0, readability)
  std::uint64_t bytesChecked = 0;
  double seconds = 0;
  std::vector<DamagedSong> damaged;
  std::filesystem::path quarantine;  // where they went; empty when nothing moved
  std::string manifestNote;          // a damaged manifest was rebuilt: the log line

  bool AllSetAside() const;
};

// Checks every song the manifest lists and every ".sgd" file it does not, at background
// priority, and sets the damaged ones aside. The caller holds the module folder (no update
// moves files meanwhile). Logs each damaged song and the summary.
VerifyResult VerifyStore(const std::filesystem::path& moduleDir,
                         const std::filesystem::path& songFolder,
                         const VerifyOptions& options = {});

// "<store>.quarantine": the folder beside the store that holds every verify's findings.
std::filesystem::path QuarantineRoot(const std::filesystem::path& songFolder);

// The summary for the console and the window: one line of figures, then a line per
// damaged song (path and why).
std::vector<std::string> VerifySummary(const VerifyResult& result);

}  // namespace orvik
