// The result report of an installed package, kept in the module folder until it was sent,
// so a closed window or a service that is down never loses it, and a kill during the
// request never sends it twice.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace orvik {

class CServiceClient;

struct PendingResult {
  std::string updateCode;
  bool sending = false;  // a request was on its way when the launcher stopped
};

std::filesystem::path PendingResultPath(const std::filesystem::path& moduleDir);
bool WritePendingResult(const std::filesystem::path& moduleDir, const PendingResult& result);
std::optional<PendingResult> ReadPendingResult(const std::filesystem::path& moduleDir);

enum class ResultDelivery { NothingPending, Sent, Kept, Dropped };
// Sends the pending result once. On success (and for a request a stopped launcher may
// already have delivered) the record goes, with `archive` and its sidecar; when the
// request fails the record stays for the next start.
ResultDelivery SendPendingResult(CServiceClient& client, const std::filesystem::path& moduleDir,
                                 const std::filesystem::path& archive);

}  // namespace orvik
