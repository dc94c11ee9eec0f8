#include "update/pending_result.h"

#include <algorithm>
#include <system_error>

#include "platform/files.h"
#include "service/http_transport.h"
#include "service/service_client.h"
#include "update/package_sidecar.h"

namespace fs = std::filesystem;

namespace orvik {

fs::path PendingResultPath(const fs::path& moduleDir) { return moduleDir / "result.pending"; }

std::vector<PendingResult> ReadPendingResults(const fs::path& moduleDir) {
  std::vector<PendingResult> results;
  const auto bytes = platform::ReadFileBytes(PendingResultPath(moduleDir));
  if (!bytes) return results;
  std::size_t pos = 0;
  while (pos < bytes->size()) {
    const auto eol = bytes->find('\n', pos);
    if (eol == std::string::npos) break;  // a torn line is no record
    const std::string line = bytes->substr(pos, eol - pos);
    pos = eol + 1;
    if (line.starts_with("pending ") && line.size() > 8) {
      results.push_back({line.substr(8), false});
    } else if (line.starts_with("sending ") && line.size() > 8) {
      results.push_back({line.substr(8), true});
    }
  }
  return results;
}

bool WritePendingResults(const fs::path& moduleDir, const std::vector<PendingResult>& results) {
  if (results.empty()) {
    std::error_code ec;
    fs::remove(PendingResultPath(moduleDir), ec);
    return !ec;
  }
  std::string text;
  for (const auto& r : results) text += (r.sending ? "sending " : "pending ") + r.updateCode + "\n";
  return platform::WriteFileAtomically(PendingResultPath(moduleDir), text);
}

bool AddPendingResult(const fs::path& moduleDir, const std::string& updateCode) {
  // One record per line: a code with a line break could not be read back as itself.
  if (updateCode.empty() || updateCode.find_first_of("\r\n") != std::string::npos) return false;
  auto results = ReadPendingResults(moduleDir);
  const bool known = std::any_of(results.begin(), results.end(), [&](const PendingResult& r) {
    return r.updateCode == updateCode;
  });
  if (known) return true;
  results.push_back({updateCode, false});
  return WritePendingResults(moduleDir, results);
}

void SendPendingResults(CServiceClient& client, const fs::path& moduleDir,
                        const fs::path& archive, const std::function<bool()>& mayStart) {
  auto results = ReadPendingResults(moduleDir);
  std::vector<std::string> settled;
  for (std::size_t i = 0; i < results.size();) {
    const std::string code = results[i].updateCode;
    bool sent = results[i].sending;  // it may have arrived before the launcher stopped
    if (!sent) {
      if (mayStart && !mayStart()) break;
      results[i].sending = true;
      if (!WritePendingResults(moduleDir, results)) break;
      TransportError failure;
      sent = client.ReportUpdateResultFor(code, 1, &failure);
      // Cut by the closing launcher once on its way: the record stays "sending" and the
      // next start counts it as sent. Nothing more is asked of a stopped transport.
      if (!sent && failure.kind == TransportFailure::Aborted) break;
    }
    if (sent) {
      results.erase(results.begin() + static_cast<std::ptrdiff_t>(i));
      settled.push_back(code);
    } else {
      results[i].sending = false;
      ++i;
    }
    WritePendingResults(moduleDir, results);
  }
  const auto sidecar = ReadSidecar(archive);
  if (sidecar && std::find(settled.begin(), settled.end(), sidecar->updateCode) != settled.end()) {
    std::error_code ec;
    fs::remove(archive, ec);
    fs::remove(SidecarPathFor(archive), ec);
  }
}

}  // namespace orvik
