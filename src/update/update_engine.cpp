#include "update/update_engine.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <mutex>
#include <thread>

#include "core/catalogue.h"
#include "core/last_update.h"
#include "core/launcher_settings.h"
#include "core/launcher_state.h"
#include "core/log.h"
#include "core/product_source.h"
#include "core/version.h"
#include "core/window_port.h"
#include "library/inventory.h"
#include "platform/path_text.h"
#include "service/http_transport.h"
#include "service/service_client.h"
#include "service/transport_texts.h"
#include "service/web_address.h"
#include "update/package_download.h"
#include "update/package_extractor.h"
#include "update/update_outcome.h"
#include "update/update_texts.h"

namespace fs = std::filesystem;

namespace orvik {

fs::path ArchivePathFor(const fs::path& moduleDir, const std::string& productNumber) {
  std::string digits = productNumber;
  std::erase(digits, '-');
  return moduleDir / (digits + ".zip");
}

struct UpdateEngine::Impl {
  explicit Impl(UpdateEngineDeps d) : deps(std::move(d)) {}

  UpdateEngineDeps deps;
  std::mutex threadsMutex;  // guards the thread objects (the check thread starts extractions)
  std::jthread checkThread, pollThread, downloadThread, extractThread;

  LauncherState& state() { return deps.state; }
  WindowPort& port() { return deps.port; }

  void UpdateCheckThread(std::stop_token stop);
  void RunUpdateWorker(std::stop_token stop);
  void OfferLauncherUpdate();
  void EventPollThread();
  void DownloadPackageThread(std::stop_token stop);
  void ExtractPackageThread(std::stop_token stop);
  void StartExtractionLocked();
  void MarkPackageReady(const std::string& url);
  void Tell(UpdateOutcome outcome, long detail = 0);
  void TellFailure(const char* what, bool eventRequest);
  void Answered() { outageTold = false; }

  // "HTTP request failed." is shown once per outage: until a request is answered again.
  std::atomic<bool> outageTold{false};

