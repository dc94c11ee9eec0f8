#include "window/sync_run.h"

#include "core/launcher_settings.h"
#include "core/launcher_state.h"
#include "core/log.h"
#include "platform/path_text.h"
#include "platform/process.h"
#include "service/service_client.h"
#include "service/system_transport.h"
#include "update/update_outcome.h"
#include "window/console_port.h"
#include "core/user_texts.h"

namespace orvik {
namespace {

// Follows the update as the operator would, and turns its end into an exit code.
class SyncWatch : public UpdateWatcher {
 public:
  void Attach(COrvikWindow& window) { window_ = &window; }
  bool Done() const { return done_ && listsPending_ == 0; }
  int Code() const { return code_; }

  void OnOutcome(UpdateOutcome outcome, long) override {
    switch (outcome) {
      case UpdateOutcome::PackageReady:
        window_->StartPackageDownload();
        return;
      case UpdateOutcome::NothingToAdd:
        // Also said when the launcher has no identifier to ask with: that is no success.
        End(window_->State().m_clientIdMissing ? kSyncFailed : kSyncUpdated);
        return;
      case UpdateOutcome::Removed:
        End(kSyncUpdated);
        return;
      default:
        End(kSyncFailed);
        return;
    }
  }
  void OnUpdateFinished(bool songListDue, bool atStart) override {
    // The window has started the list program; the run waits for its start.
    if (songListDue) ++listsPending_;
    // Finished at start: the check goes on, and its own end ends the run.
    if (!atStart) End(kSyncUpdated);
  }
  void OnProgramStarted(bool) override {
    if (listsPending_ > 0) --listsPending_;
  }

 private:
  void End(int code) {
    if (done_) return;  // the first end decides; the loop may still wait for a list start
    done_ = true;
    code_ = code;
  }
  COrvikWindow* window_ = nullptr;
  bool done_ = false;
  int listsPending_ = 0;
  int code_ = kSyncUpdated;
};

int RunWindowless(SyncSetup& setup, ConsolePort& port, platform::ProcessApi& processes) {
  SyncWatch watch;
  WindowDependencies deps;
  deps.moduleDir = setup.moduleDir;
  deps.makeTransport = setup.makeTransport;
  deps.processes = &processes;
  deps.watcher = &watch;
  COrvikWindow window(port, std::move(deps));
  watch.Attach(window);
  window.OnActivate(true);
  window.OnInitDialog();
  // No need to wait for a window to settle: check at once.
  port.StopTimer(timer::kUpdateCheck);
  window.OnTimer(timer::kUpdateCheck);
  while (!watch.Done()) {
    const ConsolePort::Event e = port.Next();
    if (e.timer) {
      window.OnTimer(static_cast<int>(e.message));
    } else {
      window.OnWindowMessage(e.message, e.wParam, e.lParam);
    }
  }
  port.BeginClosing();  // a worker still asking is answered No, so it can be joined
  window.OnClose();
  return watch.Code();
}

}  // namespace

int RunSync(const SyncOptions& options, SyncSetup setup) {
  logging::Info("sync: started without a window");
  platform::ProcessApi& processes =
      setup.processes ? *setup.processes : platform::SystemProcesses();
  if (!setup.makeTransport) {
    setup.makeTransport = [](const ServiceAddress& address,
                             std::stop_token shutdown) -> std::unique_ptr<HttpTransport> {
      return MakeSystemTransport(address, shutdown);
    };
  }
  int code = kSyncUpdated;
  if (options.waitPlayer) {
    LauncherState settings;
    settings.moduleDir = setup.moduleDir;
    LoadSettings(settings);
    if (!WaitForPlayersToEnd(PlayerExecutables(settings), processes, *options.waitPlayer)) {
      setup.err(text::kPlayerStillRunning);
      code = kSyncFailed;
    }
  }
  if (code == kSyncUpdated) {
    ConsolePort port(setup.out, setup.progress);
    code = RunWindowless(setup, port, processes);
    if (code == kSyncFailed)
      setup.err(text::kSyncFailed + (port.LastStatus().empty()
                                                ? std::string("see logs/orvik.log")
                                                : port.LastStatus()));
  }
  logging::Info("sync: ended with exit code " + std::to_string(code));
  return code;
}

}  // namespace orvik
