#include "window/orvik_window.h"

#include "core/client_id.h"
#include "core/launcher_settings.h"
#include "core/launching.h"
#include "core/log.h"
#include "core/settings_product_source.h"
#include "core/version.h"
#include "core/window_port.h"
#include "platform/files.h"
#include "platform/path_text.h"
#include "service/banners.h"
#include "service/http_transport.h"
#include "service/service_client.h"
#include "service/web_address.h"
#include "update/update_engine.h"
#include "window/tool_option_boxes.h"
#include "core/user_texts.h"

namespace fs = std::filesystem;

namespace orvik {
namespace {

// The file name after the last separator of a configured program path.
std::string ExecutableName(const std::string& path) {
  const auto cut = path.find_last_of("\\/");
  return cut == std::string::npos ? path : path.substr(cut + 1);
}

}  // namespace

COrvikWindow::COrvikWindow(WindowPort& port, WindowDependencies deps)
    : port_(port), deps_(std::move(deps)) {
  state_.moduleDir = deps_.moduleDir;
  processes_ = deps_.processes ? deps_.processes : &platform::SystemProcesses();
  if (!deps_.products) deps_.products = std::make_unique<SettingsProductSource>(state_.settings);
}

COrvikWindow::~COrvikWindow() { OnClose(); }

fs::path COrvikWindow::ImageFolder() const { return BannerImageFolder(state_.moduleDir); }

namespace {
bool FileExists(const fs::path& file) {
  std::error_code ec;
  return fs::is_regular_file(file, ec);
}
}  // namespace

// The banner drops pictures it cannot load and a click reports a position, so missing
// files are left out here and each position keeps the meaning of its own picture.
void COrvikWindow::ShowInitialBannerPictures() {
  const fs::path folder = ImageFolder();
  fs::path first = folder / platform::PathFromUtf8(state_.ServiceKey() + ".png");
  if (!FileExists(first)) first = folder / "default.jpg";
  std::vector<fs::path> files;
  bannerSlots_.clear();
  if (FileExists(first)) {
    files.push_back(first);
    bannerSlots_.push_back({BannerSlot::Service});
  }
  const fs::path promotion = folder / "3.png";
  if (FileExists(promotion)) {
    files.push_back(promotion);
    bannerSlots_.push_back({BannerSlot::Promotion});
  }
  port_.SetBannerPictures(files);
}

void COrvikWindow::OnInitDialog() {
  ClientIdProblem idProblem = ClientIdProblem::None;
  {
    const std::string id = LoadClientId(state_.moduleDir, &idProblem);
    std::lock_guard lock(state_.mutex);
    state_.m_clientId = id;
  }
  state_.m_clientIdMissing = idProblem != ClientIdProblem::None;
  std::error_code ec;
  settingsMissing_ = !fs::exists(SettingsFilePath(state_.moduleDir), ec);
  const ProgramList programs = LoadSettings(state_);
  initialised_ = true;
  logging::Info(std::string("start: Orvik ") + kOrvikVersion + ", module folder " +
                platform::PathToUtf8(state_.moduleDir) + ", service key " + state_.ServiceKey() +
                ", song folder " + GetSongsFolder(state_) +
                (settingsMissing_ ? ", no setting.env" : ""));
  port_.SetListItems(ctl::kProgramList, programs.entries, programs.selected);
  port_.SetProgressPos(ctl::kProgressBar, 0);

  address_ = ReadServiceAddress(state_.settings);
  transport_ = deps_.makeTransport(address_, shutdown_.get_token());
  m_client = std::make_unique<CServiceClient>(address_.baseUrl, *transport_);
  engine_ = std::make_unique<UpdateEngine>(
      UpdateEngineDeps{state_, *m_client, *transport_, *this, *deps_.products});

  ShowInitialBannerPictures();
  bannerThread_ = std::jthread([this](std::stop_token stop) {
    RunBannerThread(*m_client, *transport_, state_.moduleDir, stop);
    port_.PostWindowMessage(WM_BANNERS_READY, 0, 0);
  });

  RestoreToolOptions(state_, port_);

  for (int id : {ctl::kServiceTunovaHL, ctl::kServiceTunovaUSB, ctl::kServiceTunova,
                 ctl::kServiceTunovaNEW, ctl::kServiceTunovaPRO, ctl::kRunButton})
    port_.ShowControl(id, false);
  port_.SetControlChecked(ctl::kServiceTunova, true);
  serviceGroup_.current = ctl::kServiceTunova;
  port_.ShowControl(ctl::kUpdateButton, true);
  if (settingsMissing_) ApplyOutcome(UpdateOutcome::NoSettings, 0);
  // After the missing settings file: a launcher that cannot keep its identifier never
  // connects, whatever the settings say. Both are in the log.
  SayOwnFileProblem(idProblem);

  const std::string key = state_.ServiceKey();
  if (HasOwnProductNumber(key)) {
    engine_->StartUpdateCheck();
  } else {
    port_.StartTimer(timer::kUpdateCheck, 1800);
  }
}

// Once, at start: what keeps the launcher from keeping its own files.
void COrvikWindow::SayOwnFileProblem(ClientIdProblem idProblem) {
  const char* problem = nullptr;
  if (idProblem == ClientIdProblem::Unreadable) {
    problem = text::kClientIdUnreadable;
  } else if (idProblem == ClientIdProblem::CannotStore) {
    problem = text::kClientIdNotStored;
  } else if (IsReadOnlyForEveryone(SettingsWriteTarget(SettingsFilePath(state_.moduleDir)))) {
    problem = text::kSettingsReadOnly;
  } else if (!platform::IsFolderWritable(state_.moduleDir)) {
    problem = text::kModuleFolderReadOnly;
  }
  if (problem == nullptr) return;
  port_.SetControlText(ctl::kStatusLine, problem);
  logging::Warning(std::string("status: ") + problem);
}

void COrvikWindow::MarkReplyStale() {
  if (m_client) m_client->SetConnectDone(false);
}

void COrvikWindow::StartUpdateCheck() {
  if (engine_) engine_->StartUpdateCheck();
}

void COrvikWindow::OnCommand(int id) {
  if (closed_ || !engine_) return;
  switch (id) {
    case ctl::kListButtonLegacy:
      if (port_.AskYesNo(text::kMakeListQuestion)) {
        port_.OpenProgressDialog();
        port_.SetProgressDialog(text::kMakingList, 0);
      }
      return;
    case ctl::kAboutCommand:
      port_.ShowAboutBox();
      return;
    case ctl::kUpdateButton:
      // Never moves files under a running store check.
      if (verify_.Running()) {
        port_.SetControlText(ctl::kStatusLine, text::kVerifyNoUpdateNow);
        return;
      }
      OnUpdateButton();
      return;
    case kVerifyCommand:
      if (verify_.Running()) {
        verify_.Cancel();
      } else if (state_.m_downloadRunning || state_.m_extractRunning) {
        port_.ShowMessage(text::kVerifyBusy, MessageIcon::Information);
      } else {
        verify_.Start(port_, state_);
      }
      return;
    case ctl::kRunButton:
      OnRunButton();
      return;
    case ctl::kLegacyTunovaHL:
    case ctl::kLegacyTunovaUSB:
    case ctl::kLegacyTunova:
    case ctl::kLegacyTunovaNEW:
    case ctl::kLegacyTunovaPRO:
      SelectServiceByLegacyButton(state_, port_, *this, id);
      return;
    case ctl::kServiceTunovaHL:
    case ctl::kServiceTunovaUSB:
    case ctl::kServiceTunova:
    case ctl::kServiceTunovaNEW:
    case ctl::kServiceTunovaPRO:
      SelectServiceByImageButton(state_, serviceGroup_, port_, *this, *deps_.products, id);
      return;
    case ctl::kEventUpdateButton:
      port_.OpenAddress(address_.secureOrigin + text::kEventUpdatePath);
      return;
    case ctl::kEventInstallButton:
      port_.OpenAddress(address_.secureOrigin + text::kEventInstallPath);
      return;
    case ctl::kMakeListButton:
      StartMakeSongList();
      return;
    default:
      return;  // 1001, 1002, 1008 and the rest: no action
  }
}

void COrvikWindow::OnCheckBoxClicked(int id, bool checked) {
  if (closed_ || !engine_) return;
  OnToolOptionBox(state_, port_, id, checked);
}

void COrvikWindow::OnListSelectionChanged(int id, const std::string& text) {
  if (id == ctl::kProgramList) OnProgramSelected(state_, text);
}

void COrvikWindow::OnTimer(int timerId) {
  if (closed_ || !engine_) return;
  switch (timerId) {
    case timer::kUpdateCheck:
      engine_->StartUpdateCheck();
      break;
    case timer::kEventPoll:
      engine_->StartEventPoll();
      break;
    case timer::kRecheck:
      logging::Info("check: trying the service again");
      MarkReplyStale();
      state_.m_refreshRequested = true;
      engine_->StartUpdateCheck();
      break;
    case timer::kRunWatch:
      if (state_.m_runButtonChecked &&
          !processes_->IsProcessRunning(ExecutableName(GetRunProgramPath(state_)))) {
        CheckRunButton(false);
        port_.StopTimer(timer::kRunWatch);
        logging::Info("launch: the player has ended");
      }
      break;
    default:
      break;
  }
}

void COrvikWindow::OnWindowMessage(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) {
  if (closed_ || !engine_) return;
  if (message == WM_DOWNLOAD_PROGRESS) {
    OnDownloadProgress(reinterpret_cast<const DownloadProgress*>(lParam));
  } else if (message == WM_DOWNLOAD_FINISHED) {
    OnDownloadFinished(lParam == kDownloadOk);
  } else if (message == WM_UPDATE_STATE) {
    OnUpdateState(static_cast<int>(lParam), wParam);
  } else if (message == WM_UPDATE_OUTCOME) {
    const auto outcome = static_cast<UpdateOutcome>(wParam);
    ApplyOutcome(outcome, static_cast<long>(lParam));
    if (deps_.watcher) deps_.watcher->OnOutcome(outcome, static_cast<long>(lParam));
  } else if (message == WM_SET_PROGRESS) {
    port_.SetProgressPos(ctl::kProgressBar, static_cast<int>(wParam));
  } else if (message == WM_BANNERS_READY) {
    if (bannerThread_.joinable()) bannerThread_.join();
    const auto banners = m_client->Banners();
    for (std::size_t i = 0; i < banners.size(); ++i) {
      const fs::path name = platform::PathFromUtf8(banners[i].fileName);
      const fs::path picture = ImageFolder() / name;
      if (name.empty() || !FileExists(picture))
        continue;  // its download failed and no older copy exists
      port_.AddBannerPicture(picture);
      bannerSlots_.push_back({BannerSlot::ServiceBanner, i});
    }
  } else if (message == WM_BANNER_CLICKED) {
    OnBannerClicked(wParam);
  } else if (message == WM_LAUNCH_DONE) {
    OnLaunchDone(wParam != 0, lParam != 0);
    if (deps_.watcher && lParam == 0) deps_.watcher->OnProgramStarted(wParam != 0);
  }
}

void COrvikWindow::OnBannerClicked(std::size_t index) {
  if (index >= bannerSlots_.size()) return;
  const BannerSlot slot = bannerSlots_[index];
  if (slot.kind == BannerSlot::Service) return;
  if (slot.kind == BannerSlot::Promotion) {
    port_.OpenAddress(platform::PathToUtf8((ImageFolder() / "3_default.png")));
    return;
  }
  const auto banners = m_client->Banners();
  if (slot.entry >= banners.size()) return;
  const std::string& link = banners[slot.entry].link;
  // Only web addresses: a link is the service's text, not a program to start.
  if (link.empty() || !IsWebAddress(link)) return;
  if (!port_.OpenAddress(link)) port_.ShowMessage(text::kOpenUrlFailed + link, MessageIcon::None);
}

void COrvikWindow::OnActivate(bool active) { state_.m_isActive = active; }

void COrvikWindow::OnClose() {
  if (closed_) return;
  closed_ = true;
  // A result request on its way is given a moment: cut, it would count as sent unanswered.
  if (engine_) engine_->SettleReports(std::chrono::seconds(3));
  shutdown_.request_stop();
  bannerThread_.request_stop();
  if (engine_) engine_->Shutdown();
  if (bannerThread_.joinable()) bannerThread_.join();
  {
    std::lock_guard lock(launchMutex_);
    launchQueue_.clear();  // nothing new is started for a closed window
  }
  if (launchThread_.joinable()) launchThread_.join();
  verify_.Stop();
  // Never before the settings were read: that would replace the file with an empty table.
  if (initialised_) SaveSettings(state_);
}

const char* COrvikWindow::VerifyMenuItem() const { return VerifyMenuText(verify_.Running()); }

void COrvikWindow::OnProgressCancel() {
  if (verify_.Running()) verify_.Cancel();
}

StatusPicture COrvikWindow::StatusPictureToShow() const { return picture_; }

}  // namespace orvik
