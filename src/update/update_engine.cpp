#include "update/update_engine.h"

#include "update/update_engine_impl.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <mutex>
#include <thread>
#include <utility>

#include "core/catalogue.h"
#include "core/last_update.h"
#include "core/launcher_settings.h"
#include "core/launcher_state.h"
#include "core/log.h"
#include "core/product_source.h"
#include "core/version.h"
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

void InventoryRelay::OnFolderNotFound() { events_.OnStatus(text::kSongFolderNotFound); }

// Said on the status line; nothing is offered, downloaded or unpacked for a store that is
// not there (a disk not mounted): a new folder on the system disk would take the catalogue.
bool UpdateEngine::Impl::SongFolderMissing(const fs::path& songFolder) {
  std::error_code ec;
  if (songFolder.empty() || fs::is_directory(songFolder, ec)) return false;
  const std::string status = text::kSongFolderMissing + platform::PathToUtf8(songFolder);
  events().OnStatus(status);
  logging::Warning("status: " + status);
  return true;
}

// An update a kill or a power cut interrupted is finished before anything counts songs.
void UpdateEngine::Impl::RecoverStore() {
  if (storeRecovered.exchange(true)) return;
  const StoreRecovery recovery = FinishOpenJournal(state().moduleDir, GetSongsFolderPath(state()));
  if (!recovery.logLine.empty())
    (recovery.error ? logging::Error : logging::Warning)(recovery.logLine);
  if (recovery.outcome == Recovery::RolledForward) songsRecovered = true;
  if (!recovery.statusText.empty()) events().OnStatus(recovery.statusText);
  // A result file that cannot be read is set aside once, so the package is not installed again.
  if (const auto said = SetAsideUnreadablePendingResults(state().moduleDir)) events().OnStatus(*said);
}

// Owed results go first; their packages are in the store and never offered again.
void UpdateEngine::Impl::SendOwedResults(const fs::path& archive) {
  const std::size_t owed = ReadPendingResults(state().moduleDir).size();
  if (owed == 0 || !deps.transport.IsConnected()) return;
  SendResults(archive);
  const std::size_t left = ReadPendingResults(state().moduleDir).size();
  logging::Info("result: " + std::to_string(owed - std::min(owed, left)) + " of " +
                std::to_string(owed) + " owed results sent" +
                (left ? ", " + std::to_string(left) + " kept for the next start" : ""));
}

// A request of the check brought no reply: the receiver shows why and checks again later.
// The update event's failure also has the design's box, after the outcome was told, so
// the run button is there while the box waits for the operator.
void UpdateEngine::Impl::TellFailure(const char* what, bool eventRequest) {
  const TransportError error = deps.client.LastFailure();
  logging::Warning(std::string("check: ") + what + " failed: " + TransportFailureText(error) +
                   (error.detail.empty() ? "" : " (" + error.detail + ")"));
  Tell(OutcomeOfFailure(error.kind), error.status);
  if (eventRequest && !outageTold.exchange(true)) events().OnNotice(UpdateNotice::RequestFailed);
}

void UpdateEngine::Impl::MarkPackageReady(const std::string& url) {
  {
    std::lock_guard lock(state().mutex);
    state().m_packageUrl = url;
  }
  state().m_packageReady = true;
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
  if (deps.client.GetConnectDone()) return;
  RecoverStore();
  const std::optional<CheckInputs> in = TakeInventory(stop);
  if (!in) return;
  // Counted first: the list program reads the store as the inventory left it.
  if (std::exchange(songsRecovered, false)) events().OnInterruptedUpdateFinished();
  SendOwedResults(in->archive);
  if (UseLeftoverArchive(in->archive)) return;
  if (stop.stop_requested()) return;

  // The window has said why on the status line; the player can still be started.
  if (state().m_clientIdMissing) {
    logging::Warning("check: no client identifier, the service is not asked");
    Tell(UpdateOutcome::NothingToAdd);
    return;
  }
  const std::optional<bool> needSongs = ConnectDevice(*in);
  if (!needSongs) return;
  if (deps.transport.IsConnected() && deps.client.NeedUpdateApp()) OfferLauncherUpdate();
  if (stop.stop_requested()) return;
  ActOnReply(*in, *needSongs);
}

// Counts the store and reads what the check asks with; nothing when the store is not
// there or the engine stops.
std::optional<CheckInputs> UpdateEngine::Impl::TakeInventory(std::stop_token stop) {
  auto& st = state();
  CheckInputs in;
  in.songFolder = GetSongsFolderPath(st);
  if (SongFolderMissing(in.songFolder)) {
    Tell(UpdateOutcome::SongFolderMissing);
    return std::nullopt;
  }
  RefreshSongInventory(in.songFolder, st.moduleDir, inventory, st);
  if (stop.stop_requested()) return std::nullopt;
  std::string key;
  int kind = 0;
  {
    std::lock_guard lock(st.mutex);
    key = st.m_serviceKey;
    kind = st.m_productKind;
    in.digits = st.m_productNumber;
    in.clientId = st.m_clientId;
    in.songCount = st.m_storedSongCount;
    in.songIds = st.m_storedSongIds;
  }
  in.wireName = WireServiceName(key, kind);
  std::erase(in.digits, '-');
  in.archive = ArchivePathFor(st.moduleDir, in.digits);
  return in;
}

