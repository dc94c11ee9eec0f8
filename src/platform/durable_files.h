// Moves and copies for the song store that a crash or a full disk cannot leave half done.
#pragma once

#include <filesystem>

namespace orvik::platform {

// Held: another program (a player, an antivirus scanner) kept the file open past the retries
// of held_files.h (Windows).
enum class MoveOutcome { Ok, NoSpace, Failed, Held };

// Puts `from` at `to`, replacing any file there in one step. On one volume this is a
// rename; across volumes the file is copied to a temporary name beside `to`, flushed and
// renamed over `to`, and only then is `from` removed. No partial copy ever stands at `to`.
MoveOutcome MoveReplacing(const std::filesystem::path& from, const std::filesystem::path& to);
// Copies `from` over `to` the same way (temporary name, flush, rename); `from` stays.
MoveOutcome CopyReplacing(const std::filesystem::path& from, const std::filesystem::path& to);
// Flushes a folder's entries (renames into it) to disk. False when it could not.
bool SyncFolder(const std::filesystem::path& folder);

}  // namespace orvik::platform
