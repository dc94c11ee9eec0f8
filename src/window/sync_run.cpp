#include "window/sync_run.h"

#include "core/launcher_settings.h"
#include "core/launcher_state.h"
#include "core/log.h"
#include "platform/instance_lock.h"
#include "platform/path_text.h"
#include "platform/process.h"
#include "service/service_client.h"
#include "service/system_transport.h"
#include "update/update_outcome.h"
#include "window/console_port.h"
#include "core/user_texts.h"

namespace orvik {
namespace {

struct SyncEnd {
  bool done = false;
  int code = kSyncUpdated;
  bool listPending = false;  // the song-list program runs after an insert
};

bool IsUpdateFinished(const ConsolePort::Event& e) {
  return !e.timer && e.message == WM_UPDATE_STATE && e.lParam == kStateFinished;
}

// What an event means for the run, after the window has handled it.
void Judge(const ConsolePort::Event& e, COrvikWindow& window, SyncEnd& end) {
  if (e.timer) return;
  if (e.message == WM_UPDATE_OUTCOME) {
    switch (static_cast<UpdateOutcome>(e.wParam)) {
      case UpdateOutcome::PackageReady:
        window.OnCommand(ctl::kUpdateButton);  // the operator's press
        return;
      case UpdateOutcome::NothingToAdd:
        // Also said when the launcher has no identifier to ask with: that is no success.
        end = {true, window.State().m_clientIdMissing ? kSyncFailed : kSyncUpdated};
        return;
      case UpdateOutcome::Removed:
        end = {true, kSyncUpdated};
        return;
      default:
        end = {true, kSyncFailed};
        return;
    }
  }
  if (e.message == WM_DOWNLOAD_FINISHED && e.lParam != kDownloadOk) end = {true, kSyncFailed};
  if (e.message == WM_UPDATE_STATE && e.lParam == kStateUnpackFailed) end = {true, kSyncFailed};
  if (e.message == WM_LAUNCH_DONE && end.listPending) end = {true, kSyncUpdated};
}

int RunWindowless(SyncSetup& setup, ConsolePort& port, platform::ProcessApi& processes) {
  WindowDependencies deps;
  deps.moduleDir = setup.moduleDir;
  deps.makeTransport = setup.makeTransport;
  deps.processes = &processes;
  COrvikWindow window(port, std::move(deps));
  window.OnActivate(true);
  window.OnInitDialog();
  // No need to wait for a window to settle: check at once.
  port.StopTimer(timer::kUpdateCheck);
  window.OnTimer(timer::kUpdateCheck);
  SyncEnd end;
  while (!end.done) {
    const ConsolePort::Event e = port.Next();
    if (e.timer) {
      window.OnTimer(static_cast<int>(e.message));
    } else {
      window.OnWindowMessage(e.message, e.wParam, e.lParam);
    }
    if (IsUpdateFinished(e)) {
      // The window has started the song-list program after an insert; its end is awaited.
      end.listPending = window.Client()->GetAction() == "insert";
      if (!end.listPending) end = {true, kSyncUpdated};
      continue;
    }
    Judge(e, window, end);
  }
  port.BeginClosing();  // a worker still asking is answered No, so it can be joined
  window.OnClose();
  return end.code;
}

}  // namespace

int RunSync(const SyncOptions& options, SyncSetup setup) {
  // Never beside a launcher: two of them would change the same store.
  const auto lock = platform::TryLockModuleFolder(setup.moduleDir);
  if (!lock) {
    setup.err(text::kFolderLocked +
              platform::PathToUtf8(setup.moduleDir) + ")");
    return kSyncLocked;
  }
  logging::OpenLogFile(setup.moduleDir);
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
  logging::CloseLogFile();
  return code;
}

}  // namespace orvik
