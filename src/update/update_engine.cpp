#include "update/update_engine.h"

#include "update/update_engine_impl.h"

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
#include "update/package_sidecar.h"
#include "update/pending_result.h"
#include "update/store_manifest.h"
#include "update/store_move.h"
#include "update/update_outcome.h"
#include "core/user_texts.h"

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
  const std::string status = text::kSongFolderMissing + platform::PathToUtf8(songFolder);
  port().SetControlText(ctl::kStatusLine, status);
  logging::Warning("status: " + status);
  return true;
}

// An update a kill or a power cut interrupted is finished before anything counts songs.
void UpdateEngine::Impl::RecoverStore() {
  if (storeRecovered.exchange(true)) return;
  const StoreRecovery recovery = FinishOpenJournal(state().moduleDir, GetSongsFolderPath(state()));
  if (!recovery.logLine.empty())
    (recovery.error ? logging::Error : logging::Warning)(recovery.logLine);
}

// Owed results go first; their packages are in the store and never offered again.
void UpdateEngine::Impl::SendOwedResults(const fs::path& archive) {
  const std::size_t owed = ReadPendingResults(state().moduleDir).size();
  if (owed == 0 || !deps.transport.IsConnected()) return;
  SendPendingResults(deps.client, state().moduleDir, archive);
  const std::size_t left = ReadPendingResults(state().moduleDir).size();
  logging::Info("result: " + std::to_string(owed - std::min(owed, left)) + " of " +
                std::to_string(owed) + " owed results sent" +
                (left ? ", " + std::to_string(left) + " kept for the next start" : ""));
}

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
    // A type with a number of its own asks for it; every other type asks for the
    // installation's product.
    const std::string key = st.ServiceKey();
    const auto product = HasOwnProductNumber(key)
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

  RecoverStore();
  const fs::path songFolder = GetSongsFolderPath(st);
  if (SongFolderMissing(songFolder)) {
    Tell(UpdateOutcome::SongFolderMissing);
    return;
  }
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

  SendOwedResults(archive);
  const auto owed = ReadPendingResults(st.moduleDir);
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

  // The window has said why on the status line; the player can still be started.
  if (st.m_clientIdMissing) {
    logging::Warning("check: no client identifier, the service is not asked");
    Tell(UpdateOutcome::NothingToAdd);
    return;
  }

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
      std::vector<fs::path> gone;
      removed = client.RemoveListedSongs(songFolder, &gone);
      ForgetStoreFiles(st.moduleDir, songFolder, gone);
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

}  // namespace orvik
