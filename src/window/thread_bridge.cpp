#include "window/thread_bridge.h"

#include <memory>
#include <optional>

#include "core/log.h"

namespace orvik {

void ThreadBridge::RunOnUi(std::function<void()> call) {
  if (OnUiThread()) {
    call();
    return;
  }
  PostToUiThread(std::move(call));
}

bool ThreadBridge::WaitOnUi(std::function<bool()> call, bool whenClosing) {
  if (OnUiThread()) return closing_ ? whenClosing : call();
  // Not a blocking call into the UI thread: it may be joining this worker while it closes,
  // and then only the closing flag can release the wait.
  auto result = std::make_shared<std::optional<bool>>();
  PostToUiThread([this, call = std::move(call), result, whenClosing] {
    const bool value = closing_ ? whenClosing : call();
    {
      std::lock_guard lock(mutex_);
      *result = value;
    }
    answered_.notify_all();
  });
  std::unique_lock lock(mutex_);
  answered_.wait(lock, [&] { return result->has_value() || closing_; });
  return result->value_or(whenClosing);
}

void ThreadBridge::BeginClosing() {
  {
    std::lock_guard lock(mutex_);
    closing_ = true;
  }
  answered_.notify_all();
}

void ThreadBridge::SetControlText(int id, const std::string& text) {
  RunOnUi([this, id, text] { UiSetText(id, text); });
}

void ThreadBridge::ShowControl(int id, bool show) {
  RunOnUi([this, id, show] { UiShow(id, show); });
}

void ThreadBridge::SetControlChecked(int id, bool checked) {
  RunOnUi([this, id, checked] { UiSetChecked(id, checked); });
}

void ThreadBridge::EnableControl(int id, bool enable) {
  RunOnUi([this, id, enable] { UiEnable(id, enable); });
}

void ThreadBridge::InvalidateArea(const Rect& area) {
  RunOnUi([this, area] { UiInvalidate(area); });
}

void ThreadBridge::SetProgressPos(int id, int pos) {
  RunOnUi([this, id, pos] { UiSetProgress(id, pos); });
}

void ThreadBridge::SetListItems(int id, const std::vector<std::string>& items, int selected) {
  RunOnUi([this, id, items, selected] { UiSetListItems(id, items, selected); });
}

void ThreadBridge::SetBannerPictures(const std::vector<std::filesystem::path>& files) {
  RunOnUi([this, files] { UiSetBannerPictures(files); });
}

void ThreadBridge::AddBannerPicture(const std::filesystem::path& file) {
  RunOnUi([this, file] { UiAddBannerPicture(file); });
}

void ThreadBridge::ShowAboutBox() {
  RunOnUi([this] { UiShowAboutBox(); });
}

void ThreadBridge::OpenProgressDialog() {
  RunOnUi([this] { UiOpenProgressDialog(); });
}

void ThreadBridge::SetProgressDialog(const std::string& status, int percent) {
  RunOnUi([this, status, percent] { UiSetProgressDialog(status, percent); });
}

void ThreadBridge::CloseProgressDialog() {
  RunOnUi([this] { UiCloseProgressDialog(); });
}

void ThreadBridge::StartTimer(int timerId, int periodMs) {
  RunOnUi([this, timerId, periodMs] {
    if (!closing_) UiStartTimer(timerId, periodMs);
  });
}

void ThreadBridge::StopTimer(int timerId) {
  RunOnUi([this, timerId] { UiStopTimer(timerId); });
}

void ThreadBridge::PostWindowMessage(unsigned message, std::uintptr_t wParam,
                                     std::intptr_t lParam) {
  PostToUiThread([this, message, wParam, lParam] { UiDeliverMessage(message, wParam, lParam); });
}

bool ThreadBridge::AskYesNo(const std::string& text) {
  logging::Info("question: " + text);
  return WaitOnUi([this, text] { return UiAskYesNo(text); }, false);
}

void ThreadBridge::ShowMessage(const std::string& text, MessageIcon icon) {
  logging::Info("message: " + text);
  WaitOnUi(
      [this, text, icon] {
        UiShowMessage(text, icon);
        return true;
      },
      false);
}

bool ThreadBridge::OpenAddress(const std::string& address) {
  return WaitOnUi([this, address] { return UiOpenAddress(address); }, false);
}

}  // namespace orvik