// A package left by an earlier run (not one already applied and owed a result) is offered;
// true when it is being unpacked instead of asking the service.
bool UpdateEngine::Impl::UseLeftoverArchive(const fs::path& archive) {
  auto& st = state();
  const auto owed = ReadPendingResults(st.moduleDir);
  const auto sidecar = ReadSidecar(archive);
  const bool archiveApplied =
      sidecar && std::any_of(owed.begin(), owed.end(), [&](const PendingResult& r) {
        return r.updateCode == sidecar->updateCode;
      });
  std::error_code ec;
  if (archiveApplied || !fs::exists(archive, ec)) return false;
  if (!events().Ask(UpdateQuestion::UseLeftoverArchive, true)) return false;
  logging::Info("check: the package left by an earlier download is used");
  // A leftover package is an insert like any other: the song list follows.
  deps.client.SetReplyValue("action", "insert");
  {
    std::lock_guard lock(threadsMutex);
    if (!st.m_downloadRunning && !st.m_extractRunning) StartExtractionLocked();
  }
  deps.client.SetConnectDone(true);
  return true;
}

// The device connect; whether songs are wanted, or nothing when the check ended here.
std::optional<bool> UpdateEngine::Impl::ConnectDevice(const CheckInputs& in) {
  auto& st = state();
  auto& client = deps.client;
  if (!deps.transport.IsConnected()) {
    client.SetConnectDone(true);
    logging::Warning("check: no network connection");
    Tell(UpdateOutcome::Unreachable);
    return std::nullopt;
  }
  // A new connect makes any earlier package URL stale.
  st.m_packageReady = false;
  {
    std::lock_guard lock(st.mutex);
    st.m_packageUrl.clear();
  }
  client.DeviceConnect(in.clientId, in.wireName, in.digits, kOrvikVersion, in.songCount,
                       in.songIds, false);
  if (client.LastFailure().kind != TransportFailure::None) {
    TellFailure("device connect", false);
    return std::nullopt;
  }
  Answered();
  return client.NeedUpdateSong();
}

// Nothing to do, songs to delete, or songs to add: then the package is fetched or polled for.
void UpdateEngine::Impl::ActOnReply(const CheckInputs& in, bool needSongs) {
  auto& client = deps.client;
  const std::string action = client.GetAction();
  const std::string code = client.GetReplyValue("updateCode");
  const int count = LeadingInteger(client.GetUpdateSongCount());
  logging::Info("check: " + std::to_string(in.songCount) + " songs stored, action=" +
                (needSongs ? action : std::string("none")) + ", " + std::to_string(count) +
                " songs, update code " + (code.empty() ? std::string("-") : code));
  if (!needSongs) {
    Tell(UpdateOutcome::NothingToAdd);
    return;
  }
  if (client.IsActionRemove()) {
    // No song store configured: nothing is deleted anywhere.
    int removed = 0;
    if (!in.songFolder.empty()) {
      std::vector<fs::path> gone;
      removed = client.RemoveListedSongs(in.songFolder, &gone);
      ForgetStoreFiles(state().moduleDir, in.songFolder, gone);
      RefreshSongInventory(in.songFolder, state().moduleDir, inventory, state());
    }
    Tell(UpdateOutcome::Removed, removed);
    return;
  }
  events().OnSongsToAdd(count);
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
    events().OnEventPoll(true, kEventPollMs);
  }
}

void UpdateEngine::Impl::OfferLauncherUpdate() {
  if (!events().Ask(UpdateQuestion::OpenLauncherUpdate, false)) {
    logging::Info("check: a newer launcher is offered; not opened");
    return;
  }
  const std::string url = deps.client.GetAppFileUrl();
  // Only web addresses: anything else would let the service start a local program.
  if (IsWebAddress(url)) {
    events().OnOpenAddress(url);
  } else {
    events().OnNotice(UpdateNotice::LauncherUpdateBadAddress);
  }
}

void UpdateEngine::Impl::EventPollThread() {
  const std::string url = deps.client.GetUpdateEvent();
  if (deps.client.LastFailure().kind == TransportFailure::None) Answered();
  if (!url.empty()) {
    events().OnEventPoll(false, 0);
    MarkPackageReady(url);
  } else if (deps.client.LastFailure().kind != TransportFailure::None) {
    events().OnEventPoll(false, 0);
    TellFailure("update event", true);
  } else {
    std::chrono::steady_clock::time_point started;
    {
      std::lock_guard lock(pollMutex);
      started = pollStarted;
    }
    if (std::chrono::steady_clock::now() - started >= deps.pollLimit) {
      events().OnEventPoll(false, 0);
      logging::Warning("check: the package was still not ready when the poll gave up");
      Tell(UpdateOutcome::PollExpired);
    }
  }
  state().m_eventPollRunning = false;
}

}  // namespace orvik
