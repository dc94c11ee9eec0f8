// The main window's logic without a toolkit: start-up order, the command, message and timer
// tables, and the download-progress operation. A front end (Qt, Win32) forwards its events
// to it and draws what it asks through the window port.
#pragma once

#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <stop_token>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "core/catalogue.h"
#include "core/client_id.h"
#include "window/control_ids.h"
#include "core/launcher_state.h"
#include "core/launching.h"
#include "core/product_source.h"
#include "core/service_address.h"
#include "platform/process.h"
#include "update/update_events.h"
#include "update/update_outcome.h"
#include "window/download_rate.h"
#include "window/service_selection.h"
#include "window/verify_run.h"
#include "window/window_events.h"

namespace orvik {

class CServiceClient;
class HttpTransport;
class ProductNumberSource;
class UpdateEngine;
class WindowPort;

// Launch sequences and the song-list start run off the UI thread (their pauses would freeze
// the window); this message brings their result back.
inline constexpr unsigned WM_LAUNCH_DONE = kWmUser + 5;
// How an update check, a download or an unpacking ended (wParam: the UpdateOutcome, lParam:
// its detail), carried from the engine's thread to the UI thread.
inline constexpr unsigned WM_UPDATE_OUTCOME = kWmUser + 6;
// wParam flags of WM_UPDATE_STATE 4 (finished).
inline constexpr std::uintptr_t kFinishedSongListDue = 1;
inline constexpr std::uintptr_t kFinishedAtStart = 2;

// What a run without an operator (--sync) follows of the update. Told on the UI thread,
// after the window has shown it.
class UpdateWatcher {
 public:
  virtual ~UpdateWatcher() = default;
  // Every end of a check, a download or an unpacking.
  virtual void OnOutcome(UpdateOutcome outcome, long detail) = 0;
  // The package is installed; `songListDue`: the list program is being started.
  // `atStart`: an update cut short earlier was finished by this start's check, which goes on.
  virtual void OnUpdateFinished(bool songListDue, bool atStart) = 0;
  // A start off the UI thread that was not the player's (the list program) has ended.
  virtual void OnProgramStarted(bool started) = 0;
};

struct WindowDependencies {
  std::filesystem::path moduleDir;
  // Made once the settings are loaded, since they hold the service address.
  // Its transfers end when `shutdown` is requested (the window closes).
  std::function<std::unique_ptr<HttpTransport>(const ServiceAddress&,
                                               std::stop_token shutdown)>
      makeTransport;
  platform::ProcessApi* processes = nullptr;  // null: the system's
  std::function<void(int ms)> wait;           // null: really wait
  MidiPortLister listMidiPorts;               // null: the system's MIDI outputs
  // Null: the product number source backed by setting.env.
  std::unique_ptr<ProductNumberSource> products;
  // Set: nobody is at the window. The engine's questions take their unattended answers.
  UpdateWatcher* watcher = nullptr;
};

class COrvikWindow : public WindowEvents, private ServiceSelectionHooks, private UpdateEvents {
 public:
  COrvikWindow(WindowPort& port, WindowDependencies deps);
  ~COrvikWindow() override;

  void OnInitDialog() override;
  void OnCommand(int id) override;
  void OnCheckBoxClicked(int id, bool checked) override;
  void OnListSelectionChanged(int id, const std::string& text) override;
  void OnTimer(int timerId) override;
  void OnWindowMessage(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) override;
  void OnActivate(bool active) override;
  void OnClose() override;
  StatusPicture StatusPictureToShow() const override;
  bool MayClose() override;
  bool OffersRunInMenu() const override;
  const char* VerifyMenuItem() const override;
  void OnProgressCancel() override;

  // The download-progress operation, called on the download thread for every block;
  // null: the download failed.
  void OnDownloadProgress(const DownloadProgress* info);
  // The update button's work with a ready package; also what --sync does when it is ready.
  void StartPackageDownload();

  LauncherState& State() { return state_; }
  CServiceClient* Client() { return m_client.get(); }
  UpdateEngine* Engine() { return engine_.get(); }
  const ServiceAddress& Address() const { return address_; }

 private:
  void MarkReplyStale() override;
  void StartUpdateCheck() override;

  void OnUpdateButton();
  void OnRunButton();
  // The engine's events (worker threads), carried to the UI thread as window messages.
  void OnOutcome(UpdateOutcome outcome, long detail) override;
  void OnStage(UpdateStage stage) override;
  void OnUpdateFinished(bool songListDue) override;
  void OnInterruptedUpdateFinished() override;
  void OnStatus(const std::string& text) override;
  void OnDownloadProgress(const DownloadProgress& progress) override;
  void OnUnpackProgress(int percent) override;
  void OnStoreCounting() override;
  void OnStoreCounted(int songs) override;
  void OnSongsToAdd(int songs) override;
  bool Ask(UpdateQuestion question, bool defaultAnswer) override;
  void OnNotice(UpdateNotice notice) override;
  void OnOpenAddress(const std::string& address) override;
  void OnEventPoll(bool run, int periodMs) override;

  void OnUpdateState(int state, std::uintptr_t flags);
  void OnDownloadFinished(bool completed);
  void ApplyOutcome(UpdateOutcome outcome, long detail);
  void ShowRunButton(bool show);
  void CheckRunButton(bool checked);
  void OnBannerClicked(std::size_t index);
  void OnLaunchDone(bool started, bool wasPlayerLaunch);
  void StartMakeSongList();
  void RunOffUiThread(bool playerLaunch, std::function<bool()> work);
  void RunLaunchQueue();
  LaunchContext MakeLaunchContext();
  void Pause(int ms);
  void ShowInitialBannerPictures();
  void SayOwnFileProblem(ClientIdProblem idProblem);
  std::filesystem::path ImageFolder() const;

  WindowPort& port_;
  WindowDependencies deps_;
  LauncherState state_;
  ServiceAddress address_;
  std::unique_ptr<HttpTransport> transport_;
  std::unique_ptr<CServiceClient> m_client;
  std::unique_ptr<UpdateEngine> engine_;
  platform::ProcessApi* processes_;
  ServiceRadioGroup serviceGroup_;

  VerifyRun verify_;  // the store check of the context menu
  std::stop_source shutdown_;
  std::jthread bannerThread_;

  // Launches and list starts run one after another on one worker, in the order asked for.
  struct LaunchJob {
    bool playerLaunch = false;
    std::function<bool()> work;
  };
  std::mutex launchMutex_;
  std::deque<LaunchJob> launchQueue_;
  bool launchRunning_ = false;  // the worker is draining the queue
  std::jthread launchThread_;

  // What each picture of the rolling banner stands for, by its position there; pictures
  // whose files are missing are never added, so a position always names its own link.
  struct BannerSlot {
    enum Kind { Service, Promotion, ServiceBanner } kind = Service;
    std::size_t entry = 0;  // ServiceBanner: index into the client's banner list
  };
  std::vector<BannerSlot> bannerSlots_;

  std::mutex progressMutex_;  // the download thread and the UI thread share these
  int highestPercent_ = -1;   // of the current download only
  int lastBarPos_ = -1;
  DownloadRate rate_;
  bool initialised_ = false;  // settings loaded: only then are they saved
  bool settingsMissing_ = false;
  bool runShown_ = false;      // 1041 in 1040's place
  // What the window shows of a running update, from the events it has handled.
  StatusPicture picture_ = StatusPicture::None;
  bool failureShown_ = false;  // the status line says why the last check failed
  std::optional<std::pair<UpdateOutcome, long>> lastOutcome_;
  bool closed_ = false;
};

}  // namespace orvik
