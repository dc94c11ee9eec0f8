// The update engine's download and extraction threads.
#include <algorithm>
#include <chrono>
#include <cstdio>

#include "core/last_update.h"
#include "core/launcher_settings.h"
#include "core/log.h"
#include "core/window_port.h"
#include "library/inventory.h"
#include "platform/held_files.h"
#include "platform/path_text.h"
#include "service/service_client.h"
#include "service/transport_texts.h"
#include "update/package_download.h"
#include "update/package_extractor.h"
#include "update/package_sidecar.h"
#include "update/pending_result.h"
#include "update/update_engine_impl.h"
#include "update/update_status.h"
#include "core/user_texts.h"

namespace fs = std::filesystem;

namespace orvik {

void UpdateEngine::Impl::DownloadPackageThread(std::stop_token stop) {
  auto& st = state();
  std::string url, product;
  {
    std::lock_guard lock(st.mutex);
    url = st.m_packageUrl;
    product = st.m_productNumber;
  }
  const fs::path archive = ArchivePathFor(st.moduleDir, product);
  if (SongFolderMissing(GetSongsFolderPath(st))) {
    port().PostWindowMessage(WM_DOWNLOAD_FINISHED, 0, kDownloadFailed);
    return;
  }
  DownloadCallbacks callbacks;
  callbacks.onFileOpen = [this] {
    port().PostWindowMessage(WM_UPDATE_STATE, 0, kStateDownloading);
  };
  callbacks.onProgress = [this](const DownloadProgressInfo& info) {
    if (deps.onDownloadProgress) deps.onDownloadProgress(&info);
  };
  std::error_code sizeError;
  const auto resumedFrom = fs::file_size(PartialPathFor(archive), sizeError);
  const auto started = std::chrono::steady_clock::now();
  logging::Info(
      "download: start " + url +
      (sizeError ? std::string() : ", resuming from byte " + std::to_string(resumedFrom)));
  const DownloadOutcome outcome = DownloadPackage(deps.transport, url, archive, callbacks, stop,
                                                  deps.client.GetReplyValue("updateCode"));
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  const std::uint64_t fetched =
      outcome.received - (sizeError ? 0 : std::min<std::uint64_t>(resumedFrom, outcome.received));
  char figures[160];
  std::snprintf(figures, sizeof figures, "%llu of %llu bytes, %.1f s, %.2f MB/s",
                static_cast<unsigned long long>(outcome.received),
                static_cast<unsigned long long>(outcome.total), seconds,
                seconds > 0 ? static_cast<double>(fetched) / 1048576.0 / seconds : 0.0);

  if (outcome.result == DownloadResult::Complete) {
    logging::Info(std::string("download: complete, ") + figures);
  } else if (outcome.result == DownloadResult::Stopped) {
    logging::Info(std::string("download: stopped (window closed), ") + figures);
  } else {
    const std::string status = DownloadFailureText(outcome, st.moduleDir);
    logging::Error("download: failed: " + status + " (" + outcome.detail + "), " + figures);
    port().SetControlText(ctl::kStatusLine, status);
  }
  port().PostWindowMessage(
      WM_DOWNLOAD_FINISHED, 0,
      outcome.result == DownloadResult::Complete ? kDownloadOk : kDownloadFailed);
}

void UpdateEngine::Impl::ExtractPackageThread(std::stop_token stop) {
  auto& st = state();
  port().PostWindowMessage(WM_UPDATE_STATE, 0, kStateUnpacking);
  const fs::path archive = ArchivePathFor(st.moduleDir, st.ProductNumber());
  const fs::path songFolder = GetSongsFolderPath(st);

  const auto started = std::chrono::steady_clock::now();
  auto fail = [&](const std::string& status, const std::string& detail) {
    logging::Error("unpacking: failed: " + status + (detail.empty() ? "" : " (" + detail + ")"));
    port().SetControlText(ctl::kStatusLine, status);
    port().PostWindowMessage(WM_UPDATE_STATE, 0, kStateUnpackFailed);
  };
  if (songFolder.empty()) {
    fail(text::kUnpackNoSongFolder, {});
    return;
  }
  if (SongFolderMissing(songFolder)) {
    port().PostWindowMessage(WM_UPDATE_STATE, 0, kStateUnpackFailed);
    return;
  }
  ExtractOptions options;
  options.sevenZip = deps.sevenZip;
  // The package's own code, kept with it; a package from before codes were kept reports
  // nothing rather than an empty code.
  if (const auto sidecar = ReadSidecar(archive)) options.updateCode = sidecar->updateCode;
  logging::Info("unpacking: " + platform::PathToUtf8(archive) + " into " +
                platform::PathToUtf8(songFolder));
  const ExtractReport report = InstallPackage(
      archive, songFolder, st.moduleDir,
      [this](int percent) {
        port().PostWindowMessage(WM_SET_PROGRESS, static_cast<std::uintptr_t>(percent), 0);
      },
      stop, options);
  if (report.result == ExtractResult::Stopped) {
    logging::Info("unpacking: stopped (window closed)");
    return;
  }
  if (report.result != ExtractResult::Ok) {
    // A damaged package is not offered again at the next start; the next press fetches it.
    if (report.result == ExtractResult::ArchiveBroken ||
        report.result == ExtractResult::UnsafeEntry) {
      std::error_code ec;
      platform::RemoveFileRetrying(archive);
      fs::remove(SidecarPathFor(archive), ec);
    }
    const std::string status = ExtractFailureText(report, archive, songFolder);
    fail(status, report.detail + ", 7-Zip exit code " + std::to_string(report.exitCode));
    return;
  }
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  char figures[96];
  std::snprintf(figures, sizeof figures, "%zu files, %.1f s", report.filesInstalled, seconds);
  logging::Info(std::string("unpacking: done, ") + figures);

  RefreshSongInventory(songFolder, st.moduleDir, port(), st);
  const int announced = LeadingInteger(deps.client.GetUpdateSongCount());
  SaveLastUpdate(st.moduleDir, announced > 0 ? announced : static_cast<int>(report.filesInstalled));
  // Sent once; when it cannot be (the window closes, the service is down) it stays owed and
  // goes at the next start. The archive goes with it.
  if (options.updateCode.empty()) {
    std::error_code ec;
    platform::RemoveFileRetrying(archive);  // a package without a code: nothing to report
    fs::remove(SidecarPathFor(archive), ec);
  }
  SendPendingResults(deps.client, st.moduleDir, archive);
  port().PostWindowMessage(WM_UPDATE_STATE, 0, kStateFinished);
}

}  // namespace orvik
