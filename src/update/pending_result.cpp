#include "update/pending_result.h"

#include <system_error>

#include "platform/files.h"
#include "service/service_client.h"
#include "update/package_sidecar.h"

namespace fs = std::filesystem;

namespace orvik {
namespace {

void RemoveArchive(const fs::path& archive) {
  std::error_code ec;
  fs::remove(archive, ec);
  fs::remove(SidecarPathFor(archive), ec);
}

}  // namespace

fs::path PendingResultPath(const fs::path& moduleDir) { return moduleDir / "result.pending"; }

bool WritePendingResult(const fs::path& moduleDir, const PendingResult& result) {
  const std::string text =
      "code " + result.updateCode + "\nstate " + (result.sending ? "sending" : "pending") + "\n";
  return platform::WriteFileAtomically(PendingResultPath(moduleDir), text);
}

std::optional<PendingResult> ReadPendingResult(const fs::path& moduleDir) {
  const auto bytes = platform::ReadFileBytes(PendingResultPath(moduleDir));
  if (!bytes || !bytes->starts_with("code ")) return std::nullopt;
  const auto eol = bytes->find('\n');
  if (eol == std::string::npos) return std::nullopt;
  PendingResult result;
  result.updateCode = bytes->substr(5, eol - 5);
  result.sending = bytes->substr(eol + 1).starts_with("state sending");
  return result;
}

ResultDelivery SendPendingResult(CServiceClient& client, const fs::path& moduleDir,
                                 const fs::path& archive) {
  auto pending = ReadPendingResult(moduleDir);
  if (!pending) return ResultDelivery::NothingPending;
  std::error_code ec;
  if (pending->sending || pending->updateCode.empty()) {
    // The request may have arrived before the launcher stopped: once is the rule.
    fs::remove(PendingResultPath(moduleDir), ec);
    RemoveArchive(archive);
    return ResultDelivery::Dropped;
  }
  pending->sending = true;
  if (!WritePendingResult(moduleDir, *pending)) return ResultDelivery::Kept;
  if (!client.ReportUpdateResultFor(pending->updateCode, 1)) {
    pending->sending = false;
    WritePendingResult(moduleDir, *pending);
    return ResultDelivery::Kept;
  }
  fs::remove(PendingResultPath(moduleDir), ec);
  RemoveArchive(archive);
  return ResultDelivery::Sent;
}

}  // namespace orvik
