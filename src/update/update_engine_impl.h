// The update engine's inside, shared by its files: the check and poll (update_engine.cpp),
// the download and extraction (update_install.cpp) and the starting and stopping of its
// threads (update_engine_control.cpp).
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <optional>
#include <stop_token>
#include <string>
#include <thread>

#include "core/launcher_state.h"
#include "library/inventory.h"
#include "update/update_engine.h"
#include "update/update_events.h"
#include "update/update_outcome.h"

namespace orvik {

struct DownloadOutcome;
struct ExtractOptions;
struct ExtractReport;

// The inventory's news, passed on as the engine's events.
class InventoryRelay : public InventoryListener {
 public:
  explicit InventoryRelay(UpdateEvents& events) : events_(events) {}
  void OnCounting() override { events_.OnStoreCounting(); }
  void OnCounted(int songs) override { events_.OnStoreCounted(songs); }
  void OnFolderNotFound() override;

 private:
  UpdateEvents& events_;
};

// What one check asks the service with, read once from the shared state.
struct CheckInputs {
  std::filesystem::path songFolder, archive;
  std::string wireName, digits, clientId, songIds;
  int songCount = 0;
};

struct UpdateEngine::Impl {
  explicit Impl(UpdateEngineDeps d) : deps(std::move(d)), inventory(deps.events) {}

  UpdateEngineDeps deps;
  InventoryRelay inventory;
  // Guards the thread objects (the check thread starts an unpacking of a leftover package).
  std::mutex threadsMutex;
  // The update thread runs the download and goes on to the unpacking by itself.
  std::jthread checkThread, pollThread, updateThread;
  std::atomic<bool> storeRecovered{false};
  bool songsRecovered = false;  // the check thread's: the start finished an update

  LauncherState& state() { return deps.state; }
  UpdateEvents& events() { return deps.events; }

  // update_engine.cpp: the check.
  void UpdateCheckThread(std::stop_token stop);
  void RunUpdateWorker(std::stop_token stop);
  void RecoverStore();
  std::optional<CheckInputs> TakeInventory(std::stop_token stop);
  void SendOwedResults(const std::filesystem::path& archive);
  bool UseLeftoverArchive(const std::filesystem::path& archive);
  std::optional<bool> ConnectDevice(const CheckInputs& in);
  void ActOnReply(const CheckInputs& in, bool needSongs);
  void OfferLauncherUpdate();
  void EventPollThread();
  void MarkPackageReady(const std::string& url);
  bool SongFolderMissing(const std::filesystem::path& songFolder);
  void Tell(UpdateOutcome outcome, long detail = 0) { events().OnOutcome(outcome, detail); }
  void TellFailure(const char* what, bool eventRequest);
  void Answered() { outageTold = false; }

  // update_install.cpp: the download and the unpacking.
  void UpdateThread(std::stop_token stop);
  bool DownloadPackageThread(std::stop_token stop);
  void LogDownloadEnd(const DownloadOutcome& outcome, std::uint64_t fetched, double seconds);
  void ExtractPackageThread(std::stop_token stop);
  void FinishInstall(const ExtractReport& report, const ExtractOptions& options,
                     const std::filesystem::path& archive,
                     const std::filesystem::path& songFolder, double seconds);
  void FailUnpacking(const std::string& status, const std::string& detail);
  void StartExtractionLocked();

  // Result reports: none starts once the window closes; one on its way may finish.
  void SendResults(const std::filesystem::path& archive);
  std::mutex reportMutex;
  std::condition_variable reportEnded;
  bool reporting = false;  // under reportMutex
  bool closing = false;    // under reportMutex

  // "HTTP request failed." is shown once per outage: until a request is answered again.
  std::atomic<bool> outageTold{false};

  std::mutex pollMutex;
  std::chrono::steady_clock::time_point pollStarted;  // under pollMutex
};

}  // namespace orvik
