// The window port of a run without a window (orvik --sync): texts become console lines,
// questions get the unattended answer, and posted messages and timers wait in a queue that
// the calling thread drains as a window's message loop would.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <string>

#include "core/window_port.h"

namespace orvik {

class ConsolePort : public WindowPort {
 public:
  using Line = std::function<void(const std::string&)>;
  // `progress` redraws one line in place (a terminal); null: progress as plain lines.
  ConsolePort(Line out, Line progress);

  void SetControlText(int id, const std::string& text) override;
  void ShowControl(int, bool) override {}
  void SetControlChecked(int id, bool checked) override;
  bool IsControlChecked(int id) override;
  bool IsControlVisible(int) override { return true; }
  void EnableControl(int, bool) override {}
  bool IsControlEnabled(int) override { return true; }
  void RedrawControl(int) override {}
  void InvalidateArea(const Rect&) override {}
  void SetProgressPos(int id, int pos) override;
  void SetListItems(int, const std::vector<std::string>&, int) override {}
  void SetBannerPictures(const std::vector<std::filesystem::path>&) override {}
  void AddBannerPicture(const std::filesystem::path&) override {}
  void ShowAboutBox() override {}
  void OpenProgressDialog() override {}
  void StartTimer(int timerId, int periodMs) override;
  void StopTimer(int timerId) override;
  void PostWindowMessage(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) override;
  // No one is there to answer: no (logged).
  bool AskYesNo(const std::string& text) override;
  void ShowMessage(const std::string& text, MessageIcon icon) override;
  bool OpenAddress(const std::string& address) override;

  struct Event {
    bool timer = false;
    unsigned message = 0;  // or the timer's number
    std::uintptr_t wParam = 0;
    std::intptr_t lParam = 0;
  };
  // The next posted message or due timer; waits for one.
  Event Next();
  std::string LastStatus() const;

 private:
  using Clock = std::chrono::steady_clock;
  struct Timer {
    std::chrono::milliseconds period;
    Clock::time_point due;
  };
  void EndProgressLine();

  Line out_, progress_;
  mutable std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<Event> posted_;
  std::map<int, Timer> timers_;
  std::map<int, bool> checked_;
  std::string status_, byteLabel_;
  int shownTenth_ = -1;  // plain progress: the last tenth printed
  bool progressOpen_ = false;
};

}  // namespace orvik
