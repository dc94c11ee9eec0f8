#include "update/pending_result.h"

#include <algorithm>
#include <atomic>
#include <system_error>

#include "core/log.h"
#include "core/user_texts.h"
#include "platform/held_files.h"
#include "platform/files.h"
#include "platform/path_text.h"
#include "service/http_transport.h"
#include "service/service_client.h"
#include "update/line_value.h"
#include "update/package_sidecar.h"
#include "update/set_aside.h"

namespace fs = std::filesystem;

namespace orvik {

namespace {

// Codes are escaped since this header was added; an older launcher skips it.
constexpr std::string_view kHeader = "orvik results 2";

bool Readable(const fs::path& file) {
  std::error_code ec;
  return fs::is_regular_file(fs::symlink_status(file, ec)) && platform::ReadFileBytes(file);
}

}  // namespace

fs::path PendingResultPath(const fs::path& moduleDir) { return moduleDir / "result.pending"; }

std::optional<std::string> SetAsideUnreadablePendingResults(const fs::path& moduleDir) {
  const fs::path file = PendingResultPath(moduleDir);
  std::error_code ec;
  if (!fs::exists(fs::symlink_status(file, ec)) || Readable(file)) return std::nullopt;
  const fs::path aside = SetAside(file, ".unreadable");
  static std::atomic<bool> toldStuck{false};
  if (aside.empty()) {
    if (!toldStuck.exchange(true))
      logging::Error("result: " + platform::PathToUtf8(file) +
                     " cannot be read and cannot be set aside");
    return std::nullopt;
  }
  logging::Error("result: " + platform::PathToUtf8(file) + " cannot be read; set aside as " +
                 platform::PathToUtf8(aside.filename()) + ", no result is owed");
  return text::kPendingResultsUnreadable + platform::PathToUtf8(aside);
}

std::vector<PendingResult> ReadPendingResults(const fs::path& moduleDir) {
  std::vector<PendingResult> results;
  SetAsideUnreadablePendingResults(moduleDir);
  const auto bytes = platform::ReadFileBytes(PendingResultPath(moduleDir));
  if (!bytes) return results;
  const bool escaped = bytes->starts_with(std::string(kHeader) + "\n");
  std::size_t pos = 0;
  while (pos < bytes->size()) {
    const auto eol = bytes->find('\n', pos);
    if (eol == std::string::npos) break;  // a torn line is no record
    const std::string_view line = std::string_view(*bytes).substr(pos, eol - pos);
    pos = eol + 1;
    const bool sending = line.starts_with("sending ");
    if ((!sending && !line.starts_with("pending ")) || line.size() <= 8) continue;
    auto code = escaped ? UnescapeLineValue(line.substr(8)) : std::string(line.substr(8));
    if (code && !code->empty()) results.push_back({std::move(*code), sending});
  }
  return results;
}

bool WritePendingResults(const fs::path& moduleDir, const std::vector<PendingResult>& results) {
  std::string text(kHeader);
  text += "\n";
  for (const auto& r : results)
    text += (r.sending ? "sending " : "pending ") + EscapeLineValue(r.updateCode) + "\n";
  const auto write = [&] {
    std::error_code ec;
    if (!results.empty()) return platform::WriteFileAtomically(PendingResultPath(moduleDir), text);
    fs::remove(PendingResultPath(moduleDir), ec);
    return !ec;
  };
  if (write()) return true;
  // A folder (or an unreadable file) in its place would stop every result from now on.
  SetAsideUnreadablePendingResults(moduleDir);
  return write();
}

bool AddPendingResult(const fs::path& moduleDir, const std::string& updateCode) {
  if (updateCode.empty()) return false;
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
    platform::RemoveFileRetrying(archive);
    fs::remove(SidecarPathFor(archive), ec);
  }
}

}  // namespace orvik
