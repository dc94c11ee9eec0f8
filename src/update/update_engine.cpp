#include "update/update_engine.h"

#include "update/update_engine_impl.h"

#include <algorithm>
#include <atomic>
#include <mutex>
#include <thread>

#include "core/catalogue.h"
#include "core/launcher_settings.h"
#include "core/launcher_state.h"
#include "core/product_source.h"
#include "core/window_port.h"
#include "library/inventory.h"
#include "platform/path_text.h"
#include "service/http_transport.h"
#include "service/service_client.h"
#include "service/web_address.h"
#include "update/package_download.h"
#include "update/package_extractor.h"
#include "update/package_sidecar.h"
#include "update/pending_result.h"
#include "update/store_move.h"
#include "update/update_status.h"
#include "update/update_texts.h"

namespace fs = std::filesystem;

namespace orvik {

fs::path ArchivePathFor(const fs::path& moduleDir, const std::string& productNumber) {
  std::string digits = productNumber;
  std::erase(digits, '-');
  return moduleDir / (digits + ".zip");
}

// Said on the status line; nothing is offered, downloaded or unpacked for a store that is
// not there (a disk not mounted): a new folder on the system disk would take the catalogue.
bool UpdateEngine::Impl::SongFolderMissing(const fs::path& songFolder) {
  std::error_code ec;
  if (songFolder.empty() || fs::is_directory(songFolder, ec)) return false;
  port().SetControlText(ctl::kStatusLine,
                        text::kSongFolderMissing + platform::PathToUtf8(songFolder));
  return true;
}

void UpdateEngine::Impl::MarkPackageReady(const std::string& url) {
  {
    std::lock_guard lock(state().mutex);
    state().m_packageUrl = url;
  }
  state().m_packageReady = true;
  port().SetControlChecked(ctl::kUpdateButton, true);
  port().RedrawControl(ctl::kUpdateButton);
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
    }
  }
  st.m_refreshRequested = false;
  st.m_checkRunning = false;
}

void UpdateEngine::Impl::RunUpdateWorker(std::stop_token stop) {
  auto& st = state();
  auto& client = deps.client;
  if (client.GetConnectDone()) return;

  // An update a kill or a power cut interrupted is finished before anything counts songs.
  if (!storeRecovered.exchange(true)) FinishOpenJournal(st.moduleDir);
  const fs::path songFolder = GetSongsFolderPath(st);
  if (SongFolderMissing(songFolder)) return;
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

  // A result still owed goes first; its package is in the store and never offered again.
  auto owed = ReadPendingResults(st.moduleDir);
  if (!owed.empty() && deps.transport.IsConnected()) {
    SendPendingResults(client, st.moduleDir, archive);
    owed = ReadPendingResults(st.moduleDir);
  }
  const auto sidecar = ReadSidecar(archive);
  const bool archiveApplied =
      sidecar && std::any_of(owed.begin(), owed.end(), [&](const PendingResult& r) {
        return r.updateCode == sidecar->updateCode;
      });

  std::error_code ec;
  if (!archiveApplied && fs::exists(archive, ec)) {
    if (port().AskYesNo(text::kUseArchiveQuestion)) {
      // A leftover package is an insert like any other: the song-list question follows.
      client.SetReplyValue("action", "insert");
      {
        std::lock_guard lock(threadsMutex);
        if (!st.m_downloadRunning && !st.m_extractRunning) StartExtractionLocked();
      }
      client.SetConnectDone(true);
      return;
    }
  }
  if (stop.stop_requested()) return;

  // The window has said why on the status line.
  if (st.m_clientIdMissing) return;

  bool needSongs = false;
  if (deps.transport.IsConnected()) {
    // A new connect makes any earlier package URL stale.
    st.m_packageReady = false;
    {
      std::lock_guard lock(st.mutex);
      st.m_packageUrl.clear();
    }
    client.DeviceConnect(clientId, wireName, digits, "0.9.1", songCount, songIds, false);
    needSongs = client.NeedUpdateSong();
  } else {
    client.SetConnectDone(true);
  }

  if (deps.transport.IsConnected() && client.NeedUpdateApp()) OfferLauncherUpdate();
  if (stop.stop_requested()) return;

  if (!needSongs) {
    port().ShowControl(ctl::kUpdateButton, false);
    port().ShowControl(ctl::kRunButton, true);
    return;
  }
  if (client.IsActionRemove()) {
    // No song store configured: nothing is deleted anywhere.
    if (!songFolder.empty()) client.RemoveListedSongs(songFolder);
    return;
  }
  const int count = LeadingInteger(client.GetUpdateSongCount());
  port().SetControlText(ctl::kUpdateCountLabel, FormatWithThousands(count) + text::kSongsUnit);
  const std::string url = client.GetUpdateEvent();
  if (!url.empty()) {
    MarkPackageReady(url);
  } else {
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
  if (!url.empty()) {
    MarkPackageReady(url);
    port().StopTimer(timer::kEventPoll);
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
  const DownloadOutcome outcome = DownloadPackage(deps.transport, url, archive, callbacks, stop,
                                                  deps.client.GetReplyValue("updateCode"));

  if (outcome.result != DownloadResult::Complete && outcome.result != DownloadResult::Stopped) {
    port().SetControlText(ctl::kStatusLine, DownloadFailureText(outcome));
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

  if (songFolder.empty()) {
    port().SetControlText(ctl::kStatusLine, text::kUnpackNoSongFolder);
    port().PostWindowMessage(WM_UPDATE_STATE, 0, kStateUnpackFailed);
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
  options.killAfterFiles = deps.killAfterFiles;
  const ExtractReport report = InstallPackage(
      archive, songFolder, st.moduleDir,
      [this](int percent) {
        port().PostWindowMessage(WM_SET_PROGRESS, static_cast<std::uintptr_t>(percent), 0);
      },
      stop, options);
  if (report.result == ExtractResult::Stopped) return;
  if (report.result != ExtractResult::Ok) {
    // A damaged package is not offered again at the next start; the next press fetches it.
    if (report.result == ExtractResult::ArchiveBroken ||
        report.result == ExtractResult::UnsafeEntry) {
      std::error_code ec;
      fs::remove(archive, ec);
      fs::remove(SidecarPathFor(archive), ec);
    }
    port().SetControlText(ctl::kStatusLine, ExtractFailureText(report));
    port().PostWindowMessage(WM_UPDATE_STATE, 0, kStateUnpackFailed);
    return;
  }

  RefreshSongInventory(songFolder, st.moduleDir, port(), st);
  // Sent once; when it cannot be (the window closes, the service is down) it stays owed and
  // goes at the next start. The archive goes with it.
  if (options.updateCode.empty()) {
    std::error_code ec;
    fs::remove(archive, ec);  // a package without a code: nothing to report
    fs::remove(SidecarPathFor(archive), ec);
  }
  SendPendingResults(deps.client, st.moduleDir, archive);
  port().PostWindowMessage(WM_UPDATE_STATE, 0, kStateFinished);
}

}  // namespace orvik
