// The update engine's update thread: the download, then the unpacking, the report and
// the song-list request.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>

#include "core/launcher_settings.h"
#include "core/log.h"
#include "core/update_history.h"
#include "library/inventory.h"
#include "library/song_store.h"
#include "platform/held_files.h"
#include "platform/path_text.h"
#include "service/rate_limiter.h"
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

void UpdateEngine::Impl::UpdateThread(std::stop_token stop) {
  if (DownloadPackageThread(stop)) ExtractPackageThread(stop);
}

// True when the whole package is on disk; the unpacking is then marked as running.
bool UpdateEngine::Impl::DownloadPackageThread(std::stop_token stop) {
  auto& st = state();
  std::string url, product;
  RateSchedule schedule;
  {
    std::lock_guard lock(st.mutex);
    url = st.m_packageUrl;
    product = st.m_productNumber;
    schedule = RateScheduleFromSettings(st.settings);
  }
  RateLimiter limiter(ScheduledCap(schedule));
  const fs::path archive = ArchivePathFor(st.moduleDir, product);
  if (SongFolderMissing(GetSongsFolderPath(st))) {
    st.m_downloadRunning = false;
    Tell(UpdateOutcome::DownloadFailed);
    return false;
  }
  DownloadCallbacks callbacks;
  callbacks.limiter = &limiter;
  std::atomic<bool> bodyStarted{false};  // not when a whole archive on disk is reused
  callbacks.onFileOpen = [this, &bodyStarted] {
    bodyStarted = true;
    events().OnStage(UpdateStage::Downloading);
  };
  callbacks.onProgress = [this](const DownloadProgress& p) { events().OnDownloadProgress(p); };
  std::error_code sizeError;
  const auto resumedFrom = fs::file_size(PartialPathFor(archive), sizeError);
  const auto started = std::chrono::steady_clock::now();
  logging::Info(
      "download: start " + url +
      (sizeError ? std::string() : ", resuming from byte " + std::to_string(resumedFrom)) +
      ", speed cap: " + DescribeSchedule(schedule));
  const DownloadOutcome outcome = DownloadPackage(deps.transport, url, archive, callbacks, stop,
                                                  deps.client.GetReplyValue("updateCode"));
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  const std::uint64_t fetched =
      outcome.received - (sizeError ? 0 : std::min<std::uint64_t>(resumedFrom, outcome.received));
  LogDownloadEnd(outcome, fetched, seconds);
  if (bodyStarted) {
    history.bytesDownloaded += fetched;
    history.downloadMs += static_cast<std::int64_t>(seconds * 1000);
  }
  if (outcome.result == DownloadResult::Stopped) return false;  // Shutdown clears the marks
  const bool complete = outcome.result == DownloadResult::Complete;
  // No moment with neither mark set while the update goes on.
  if (complete) st.m_extractRunning = true;
  st.m_downloadRunning = false;
  if (complete) {
    events().OnStage(UpdateStage::Downloaded);
  } else {
    events().OnStatus(DownloadFailureText(outcome, st.moduleDir));
    Tell(UpdateOutcome::DownloadFailed);
  }
  return complete;
}

void UpdateEngine::Impl::LogDownloadEnd(const DownloadOutcome& outcome, std::uint64_t fetched,
                                        double seconds) {
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
    logging::Error("download: failed: " + DownloadFailureText(outcome, state().moduleDir) +
                   " (" + outcome.detail + "), " + figures);
  }
}

void UpdateEngine::Impl::FailUnpacking(const std::string& status, const std::string& detail) {
  if (!status.empty()) {
    logging::Error("unpacking: failed: " + status + (detail.empty() ? "" : " (" + detail + ")"));
    events().OnStatus(status);
  }
  AppendUpdateHistory(status.empty() ? "failed" : status);
  state().m_extractRunning = false;
  Tell(UpdateOutcome::UnpackFailed);
}

void UpdateEngine::Impl::AppendUpdateHistory(const std::string& outcome) {
  history.kind = HistoryKind::Update;
  history.unpackMs = std::chrono::duration_cast<std::chrono::milliseconds>(
                         std::chrono::steady_clock::now() - unpackStarted)
                         .count();
  history.outcome = outcome;
  AppendHistory(state().moduleDir, std::move(history));
  history = {};
}

void UpdateEngine::Impl::ExtractPackageThread(std::stop_token stop) {
  auto& st = state();
  events().OnStage(UpdateStage::Unpacking);
  const fs::path archive = ArchivePathFor(st.moduleDir, st.ProductNumber());
  const fs::path songFolder = GetSongsFolderPath(st);

  const auto started = std::chrono::steady_clock::now();
  unpackStarted = started;
  if (songFolder.empty()) {
    FailUnpacking(text::kUnpackNoSongFolder, {});
    return;
  }
  if (SongFolderMissing(songFolder)) {
    FailUnpacking({}, {});  // the status line says so already
    return;
  }
  ExtractOptions options;
  options.sevenZip = deps.sevenZip;
  // The package's own code, kept with it; a package from before codes were kept reports
  // nothing rather than an empty code.
  if (const auto sidecar = ReadSidecar(archive)) options.updateCode = sidecar->updateCode;
  history.updateCode = options.updateCode;
  logging::Info("unpacking: " + platform::PathToUtf8(archive) + " into " +
                platform::PathToUtf8(songFolder));
  const ExtractReport report = InstallPackage(
      archive, songFolder, st.moduleDir, [this](int percent) { events().OnUnpackProgress(percent); },
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
    FailUnpacking(ExtractFailureText(report, archive, songFolder),
                  report.detail + ", 7-Zip exit code " + std::to_string(report.exitCode));
    return;
  }
  FinishInstall(report, options, archive, songFolder,
                std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count());
}

// The package is in the store: count it again, remember the update, report it, and ask
// for the song list after an insert.
void UpdateEngine::Impl::FinishInstall(const ExtractReport& report, const ExtractOptions& options,
                                       const fs::path& archive, const fs::path& songFolder,
                                       double seconds) {
  auto& st = state();
  char figures[96];
  std::snprintf(figures, sizeof figures, "%zu files, %.1f s", report.filesInstalled, seconds);
  logging::Info(std::string("unpacking: done, ") + figures);

  RefreshSongInventory(songFolder, st.moduleDir, inventory, st);
  for (const auto& file : report.installed)
    if (const auto number = SongNumberOfFile(file)) history.added.push_back(*number);
  AppendUpdateHistory("ok");
  // Sent once; when it cannot be (the window closes, the service is down) it stays owed and
  // goes at the next start. The archive goes with it.
  if (options.updateCode.empty()) {
    std::error_code ec;
    platform::RemoveFileRetrying(archive);  // a package without a code: nothing to report
    fs::remove(SidecarPathFor(archive), ec);
  }
  SendResults(archive);
  const bool songListDue = deps.client.GetAction() == "insert";
  deps.client.SetNeedUpdateSong("false");
  st.m_extractRunning = false;
  events().OnUpdateFinished(songListDue);
}

}  // namespace orvik
