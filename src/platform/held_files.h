// Song files that another program holds open for a moment: an antivirus scanner looking at a
// new file, a player reading a song. On Windows a rename or removal then fails with a sharing
// violation (or a lock violation, or access denied on a file that exists) until it lets go.
// These calls try again with a short back-off, up to about 10 s per file, and say when the
// file was still held at the end. Elsewhere an open file never blocks them.
#pragma once

#include <chrono>
#include <filesystem>
#include <functional>

#include "platform/durable_files.h"

namespace orvik::platform {

// Runs `attempt` (0 on success, else the system's error number) again while it fails
// because another program holds `file`, until the retry limit. Returns its last result;
// `held` tells whether that was still such a failure.
unsigned long RetryWhileHeld(const std::filesystem::path& file,
                             const std::function<unsigned long()>& attempt, bool* held = nullptr);

// Renames `from` to `to` on one volume, replacing a file there. OtherVolume: nothing done,
// the caller copies. Held: another program kept one of them open past the limit.
enum class RenameOutcome { Ok, OtherVolume, NoSpace, Held, Failed };
RenameOutcome RenameReplacing(const std::filesystem::path& from, const std::filesystem::path& to);

// Removes a file. True when it is gone (or was never there); `held` as above.
bool RemoveFileRetrying(const std::filesystem::path& file, bool* held = nullptr);

// Tests: the limit of the retries of one file, and a call at every retry (with the file),
// so that a test can let go of a file once a retry has happened. Unset: about 10 s, nothing.
void SetHeldFileRetryForTesting(std::chrono::milliseconds limit,
                                std::function<void(const std::filesystem::path&)> onRetry);

}  // namespace orvik::platform
