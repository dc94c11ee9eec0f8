// A window port for tests: records every call in order and answers questions from a
// script. Thread-safe, since workers call it from their own threads.
#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "core/window_port.h"

namespace orvik::test {

struct PortCall {
  std::string kind;     // "text", "show", "check", "invalidate", "progress", "list",
                        // "banner", "addbanner",
                        // "about", "progressdlg", "progressdlg-set" (status, percent), "progressdlg-close",
                        // "enable", "timer", "killtimer", "post", "ask", "message", "open"
  int id = 0;           // control, timer or message number
  std::string text;     // text, question, address
  long long value = 0;  // show/check flag, period, progress, wParam, icon
  long long extra = 0;  // lParam
};

class RecordingPort : public WindowPort {
 public:
  void SetControlText(int id, const std::string& text) override;
  void ShowControl(int id, bool show) override;
  void SetControlChecked(int id, bool checked) override;
  void EnableControl(int id, bool enable) override;
  void InvalidateArea(const Rect& area) override;
  void SetProgressPos(int id, int pos) override;
  void SetListItems(int id, const std::vector<std::string>& items, int selected) override;
  void SetBannerPictures(const std::vector<std::filesystem::path>& files) override;
  void AddBannerPicture(const std::filesystem::path& file) override;
  void ShowAboutBox() override;
  void OpenProgressDialog() override;
  void SetProgressDialog(const std::string& status, int percent) override;
  void CloseProgressDialog() override;
  void StartTimer(int timerId, int periodMs) override;
  void StopTimer(int timerId) override;
  void PostWindowMessage(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) override;
  bool AskYesNo(const std::string& text) override;
  void ShowMessage(const std::string& text, MessageIcon icon) override;
  bool OpenAddress(const std::string& address) override;

  // Script: answers for AskYesNo, in order; when empty, `defaultAnswer`.
  void QueueAnswer(bool yes);
  bool defaultAnswer = false;
  bool openSucceeds = true;
  // Runs after each call is recorded, on the caller's thread (a worker's, often): lets a
  // test hold a worker at a given call. Set it before the work starts.
  std::function<void(const PortCall&)> onCall;

  std::vector<PortCall> Calls() const;
  std::vector<PortCall> CallsOf(const std::string& kind) const;
  std::string Text(int id) const;  // last text set, "" if none
  bool Visible(int id) const;      // last shown state; true when never set
  bool Checked(int id) const;
  bool Enabled(int id) const;  // true when never set
  bool TimerRunning(int timerId) const;
  std::vector<std::string> Messages() const;   // ShowMessage texts
  std::vector<std::string> Questions() const;  // AskYesNo texts
  std::vector<std::string> Opened() const;
  std::vector<PortCall> Posted() const;
  void Clear();

  // Blocks until `pred` holds over the calls so far, or the timeout passes.
  bool WaitFor(const std::function<bool(const std::vector<PortCall>&)>& pred,
               std::chrono::milliseconds timeout = std::chrono::seconds(20)) const;
  // Convenience: waits until a message with this number has been posted `count` times.
  bool WaitForPosted(unsigned message, std::size_t count = 1,
                     std::chrono::milliseconds timeout = std::chrono::seconds(20)) const;

 private:
  void Record(PortCall call);
  mutable std::mutex mutex_;
  mutable std::condition_variable changed_;
  std::vector<PortCall> calls_;
  std::map<int, std::string> texts_;
  std::map<int, bool> visible_;
  std::map<int, bool> checked_;
  std::map<int, bool> enabled_;
  std::set<int> timers_;
  std::deque<bool> answers_;
};

}  // namespace orvik::test
