// The store check ("곡 검사"): on the console (orvik --verify, and after --sync --verify,
// with the module folder's lock held) and from the window's context menu, on a worker that
// reports its progress through the window port.
#pragma once

#include <atomic>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>

#include "update/store_verify.h"

namespace orvik {

inline constexpr int kVerifySound = 0;
inline constexpr int kVerifyDamaged = 1;  // damaged songs found (and set aside), or no store

using VerifyLine = std::function<void(const std::string&)>;

// Finishes an interrupted update first (its staged songs are not damage), then checks the
// configured song store. `progress` (null: not a terminal) gets a line rewritten in place.
int RunVerify(const std::filesystem::path& moduleDir, const VerifyLine& out, const VerifyLine& err,
              const VerifyLine& progress);

// "검사 1,234 / 5,678곡, 12.3 MB/s, 남은 시간 1:02" for the console and the progress dialog.
std::string VerifyProgressText(const VerifyProgress& progress, double seconds);

// The context-menu command of the check; while one runs (its dialog disables the window)
// the command cancels it too.
inline constexpr int kVerifyCommand = 1090;

class WindowPort;
struct LauncherState;

// One check at a time, on its own worker. Progress goes to the progress dialog
// ("1,234 / 5,678곡 검사, 45.2 MB/s, 남은 시간 0:42" and the bar), whose cancel stops the check
// and keeps what it found; at the end the dialog closes, the summary is shown on the status
// line and in a box, and the song count is taken again (songs set aside no longer count).
class VerifyRun {
 public:
  ~VerifyRun() { Stop(); }

  // Starts the check of `state`'s song store. The caller has made sure no update downloads
  // or unpacks (and refuses one while Running()).
  void Start(WindowPort& port, LauncherState& state);
  // Cancels: what was found so far is still set aside.
  void Cancel() { worker_.request_stop(); }
  bool Running() const { return running_; }
  // The window closes: cancel and wait.
  void Stop();

 private:
  std::atomic<bool> running_{false};
  std::atomic<bool> closing_{false};  // no box for a window that is going
  std::jthread worker_;
};

// The menu item's text: "곡 검사", or its cancel while a check runs.
const char* VerifyMenuText(bool running);

}  // namespace orvik
