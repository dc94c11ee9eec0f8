// The update engine's inside, shared by its files: the check and poll (update_engine.cpp),
// the download and extraction threads (update_install.cpp) and the starting and stopping of
// its threads (update_engine_control.cpp).
#pragma once

#include <atomic>
#include <chrono>
#include <filesystem>
#include <mutex>
#include <stop_token>
#include <string>
#include <thread>

#include "core/launcher_state.h"
#include "core/update_history.h"
#include "core/window_port.h"
#include "update/update_engine.h"
#include "update/update_outcome.h"

namespace orvik {

struct UpdateEngine::Impl {
  explicit Impl(UpdateEngineDeps d) : deps(std::move(d)) {}

  UpdateEngineDeps deps;
  std::mutex threadsMutex;  // guards the thread objects (the check thread starts extractions)
  std::jthread checkThread, pollThread, downloadThread, extractThread;
  std::atomic<bool> storeRecovered{false};
  // The update's line in the history, filled by the download and extraction threads in
  // turn (one after the other) and appended once.
  HistoryEntry history;

  LauncherState& state() { return deps.state; }
  WindowPort& port() { return deps.port; }

  void UpdateCheckThread(std::stop_token stop);
  void RunUpdateWorker(std::stop_token stop);
  void RecoverStore();
  void SendOwedResults(const std::filesystem::path& archive);
  void OfferLauncherUpdate();
  void EventPollThread();
  void DownloadPackageThread(std::stop_token stop);
  void ExtractPackageThread(std::stop_token stop);
  void AppendUpdateHistory(const std::string& outcome,
                           std::chrono::steady_clock::time_point unpackStarted);
  void StartExtractionLocked();
  void MarkPackageReady(const std::string& url);
  bool SongFolderMissing(const std::filesystem::path& songFolder);
  void Tell(UpdateOutcome outcome, long detail = 0);
  void TellFailure(const char* what, bool eventRequest);
  void Answered() { outageTold = false; }

  // "HTTP request failed." is shown once per outage: until a request is answered again.
  std::atomic<bool> outageTold{false};

  std::mutex pollMutex;
  std::chrono::steady_clock::time_point pollStarted;  // under pollMutex
};

}  // namespace orvik
