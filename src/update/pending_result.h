// The result reports of installed packages, kept in the module folder until they were sent,
// so a closed window or a service that is down never loses one, and a kill during the
// request never sends one twice.
#pragma once

#include <filesystem>
#include <optional>
#include <functional>
#include <string>
#include <vector>

namespace orvik {

class CServiceClient;

struct PendingResult {
  std::string updateCode;
  bool sending = false;  // a request was on its way when the launcher stopped
  friend bool operator==(const PendingResult&, const PendingResult&) = default;
};

std::filesystem::path PendingResultPath(const std::filesystem::path& moduleDir);
// Oldest first; empty when none is owed. A file there that cannot be read is set aside
// first (see below), and none is owed.
std::vector<PendingResult> ReadPendingResults(const std::filesystem::path& moduleDir);
// A file that cannot be read or replaced in its place is set aside as well, then written.
bool WritePendingResults(const std::filesystem::path& moduleDir,
                         const std::vector<PendingResult>& results);
// Records that the result of `updateCode` is owed (once, however often it is called).
bool AddPendingResult(const std::filesystem::path& moduleDir, const std::string& updateCode);

// A result.pending that is there but cannot be read (a folder in its place, no permission)
// is renamed result.pending.unreadable and said in the log, once; the launcher then goes on
// as with no owed result, and the next install records its own again. Gives the text for
// the status line when it set one aside now.
std::optional<std::string> SetAsideUnreadablePendingResults(const std::filesystem::path& moduleDir);

// Sends every owed result once. A sent one goes, and so does one a stopped launcher may
// already have delivered; one whose request fails stays for the next start. A request cut
// by the launcher closing may have been delivered too: it counts as sent, as after a kill.
// `mayStart` is asked before each request; false leaves the rest owed. `archive` and its
// sidecar go when their package's result is settled.
void SendPendingResults(CServiceClient& client, const std::filesystem::path& moduleDir,
                        const std::filesystem::path& archive,
                        const std::function<bool()>& mayStart = {});

}  // namespace orvik
