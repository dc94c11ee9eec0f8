// The window's part of the update: the update button, the download's progress and end, the
// update states and how each end of a check shows.
#include <chrono>

#include "core/launcher_settings.h"
#include "core/log.h"
#include "core/window_port.h"
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
  if (engine_->IsDownloading() || engine_->IsExtracting()) return;
  if (client_->NeedUpdateSong()) {
    if (!state_.m_packageReady) return;
    port_.SetControlText(ctl::kStatusLine, text::kPreparingDownload);
    {
      std::lock_guard lock(progressMutex_);
      highestPercent_ = -1;
      lastBarPos_ = -1;
      rate_.Reset();
    }
    if (engine_->StartDownload()) {
      port_.ShowControl(ctl::kUpdateButton, false);
      port_.InvalidateArea(kStatusPictureArea);
    }
    return;
  }
  RunOffUiThread(false, [this] {
    LaunchContext ctx = MakeLaunchContext();
    return StartToolsOnly(ctx);
  });
}

void COrvikWindow::OnDownloadProgress(const DownloadProgressInfo* info) {
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
  }
  engine_->OnDownloadFinished(completed);
  if (!completed) {
    // The thread has put the reason on the status line; the next check offers it again.
    port_.SetProgressPos(ctl::kProgressBar, 0);
    ApplyOutcome(UpdateOutcome::DownloadFailed, 0);
  }
  port_.InvalidateArea(kStatusPictureArea);
}

void COrvikWindow::OnUpdateState(int code) {
  switch (code) {
    case kStateDownloading:
      port_.SetControlText(ctl::kStatusLine, text::kDownloading);
      break;
    case kStateReady:
      port_.SetControlText(ctl::kStatusLine, text::kUpdateReady);
      break;
    case kStateFinished: {
      port_.SetControlText(ctl::kStatusLine, text::kUpdateFinished);
      client_->SetNeedUpdateSong("false");
      ShowRunButton(true);
      port_.StopTimer(timer::kRecheck);
      engine_->OnExtractionFinished();
      port_.InvalidateArea(kStatusPictureArea);
      if (client_->GetAction() == "insert") {
        port_.ShowMessage(text::kMakeListReminder, MessageIcon::None);
        StartMakeSongList();
      }
      break;
    }
    case kStateUnpacking:
      port_.ShowControl(ctl::kUpdateButton, false);
      port_.SetControlText(ctl::kStatusLine, text::kUnpacking);
      port_.InvalidateArea(kStatusArea);
      port_.InvalidateArea(kStatusPictureArea);
      break;
    case kStateUnpackFailed:
      // The extraction put the reason on the status line; the store is as it was.
      engine_->OnExtractionFinished();
      port_.SetProgressPos(ctl::kProgressBar, 0);
      ApplyOutcome(UpdateOutcome::UnpackFailed, 0);
      port_.InvalidateArea(kStatusPictureArea);
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
  // During a download or unpacking the button place is the status picture's.
  if (engine_ && (engine_->IsDownloading() || engine_->IsExtracting())) return;

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
