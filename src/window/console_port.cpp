#include "window/console_port.h"

#include "core/log.h"
#include "core/user_texts.h"

namespace orvik {

ConsolePort::ConsolePort(Line out, Line progress)
    : out_(std::move(out)), progress_(std::move(progress)) {}

void ConsolePort::EndProgressLine() {
  if (!progressOpen_) return;
  progressOpen_ = false;
  progress_("\n");
}

void ConsolePort::PostToUiThread(std::function<void()> call) {
  std::lock_guard lock(mutex_);
  calls_.push_back(std::move(call));
  wake_.notify_all();
}

bool ConsolePort::OnUiThread() const { return std::this_thread::get_id() == uiThread_; }

void ConsolePort::UiSetText(int id, const std::string& text) {
  std::lock_guard lock(mutex_);
  if (id == ctl::kByteProgressLabel) {
    byteLabel_ = text;
    if (progress_) {
      progressOpen_ = true;
      progress_("\r" + text + "\x1b[K");
    }
    return;
  }
  if (id != ctl::kStatusLine && id != ctl::kUpdateCountLabel) return;
  if (id == ctl::kStatusLine) {
    if (text.empty() || text == status_) return;
    status_ = text;
  }
  EndProgressLine();
  out_(text);
}

// Nothing else of the window shows on a console.
void ConsolePort::UiShow(int, bool) {}
void ConsolePort::UiSetChecked(int, bool) {}
void ConsolePort::UiEnable(int, bool) {}
void ConsolePort::UiInvalidate(const Rect&) {}
void ConsolePort::UiSetListItems(int, const std::vector<std::string>&, int) {}
void ConsolePort::UiSetBannerPictures(const std::vector<std::filesystem::path>&) {}
void ConsolePort::UiAddBannerPicture(const std::filesystem::path&) {}
void ConsolePort::UiShowAboutBox() {}
void ConsolePort::UiOpenProgressDialog() {}
void ConsolePort::UiSetProgressDialog(const std::string&, int) {}
void ConsolePort::UiCloseProgressDialog() {}

void ConsolePort::UiSetProgress(int id, int pos) {
  std::lock_guard lock(mutex_);
  // Without a terminal a line per tenth: a log file keeps no carriage returns.
  if (id != ctl::kProgressBar || progress_ || pos / 10 <= shownTenth_ || byteLabel_.empty()) return;
  shownTenth_ = pos / 10;
  out_(byteLabel_);
}

void ConsolePort::UiStartTimer(int timerId, int periodMs) {
  std::lock_guard lock(mutex_);
  const std::chrono::milliseconds period(periodMs);
  timers_[timerId] = Timer{period, Clock::now() + period};
  wake_.notify_all();
}

void ConsolePort::UiStopTimer(int timerId) {
  std::lock_guard lock(mutex_);
  timers_.erase(timerId);
}

void ConsolePort::UiDeliverMessage(unsigned message, std::uintptr_t wParam,
                                   std::intptr_t lParam) {
  std::lock_guard lock(mutex_);
  posted_.push_back(Event{false, message, wParam, lParam});
  wake_.notify_all();
}

// The engine's questions are answered by the window in an unattended run; anything else
// asked of nobody is a no.
bool ConsolePort::UiAskYesNo(const std::string& text) {
  logging::Info("sync: answered no: " + text);
  return false;
}

void ConsolePort::UiShowMessage(const std::string& text, MessageIcon) {
  std::lock_guard lock(mutex_);
  EndProgressLine();
  out_(text);
}

bool ConsolePort::UiOpenAddress(const std::string& address) {
  logging::Info("sync: not opened without a window: " + address);
  return false;
}

ConsolePort::Event ConsolePort::Next() {
  std::unique_lock lock(mutex_);
  for (;;) {
    if (!calls_.empty()) {
      // The workers' calls run here, on this thread, in their order; not under the lock,
      // since they print and queue.
      std::function<void()> call = std::move(calls_.front());
      calls_.pop_front();
      lock.unlock();
      call();
      lock.lock();
      continue;
    }
    if (!posted_.empty()) {
      const Event event = posted_.front();
      posted_.pop_front();
      return event;
    }
    auto next = timers_.end();
    for (auto it = timers_.begin(); it != timers_.end(); ++it)
      if (next == timers_.end() || it->second.due < next->second.due) next = it;
    if (next == timers_.end()) {
      wake_.wait(lock);
      continue;
    }
    if (Clock::now() >= next->second.due) {
      next->second.due = Clock::now() + next->second.period;
      return Event{true, static_cast<unsigned>(next->first), 0, 0};
    }
    wake_.wait_until(lock, next->second.due);
  }
}

std::string ConsolePort::LastStatus() const {
  std::lock_guard lock(mutex_);
  return status_;
}

}  // namespace orvik
