// The window port of a run without a window (orvik --sync): texts become console lines,
// questions get the unattended answer. Its UI thread is the one that made it: calls from
// workers, posted messages and timers wait in a queue that it drains in Next(), as a
// window's message loop would.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>

#include "window/control_ids.h"
#include "window/thread_bridge.h"

namespace orvik {

class ConsolePort : public ThreadBridge {
 public:
  using Line = std::function<void(const std::string&)>;
  // `progress` redraws one line in place (a terminal); null: progress as plain lines.
  ConsolePort(Line out, Line progress);

  struct Event {
    bool timer = false;
    unsigned message = 0;  // or the timer's number
    std::uintptr_t wParam = 0;
    std::intptr_t lParam = 0;
  };
  // The next posted message or due timer; runs the calls queued before it, and waits.
  Event Next();
  std::string LastStatus() const;

 protected:
  ORVIK_THREAD_BRIDGE_FRONT_END

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
  std::deque<std::function<void()>> calls_;
  std::deque<Event> posted_;
  std::map<int, Timer> timers_;
  const std::thread::id uiThread_ = std::this_thread::get_id();
  std::string status_, byteLabel_;
  int shownTenth_ = -1;  // plain progress: the last tenth printed
  bool progressOpen_ = false;
};

}  // namespace orvik
