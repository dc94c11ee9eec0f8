// The window's part of the update: the update button, the engine's events carried to the UI
// thread, the download's progress and end, the update states and how each end of a check
// shows.
#include <chrono>

#include "core/launcher_settings.h"
#include "core/log.h"
#include "core/window_port.h"
#include "library/inventory.h"
#include "platform/path_text.h"
#include "service/service_client.h"
#include "update/update_engine.h"
#include "window/orvik_window.h"
#include "window/update_outcome_view.h"
#include "core/user_texts.h"

namespace orvik {
namespace {

// Client rectangles the window repaints.
constexpr Rect kStatusArea{526, 446, 689, 532};
constexpr Rect kStatusPictureArea{524, 418, 691, 508};
constexpr int kRecheckMs = 10 * 60 * 1000;

double Now() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

}  // namespace

void COrvikWindow::OnUpdateButton() {
  if (picture_ != StatusPicture::None || engine_->IsDownloading() || engine_->IsExtracting())
    return;
  if (m_client->NeedUpdateSong()) {
    if (state_.m_packageReady) StartPackageDownload();
    return;
  }
  RunOffUiThread(false, [this] {
    LaunchContext ctx = MakeLaunchContext();
    return StartToolsOnly(ctx);
  });
}

void COrvikWindow::StartPackageDownload() {
  port_.SetControlText(ctl::kStatusLine, text::kPreparingDownload);
  {
    std::lock_guard lock(progressMutex_);
    highestPercent_ = -1;
    lastBarPos_ = -1;
    rate_.Reset();
  }
  if (engine_->StartDownload()) {
    picture_ = StatusPicture::Downloading;
    port_.ShowControl(ctl::kUpdateButton, false);
    port_.InvalidateArea(kStatusPictureArea);
  }
}

// The engine's events arrive on its threads. Drawing that needs no decision goes straight
// to the port (which carries it to the UI thread in order); the rest becomes the window's
// own messages, handled on the UI thread.
void COrvikWindow::OnOutcome(UpdateOutcome outcome, long detail) {
  if (outcome == UpdateOutcome::DownloadFailed) {
    port_.PostWindowMessage(WM_DOWNLOAD_FINISHED, 0, kDownloadFailed);
  } else if (outcome == UpdateOutcome::UnpackFailed) {
    port_.PostWindowMessage(WM_UPDATE_STATE, 0, kStateUnpackFailed);
  } else {
    port_.PostWindowMessage(WM_UPDATE_OUTCOME, static_cast<std::uintptr_t>(outcome),
                            static_cast<std::intptr_t>(detail));
  }
}

void COrvikWindow::OnStage(UpdateStage stage) {
  switch (stage) {
    case UpdateStage::Downloading:
      port_.PostWindowMessage(WM_UPDATE_STATE, 0, kStateDownloading);
      break;
    case UpdateStage::Downloaded:
      port_.PostWindowMessage(WM_DOWNLOAD_FINISHED, 0, kDownloadOk);
      break;
    case UpdateStage::Unpacking:
      port_.PostWindowMessage(WM_UPDATE_STATE, 0, kStateUnpacking);
      break;
  }
}

void COrvikWindow::OnUpdateFinished(bool songListDue) {
  port_.PostWindowMessage(WM_UPDATE_STATE, songListDue ? kFinishedSongListDue : 0,
                          kStateFinished);
}

void COrvikWindow::OnInterruptedUpdateFinished() {
  port_.PostWindowMessage(WM_UPDATE_STATE, kFinishedSongListDue | kFinishedAtStart,
                          kStateFinished);
}

void COrvikWindow::OnStatus(const std::string& text) {
  port_.SetControlText(ctl::kStatusLine, text);
}

void COrvikWindow::OnDownloadProgress(const DownloadProgress& progress) {
  OnDownloadProgress(&progress);
}

void COrvikWindow::OnUnpackProgress(int percent) {
  port_.PostWindowMessage(WM_SET_PROGRESS, static_cast<std::uintptr_t>(percent), 0);
}

void COrvikWindow::OnStoreCounting() {
  port_.SetControlText(ctl::kStoredCountLabel, text::kCounting);
}

void COrvikWindow::OnStoreCounted(int songs) {
  port_.SetControlText(ctl::kStoredCountLabel, StoredCountLabel(songs));
}

void COrvikWindow::OnSongsToAdd(int songs) {
  port_.SetControlText(ctl::kUpdateCountLabel, FormatWithThousands(songs) + text::kSongsUnit);
}

bool COrvikWindow::Ask(UpdateQuestion question, bool defaultAnswer) {
  const char* asked = question == UpdateQuestion::UseLeftoverArchive
                          ? text::kUseArchiveQuestion
                          : text::kLauncherUpdateQuestion;
  // Nobody at the window (--sync): the question's unattended answer.
  if (deps_.watcher) {
    logging::Info(std::string("unattended: answered ") + (defaultAnswer ? "yes" : "no") + ": " +
                  asked);
    return defaultAnswer;
  }
  return port_.AskYesNo(asked);
}

void COrvikWindow::OnNotice(UpdateNotice notice) {
  if (notice == UpdateNotice::RequestFailed) {
    port_.ShowMessage(text::kRequestFailed, MessageIcon::None);
  } else {
    port_.ShowMessage(text::kLauncherUpdateBadAddress, MessageIcon::Warning);
  }
}

void COrvikWindow::OnOpenAddress(const std::string& address) { port_.OpenAddress(address); }

void COrvikWindow::OnEventPoll(bool run, int periodMs) {
  if (run) {
    port_.StartTimer(timer::kEventPoll, periodMs);
  } else {
    port_.StopTimer(timer::kEventPoll);
  }
}

void COrvikWindow::OnDownloadProgress(const DownloadProgress* info) {
  if (!state_.m_downloadRunning) return;
  if (info == nullptr) {
    std::lock_guard lock(progressMutex_);
    lastBarPos_ = 0;
    port_.SetProgressPos(ctl::kProgressBar, 0);
    port_.SetControlText(ctl::kByteProgressLabel, text::kDownloadFailedLabel);
    return;
  }
  if (info->total == 0) return;
  const int percent = static_cast<int>(info->received * 100 / info->total);
  std::lock_guard lock(progressMutex_);
  rate_.Add(info->received, Now());
  // Only changes go to the window: a package arrives in tens of thousands of blocks.
  if (percent != lastBarPos_) {
    lastBarPos_ = percent;
    port_.SetProgressPos(ctl::kProgressBar, percent);
  }
  if (percent <= highestPercent_) return;
  highestPercent_ = percent;
  {
    std::lock_guard stateLock(state_.mutex);
    state_.m_totalMB = static_cast<double>(info->total) / 1048576.0;
  }
  port_.SetControlText(ctl::kByteProgressLabel,
                       DownloadProgressText(info->received, info->total, rate_.BytesPerSecond(),
                                            info->capBytesPerSecond));
}

void COrvikWindow::OnDownloadFinished(bool completed) {
  if (completed) {
    double totalMB;
    {
      std::lock_guard lock(state_.mutex);
      totalMB = state_.m_totalMB;
    }
    const auto bytes = static_cast<std::uint64_t>(totalMB * 1048576.0 + 0.5);
    port_.SetControlText(ctl::kByteProgressLabel, DownloadProgressText(bytes, bytes, {}));
    return;  // the unpacking follows by itself
  }
  // The engine has put the reason on the status line; the next check offers it again.
  picture_ = StatusPicture::None;
  port_.SetProgressPos(ctl::kProgressBar, 0);
  ApplyOutcome(UpdateOutcome::DownloadFailed, 0);
  port_.InvalidateArea(kStatusPictureArea);
  if (deps_.watcher) deps_.watcher->OnOutcome(UpdateOutcome::DownloadFailed, 0);
}

void COrvikWindow::OnUpdateState(int code, std::uintptr_t flags) {
  const bool songListDue = (flags & kFinishedSongListDue) != 0;
  switch (code) {
    case kStateDownloading:
      port_.SetControlText(ctl::kStatusLine, text::kDownloading);
      break;
    case kStateReady:
      port_.SetControlText(ctl::kStatusLine, text::kUpdateReady);
      break;
    case kStateFinished: {
      picture_ = StatusPicture::None;
      port_.SetControlText(ctl::kStatusLine, text::kUpdateFinished);
      ShowRunButton(true);
      port_.StopTimer(timer::kRecheck);
      port_.InvalidateArea(kStatusPictureArea);
      if (songListDue) {
        port_.ShowMessage(text::kMakeListReminder, MessageIcon::None);
        StartMakeSongList();
      }
      if (deps_.watcher)
        deps_.watcher->OnUpdateFinished(songListDue, (flags & kFinishedAtStart) != 0);
      break;
    }
    case kStateUnpacking:
      picture_ = StatusPicture::Unpacking;
      port_.ShowControl(ctl::kUpdateButton, false);
      port_.SetControlText(ctl::kStatusLine, text::kUnpacking);
      port_.InvalidateArea(kStatusArea);
      port_.InvalidateArea(kStatusPictureArea);
      break;
    case kStateUnpackFailed:
      // The engine put the reason on the status line; the store is as it was.
      picture_ = StatusPicture::None;
      port_.SetProgressPos(ctl::kProgressBar, 0);
      ApplyOutcome(UpdateOutcome::UnpackFailed, 0);
      port_.InvalidateArea(kStatusPictureArea);
      if (deps_.watcher) deps_.watcher->OnOutcome(UpdateOutcome::UnpackFailed, 0);
      break;
    default:
      break;
  }
}

void COrvikWindow::ShowRunButton(bool show) {
  runShown_ = show;
  port_.ShowControl(ctl::kUpdateButton, !show);
  port_.ShowControl(ctl::kRunButton, show);
}

void COrvikWindow::ApplyOutcome(UpdateOutcome outcome, long detail) {
  if (outcome == UpdateOutcome::NoProductNumber && settingsMissing_)
    outcome = UpdateOutcome::NoSettings;
  // A check without a product number ends the same way at every tick: once is enough.
  const auto key = std::make_pair(outcome, detail);
  const bool repeated = lastOutcome_ == key;
  lastOutcome_ = key;
  if (repeated &&
      (outcome == UpdateOutcome::NoProductNumber || outcome == UpdateOutcome::NoSettings))
    return;
  if (outcome == UpdateOutcome::PackageReady) {
    port_.SetControlChecked(ctl::kUpdateButton, true);
  }
  // During a download or unpacking the button place is the status picture's.
  if (picture_ != StatusPicture::None) return;

  const OutcomeView view =
      ViewOfOutcome(outcome, detail, platform::PathToUtf8(SettingsFilePath(state_.moduleDir)));
  ShowRunButton(view.showRun);
  if (view.status) {
    port_.SetControlText(ctl::kStatusLine, *view.status);
    logging::Warning("status: " + *view.status);
  }
  if (view.status || view.checkAgain) {
    failureShown_ = true;
  } else if (failureShown_) {
    port_.SetControlText(ctl::kStatusLine, "");  // the service answered again
    failureShown_ = false;
  }
  if (view.checkAgain) {
    port_.StartTimer(timer::kRecheck, kRecheckMs);
  } else {
    port_.StopTimer(timer::kRecheck);
  }
  port_.InvalidateArea(kStatusArea);
}

bool COrvikWindow::MayClose() {
  if (closed_ || !engine_ || !(engine_->IsDownloading() || engine_->IsExtracting())) return true;
  return port_.AskYesNo(text::kQuitDuringUpdate);
}

bool COrvikWindow::OffersRunInMenu() const { return !closed_ && !runShown_; }

}  // namespace orvik
