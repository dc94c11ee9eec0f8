// The window's launches: the run button, the tools-only start and the song-list start run
// on one worker beside the UI thread; their results come back as WM_LAUNCH_DONE.
#include <chrono>
#include <condition_variable>

#include "core/launcher_settings.h"
#include "core/launching.h"
#include "core/window_port.h"
#include "library/song_list.h"
#include "update/update_engine.h"
#include "window/orvik_window.h"

namespace orvik {

void COrvikWindow::OnRunButton() {
  if (engine_->IsDownloading() || engine_->IsExtracting()) return;
  if (state_.m_runButtonChecked) return;
  state_.m_isActive = false;
  CheckRunButton(true);
  const std::string path = GetRunProgramPath(state_);
  std::string program;
  {
    std::lock_guard lock(state_.mutex);
    program = state_.m_selectedProgram;
  }
  RunOffUiThread(true, [this, path, program] {
    LaunchContext ctx = MakeLaunchContext();
    return LaunchPlayer(ctx, path, program);
  });
}

void COrvikWindow::StartMakeSongList() {
  const std::string listProgram = GetListProgramPath(state_);
  RunOffUiThread(false, [this, listProgram] {
    LaunchContext ctx = MakeLaunchContext();
    MakeSongList(ctx, state_, listProgram);
    return true;
  });
}

// The run button stays latched from the launch until the player has ended; the state is
// kept beside the drawing so that nothing reads the button back.
void COrvikWindow::CheckRunButton(bool checked) {
  state_.m_runButtonChecked = checked;
  port_.SetControlChecked(ctl::kRunButton, checked);
}

LaunchContext COrvikWindow::MakeLaunchContext() {
  LaunchContext ctx{*processes_, port_, state_.m_toolOptions};
  ctx.wait = deps_.wait ? deps_.wait : [this](int ms) { Pause(ms); };
  if (deps_.listMidiPorts) ctx.listMidiPorts = deps_.listMidiPorts;
  ctx.sayStatus = [this](const std::string& status) {
    port_.SetControlText(ctl::kStatusLine, status);
  };
  std::lock_guard lock(state_.mutex);
  ctx.midiPort = ConfiguredMidiPort(state_.settings, state_.m_toolOptions.useTools);
  return ctx;
}

// The launch pauses end early when the window closes, so closing never waits them out.
void COrvikWindow::Pause(int ms) {
  std::mutex mutex;
  std::condition_variable_any never;
  std::unique_lock lock(mutex);
  never.wait_for(lock, shutdown_.get_token(), std::chrono::milliseconds(ms), [] { return false; });
}

// Launches, tool starts and list starts pause and wait on processes, so they run beside
// the UI thread, one after another in the order asked for (a list start asked for while
// the player is being launched still happens). Each result comes back as WM_LAUNCH_DONE
// (wParam: started, lParam: was the player's launch).
void COrvikWindow::RunOffUiThread(bool playerLaunch, std::function<bool()> work) {
  std::lock_guard lock(launchMutex_);
  launchQueue_.push_back({playerLaunch, std::move(work)});
  if (launchRunning_) return;                          // the worker takes it next
  if (launchThread_.joinable()) launchThread_.join();  // drained and ending
  launchRunning_ = true;
  launchThread_ = std::jthread([this] { RunLaunchQueue(); });
}

void COrvikWindow::RunLaunchQueue() {
  for (;;) {
    LaunchJob job;
    {
      std::lock_guard lock(launchMutex_);
      if (launchQueue_.empty()) {
        launchRunning_ = false;
        return;
      }
      job = std::move(launchQueue_.front());
      launchQueue_.pop_front();
    }
    const bool ok = job.work();
    port_.PostWindowMessage(WM_LAUNCH_DONE, ok ? 1 : 0, job.playerLaunch ? 1 : 0);
  }
}

void COrvikWindow::OnLaunchDone(bool started, bool wasPlayerLaunch) {
  if (!wasPlayerLaunch) return;
  if (started) {
    port_.StartTimer(timer::kRunWatch, 2000);
  } else {
    CheckRunButton(false);
  }
}

}  // namespace orvik