  std::mutex pollMutex;
  std::chrono::steady_clock::time_point pollStarted;  // under pollMutex
};

void UpdateEngine::Impl::Tell(UpdateOutcome outcome, long detail) {
  port().PostWindowMessage(WM_UPDATE_OUTCOME, static_cast<std::uintptr_t>(outcome),
                           static_cast<std::intptr_t>(detail));
}

// A request of the check brought no reply: the window shows why and checks again later.
// The update event's failure also has the design's box, after the window has been told,
// so the run button is there while the box waits for the operator.
void UpdateEngine::Impl::TellFailure(const char* what, bool eventRequest) {
  const TransportError error = deps.client.LastFailure();
  logging::Warning(std::string("check: ") + what + " failed: " + TransportFailureText(error) +
                   (error.detail.empty() ? "" : " (" + error.detail + ")"));
  Tell(OutcomeOfFailure(error.kind), error.status);
  if (eventRequest && !outageTold.exchange(true))
    port().ShowMessage(text::kRequestFailed, MessageIcon::None);
}

void UpdateEngine::Impl::MarkPackageReady(const std::string& url) {
  {
    std::lock_guard lock(state().mutex);
    state().m_packageUrl = url;
  }
  state().m_packageReady = true;
  port().SetControlChecked(ctl::kUpdateButton, true);
  port().RedrawControl(ctl::kUpdateButton);
  Tell(UpdateOutcome::PackageReady);
}

void UpdateEngine::Impl::UpdateCheckThread(std::stop_token stop) {
  auto& st = state();
  if (st.m_isActive) {
    // The two keys with a number of their own ask for it; every other key asks for the
    // installation's product.
    const std::string key = st.ServiceKey();
    const auto product = (key == "tunovaHL" || key == "tunovaUSB")
                             ? deps.products.ForServiceKey(key)
                             : deps.products.Current();
    if (product) {
      bool changed = false;
      {
        std::lock_guard lock(st.mutex);
        if (product->number != st.m_productNumber) {
          st.m_productNumber = product->number;
          st.m_productKind = product->kind;
          changed = true;
        }
      }
      if (changed) st.m_refreshRequested = true;
      if (st.m_refreshRequested && !stop.stop_requested()) RunUpdateWorker(stop);
    } else {
      Tell(UpdateOutcome::NoProductNumber);
    }
  }
  st.m_refreshRequested = false;
  st.m_checkRunning = false;
}

void UpdateEngine::Impl::RunUpdateWorker(std::stop_token stop) {
  auto& st = state();
  auto& client = deps.client;
  if (client.GetConnectDone()) return;

  const fs::path songFolder = GetSongsFolder(st);
  RefreshSongInventory(songFolder, st.moduleDir, port(), st);
  if (stop.stop_requested()) return;

  std::string key, digits, clientId, songIds;
  int kind = 0, songCount = 0;
  {
    std::lock_guard lock(st.mutex);
    key = st.m_serviceKey;
    kind = st.m_productKind;
    digits = st.m_productNumber;
    clientId = st.m_clientId;
    songCount = st.m_storedSongCount;
    songIds = st.m_storedSongIds;
  }
  const std::string wireName = WireServiceName(key, kind);
  std::erase(digits, '-');
  const fs::path archive = ArchivePathFor(st.moduleDir, digits);

  std::error_code ec;
  if (fs::exists(archive, ec)) {
    if (port().AskYesNo(text::kUseArchiveQuestion)) {
      {
        std::lock_guard lock(threadsMutex);
        if (!st.m_downloadRunning && !st.m_extractRunning) StartExtractionLocked();
      }
      client.SetConnectDone(true);
      return;
    }
  }
  if (stop.stop_requested()) return;

  bool needSongs = false;
  if (deps.transport.IsConnected()) {
    // A new connect makes any earlier package URL stale.
    st.m_packageReady = false;
    {
      std::lock_guard lock(st.mutex);
      st.m_packageUrl.clear();
    }
    client.DeviceConnect(clientId, wireName, digits, kOrvikVersion, songCount, songIds, false);
    if (client.LastFailure().kind != TransportFailure::None) {
      TellFailure("device connect", false);
      return;
    }
    Answered();
    needSongs = client.NeedUpdateSong();
  } else {
    client.SetConnectDone(true);
    logging::Warning("check: no network connection");
    Tell(UpdateOutcome::Unreachable);
    return;
  }

  if (deps.transport.IsConnected() && client.NeedUpdateApp()) OfferLauncherUpdate();
  if (stop.stop_requested()) return;

  const std::string action = client.GetAction();
  const std::string code = client.GetReplyValue("updateCode");
  const int count = LeadingInteger(client.GetUpdateSongCount());
  logging::Info("check: " + std::to_string(songCount) + " songs stored, action=" +
                (needSongs ? action : std::string("none")) + ", " + std::to_string(count) +
                " songs, update code " + (code.empty() ? std::string("-") : code));
  if (!needSongs) {
    Tell(UpdateOutcome::NothingToAdd);
    return;
  }
  if (client.IsActionRemove()) {
    // No song store configured: nothing is deleted anywhere.
    int removed = 0;
    if (!songFolder.empty()) {
      removed = client.RemoveListedSongs(songFolder);
      RefreshSongInventory(songFolder, st.moduleDir, port(), st);
    }
    Tell(UpdateOutcome::Removed, removed);
    return;
  }
  port().SetControlText(ctl::kUpdateCountLabel, FormatWithThousands(count) + text::kSongsUnit);
  const std::string url = client.GetUpdateEvent();
  if (!url.empty()) {
    MarkPackageReady(url);
  } else if (client.LastFailure().kind != TransportFailure::None) {
    TellFailure("update event", true);
  } else {
    {
      std::lock_guard lock(pollMutex);
      pollStarted = std::chrono::steady_clock::now();
    }
    port().StartTimer(timer::kEventPoll, 2000);
  }
}

void UpdateEngine::Impl::OfferLauncherUpdate() {
  if (!port().AskYesNo(text::kLauncherUpdateQuestion)) return;
  const std::string url = deps.client.GetAppFileUrl();
  // Only web addresses: anything else would let the service start a local program.
  if (IsWebAddress(url)) {
    port().OpenAddress(url);
  } else {
    port().ShowMessage(text::kLauncherUpdateBadAddress, MessageIcon::Warning);
  }
}

void UpdateEngine::Impl::EventPollThread() {
  const std::string url = deps.client.GetUpdateEvent();
  if (deps.client.LastFailure().kind == TransportFailure::None) Answered();
  if (!url.empty()) {
    MarkPackageReady(url);
    port().StopTimer(timer::kEventPoll);
  } else if (deps.client.LastFailure().kind != TransportFailure::None) {
    port().StopTimer(timer::kEventPoll);
    TellFailure("update event", true);
  } else {
    std::chrono::steady_clock::time_point started;
    {
      std::lock_guard lock(pollMutex);
      started = pollStarted;
    }
    if (std::chrono::steady_clock::now() - started >= deps.pollLimit) {
      port().StopTimer(timer::kEventPoll);
      logging::Warning("check: the package was still not ready when the poll gave up");
      Tell(UpdateOutcome::PollExpired);
    }
  }
  state().m_eventPollRunning = false;
}

void UpdateEngine::Impl::DownloadPackageThread(std::stop_token stop) {
  auto& st = state();
  std::string url, product;
  {
    std::lock_guard lock(st.mutex);
    url = st.m_packageUrl;
    product = st.m_productNumber;
  }
  const fs::path archive = ArchivePathFor(st.moduleDir, product);
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
  const DownloadOutcome outcome = DownloadPackage(deps.transport, url, archive, callbacks, stop);
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
    std::string status;
    switch (outcome.result) {
      case DownloadResult::HttpError:
        status = std::string(text::kDownloadFailedHttp) + std::to_string(outcome.status);
        break;
      case DownloadResult::NoSpace:
        status = text::kDownloadNoSpace + platform::PathToUtf8(st.moduleDir);
        break;
      case DownloadResult::NotSecure:
        status = text::kDownloadNotSecure;
        break;
      case DownloadResult::WriteFailed:
        status = text::kDownloadWriteFailed + platform::PathToUtf8(st.moduleDir);
        break;
      case DownloadResult::TransportError:
        status = text::kDownloadInterrupted +
                 TransportFailureText({outcome.failure, outcome.status, outcome.detail});
        break;
      case DownloadResult::Incomplete:
        status = std::string(text::kDownloadInterrupted) + text::kDownloadCut;
        break;
      default:
        status = text::kDownloadFailed;
        break;
    }
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
  const fs::path songFolder = GetSongsFolder(st);

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
  logging::Info("unpacking: " + platform::PathToUtf8(archive) + " into " +
                platform::PathToUtf8(songFolder));
  const ExtractReport report = InstallPackage(
      archive, songFolder, st.moduleDir,
      [this](int percent) {
        port().PostWindowMessage(WM_SET_PROGRESS, static_cast<std::uintptr_t>(percent), 0);
      },
      stop, ExtractOptions{deps.sevenZip});
  if (report.result == ExtractResult::Stopped) {
    logging::Info("unpacking: stopped (window closed)");
    return;
  }
  if (report.result != ExtractResult::Ok) {
    std::string status = text::kUnpackFailed + platform::PathToUtf8(archive);
    switch (report.result) {
      case ExtractResult::NoArchive:
        status = text::kUnpackNoArchive + platform::PathToUtf8(archive);
        break;
      case ExtractResult::NoSevenZip:
        status = text::kUnpackNoSevenZip;
        break;
      case ExtractResult::UnsafeEntry:
        status = text::kUnpackUnsafe + report.detail;
        break;
      case ExtractResult::StoreNotWritable:
        status = text::kUnpackNotWritable + platform::PathToUtf8(songFolder);
        break;
      default:
        break;
    }
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
  deps.client.ReportUpdateResult(1);
  std::error_code ec;
  fs::remove(archive, ec);
  port().PostWindowMessage(WM_UPDATE_STATE, 0, kStateFinished);
}

void UpdateEngine::Impl::StartExtractionLocked() {
  if (extractThread.joinable()) extractThread.join();  // an earlier, finished extraction
  state().m_extractRunning = true;
  extractThread = std::jthread([this](std::stop_token stop) { ExtractPackageThread(stop); });
}

UpdateEngine::UpdateEngine(UpdateEngineDeps deps)
    : impl_(std::make_unique<Impl>(std::move(deps))) {}

UpdateEngine::~UpdateEngine() { Shutdown(); }

void UpdateEngine::StartUpdateCheck() {
  auto& st = impl_->state();
  if (!st.m_isActive) return;
  // Claimed here, on the UI thread, so two ticks can never start two checks.
  bool expected = false;
  if (!st.m_checkRunning.compare_exchange_strong(expected, true)) return;
  std::lock_guard lock(impl_->threadsMutex);
  if (impl_->checkThread.joinable()) impl_->checkThread.join();  // finished: flag was clear
  impl_->checkThread =
      std::jthread([this](std::stop_token stop) { impl_->UpdateCheckThread(stop); });
}

void UpdateEngine::StartEventPoll() {
  auto& st = impl_->state();
  bool expected = false;
  if (!st.m_eventPollRunning.compare_exchange_strong(expected, true)) return;
  std::lock_guard lock(impl_->threadsMutex);
  if (impl_->pollThread.joinable()) impl_->pollThread.join();
  impl_->pollThread = std::jthread([this] { impl_->EventPollThread(); });
}

bool UpdateEngine::StartDownload() {
  auto& st = impl_->state();
  std::lock_guard lock(impl_->threadsMutex);
  if (st.m_downloadRunning || st.m_extractRunning) return false;
  if (impl_->downloadThread.joinable()) impl_->downloadThread.join();
  st.m_downloadRunning = true;
  impl_->downloadThread =
      std::jthread([this](std::stop_token stop) { impl_->DownloadPackageThread(stop); });
  return true;
}

void UpdateEngine::OnDownloadFinished(bool completed) {
  auto& st = impl_->state();
  std::lock_guard lock(impl_->threadsMutex);
  if (impl_->downloadThread.joinable()) impl_->downloadThread.join();
  st.m_downloadRunning = false;
  if (completed && !st.m_extractRunning) impl_->StartExtractionLocked();
}

void UpdateEngine::OnExtractionFinished() {
  std::lock_guard lock(impl_->threadsMutex);
  if (impl_->extractThread.joinable()) impl_->extractThread.join();
  impl_->state().m_extractRunning = false;
}

void UpdateEngine::WaitForChecks() {
  std::jthread check, poll;
  {
    std::lock_guard lock(impl_->threadsMutex);
    check = std::move(impl_->checkThread);
    poll = std::move(impl_->pollThread);
  }
  if (check.joinable()) check.join();
  if (poll.joinable()) poll.join();
}

bool UpdateEngine::IsDownloading() const { return impl_->state().m_downloadRunning; }
bool UpdateEngine::IsExtracting() const { return impl_->state().m_extractRunning; }

void UpdateEngine::Shutdown() {
  if (!impl_) return;
  // Take the threads out under the lock, join them outside it: the check thread may be
  // waiting for the lock to start an extraction.
  std::jthread threads[4];
  {
    std::lock_guard lock(impl_->threadsMutex);
    threads[0] = std::move(impl_->checkThread);
    threads[1] = std::move(impl_->pollThread);
    threads[2] = std::move(impl_->downloadThread);
    threads[3] = std::move(impl_->extractThread);
  }
  for (auto& t : threads) t.request_stop();
  for (auto& t : threads)
    if (t.joinable()) t.join();
  // The check thread may have started an extraction while being joined.
  std::jthread late;
  {
    std::lock_guard lock(impl_->threadsMutex);
    late = std::move(impl_->extractThread);
  }
  if (late.joinable()) {
    late.request_stop();
    late.join();
  }
  // Nothing runs any more; a stopped download or extraction posted no end the window reads.
  impl_->state().m_downloadRunning = false;
  impl_->state().m_extractRunning = false;
}

}  // namespace orvik
