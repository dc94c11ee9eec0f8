#include "update/update_engine.h"
#include "update/update_engine_impl.h"

#include "update/pending_result.h"

namespace orvik {

void UpdateEngine::Impl::StartExtractionLocked() {
  if (updateThread.joinable()) updateThread.join();  // an earlier, finished update
  state().m_extractRunning = true;
  updateThread = std::jthread([this](std::stop_token stop) { ExtractPackageThread(stop); });
}

UpdateEngine::UpdateEngine(UpdateEngineDeps deps)
    : impl_(std::make_unique<Impl>(std::move(deps))) {}

UpdateEngine::~UpdateEngine() { Shutdown(); }

void UpdateEngine::StartUpdateCheck() {
  auto& st = impl_->state();
  if (!st.m_isActive) return;
  // Claimed here, on the caller's thread, so two ticks can never start two checks.
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
  // The flags are cleared before the last event: a finished thread only has to return.
  if (impl_->updateThread.joinable()) impl_->updateThread.join();
  st.m_downloadRunning = true;
  impl_->updateThread =
      std::jthread([this](std::stop_token stop) { impl_->UpdateThread(stop); });
  return true;
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

void UpdateEngine::WaitForUpdate() {
  std::jthread update;
  {
    std::lock_guard lock(impl_->threadsMutex);
    update = std::move(impl_->updateThread);
  }
  if (update.joinable()) update.join();
}

void UpdateEngine::Impl::SendResults(const std::filesystem::path& archive) {
  {
    std::lock_guard lock(reportMutex);
    if (closing) return;  // owed: sent at the next start
    reporting = true;
  }
  SendPendingResults(deps.client, state().moduleDir, archive, [this] {
    std::lock_guard lock(reportMutex);
    return !closing;
  });
  {
    std::lock_guard lock(reportMutex);
    reporting = false;
  }
  reportEnded.notify_all();
}

void UpdateEngine::SettleReports(std::chrono::milliseconds grace) {
  std::unique_lock lock(impl_->reportMutex);
  impl_->closing = true;
  impl_->reportEnded.wait_for(lock, grace, [this] { return !impl_->reporting; });
}

bool UpdateEngine::IsDownloading() const { return impl_->state().m_downloadRunning; }
bool UpdateEngine::IsExtracting() const { return impl_->state().m_extractRunning; }

void UpdateEngine::Shutdown() {
  if (!impl_) return;
  // Take the threads out under the lock, join them outside it: the check thread may be
  // waiting for the lock to start an unpacking.
  std::jthread threads[3];
  {
    std::lock_guard lock(impl_->threadsMutex);
    threads[0] = std::move(impl_->checkThread);
    threads[1] = std::move(impl_->pollThread);
    threads[2] = std::move(impl_->updateThread);
  }
  for (auto& t : threads) t.request_stop();
  for (auto& t : threads)
    if (t.joinable()) t.join();
  // The check thread may have started an unpacking while being joined.
  std::jthread late;
  {
    std::lock_guard lock(impl_->threadsMutex);
    late = std::move(impl_->updateThread);
  }
  if (late.joinable()) {
    late.request_stop();
    late.join();
  }
  // Nothing runs any more; a stopped download or unpacking told no end.
  impl_->state().m_downloadRunning = false;
  impl_->state().m_extractRunning = false;
}

}  // namespace orvik
