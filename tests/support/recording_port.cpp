#include "support/recording_port.h"

namespace orvik::test {

void RecordingPort::Record(PortCall call) {
  {
    std::lock_guard lock(mutex_);
    calls_.push_back(call);
  }
  changed_.notify_all();
  if (onCall) onCall(call);
}

void RecordingPort::SetControlText(int id, const std::string& text) {
  {
    std::lock_guard lock(mutex_);
    texts_[id] = text;
  }
  Record({"text", id, text});
}

void RecordingPort::ShowControl(int id, bool show) {
  {
    std::lock_guard lock(mutex_);
    visible_[id] = show;
  }
  Record({"show", id, {}, show});
}

void RecordingPort::SetControlChecked(int id, bool checked) {
  {
    std::lock_guard lock(mutex_);
    checked_[id] = checked;
  }
  Record({"check", id, {}, checked});
}

void RecordingPort::EnableControl(int id, bool enable) {
  {
    std::lock_guard lock(mutex_);
    enabled_[id] = enable;
  }
  Record({"enable", id, {}, enable});
}

void RecordingPort::InvalidateArea(const Rect& a) {
  Record({"invalidate", 0,
          std::to_string(a.left) + "," + std::to_string(a.top) + "," + std::to_string(a.right) +
              "," + std::to_string(a.bottom)});
}

void RecordingPort::SetProgressPos(int id, int pos) { Record({"progress", id, {}, pos}); }

void RecordingPort::SetListItems(int id, const std::vector<std::string>& items, int selected) {
  std::string joined;
  for (const auto& item : items) joined += (joined.empty() ? "" : "|") + item;
  Record({"list", id, joined, selected});
}

void RecordingPort::SetBannerPictures(const std::vector<std::filesystem::path>& files) {
  std::string joined;
  for (const auto& f : files) joined += (joined.empty() ? "" : "|") + f.string();
  Record({"banner", 0, joined});
}

void RecordingPort::AddBannerPicture(const std::filesystem::path& file) {
  Record({"addbanner", 0, file.string()});
}

void RecordingPort::ShowAboutBox() { Record({"about", 0, {}}); }
void RecordingPort::OpenProgressDialog() { Record({"progressdlg", 0, {}}); }
void RecordingPort::SetProgressDialog(const std::string& status, int percent) {
  Record({"progressdlg-set", 0, status, percent});
}
void RecordingPort::CloseProgressDialog() { Record({"progressdlg-close", 0, {}}); }

void RecordingPort::StartTimer(int timerId, int periodMs) {
  {
    std::lock_guard lock(mutex_);
    timers_.insert(timerId);
  }
  Record({"timer", timerId, {}, periodMs});
}

void RecordingPort::StopTimer(int timerId) {
  {
    std::lock_guard lock(mutex_);
    timers_.erase(timerId);
  }
  Record({"killtimer", timerId, {}});
}

void RecordingPort::PostWindowMessage(unsigned message, std::uintptr_t wParam,
                                      std::intptr_t lParam) {
  Record({"post",
          static_cast<int>(message),
          {},
          static_cast<long long>(wParam),
          static_cast<long long>(lParam)});
}

bool RecordingPort::AskYesNo(const std::string& text) {
  bool answer;
  {
    std::lock_guard lock(mutex_);
    if (answers_.empty()) {
      answer = defaultAnswer;
    } else {
      answer = answers_.front();
      answers_.pop_front();
    }
  }
  Record({"ask", 0, text, answer});
  return answer;
}

void RecordingPort::ShowMessage(const std::string& text, MessageIcon icon) {
  Record({"message", 0, text, static_cast<long long>(icon)});
}

bool RecordingPort::OpenAddress(const std::string& address) {
  Record({"open", 0, address, openSucceeds});
  return openSucceeds;
}

void RecordingPort::QueueAnswer(bool yes) {
  std::lock_guard lock(mutex_);
  answers_.push_back(yes);
}

std::vector<PortCall> RecordingPort::Calls() const {
  std::lock_guard lock(mutex_);
  return calls_;
}

std::vector<PortCall> RecordingPort::CallsOf(const std::string& kind) const {
  std::lock_guard lock(mutex_);
  std::vector<PortCall> out;
  for (const auto& c : calls_)
    if (c.kind == kind) out.push_back(c);
  return out;
}

std::string RecordingPort::Text(int id) const {
  std::lock_guard lock(mutex_);
  const auto it = texts_.find(id);
  return it == texts_.end() ? std::string{} : it->second;
}

bool RecordingPort::Visible(int id) const {
  std::lock_guard lock(mutex_);
  const auto it = visible_.find(id);
  return it == visible_.end() ? true : it->second;
}

bool RecordingPort::Checked(int id) const {
  std::lock_guard lock(mutex_);
  const auto it = checked_.find(id);
  return it != checked_.end() && it->second;
}

bool RecordingPort::Enabled(int id) const {
  std::lock_guard lock(mutex_);
  const auto it = enabled_.find(id);
  return it == enabled_.end() || it->second;
}

bool RecordingPort::TimerRunning(int timerId) const {
  std::lock_guard lock(mutex_);
  return timers_.count(timerId) != 0;
}

static std::vector<std::string> TextsOf(const std::vector<PortCall>& calls) {
  std::vector<std::string> out;
  for (const auto& c : calls) out.push_back(c.text);
  return out;
}

std::vector<std::string> RecordingPort::Messages() const { return TextsOf(CallsOf("message")); }
std::vector<std::string> RecordingPort::Questions() const { return TextsOf(CallsOf("ask")); }
std::vector<std::string> RecordingPort::Opened() const { return TextsOf(CallsOf("open")); }
std::vector<PortCall> RecordingPort::Posted() const { return CallsOf("post"); }

void RecordingPort::Clear() {
  std::lock_guard lock(mutex_);
  calls_.clear();
}

bool RecordingPort::WaitFor(const std::function<bool(const std::vector<PortCall>&)>& pred,
                            std::chrono::milliseconds timeout) const {
  std::unique_lock lock(mutex_);
  return changed_.wait_for(lock, timeout, [&] { return pred(calls_); });
}

bool RecordingPort::WaitForPosted(unsigned message, std::size_t count,
                                  std::chrono::milliseconds timeout) const {
  return WaitFor(
      [&](const std::vector<PortCall>& calls) {
        std::size_t n = 0;
        for (const auto& c : calls)
          if (c.kind == "post" && c.id == static_cast<int>(message)) ++n;
        return n >= count;
      },
      timeout);
}

}  // namespace orvik::test
