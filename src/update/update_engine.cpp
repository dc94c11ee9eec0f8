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
#include "update/update_outcome.h"
#include "update/update_texts.h"

namespace fs = std::filesystem;

namespace orvik {

fs::path ArchivePathFor(const fs::path& moduleDir, const std::string& productNumber) {
  std::string digits = productNumber;
  std::erase(digits, '-');
  return moduleDir / (digits + ".zip");
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
