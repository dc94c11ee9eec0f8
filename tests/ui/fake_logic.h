// A window logic for the UI tests: records what the dialog forwards, and on which thread.
#pragma once

#include <QCoreApplication>
#include <QThread>
#include <QTimer>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "window/window_events.h"

namespace orvik::test {

struct LogicCall {
  std::string kind;  // "init", "command", "checkbox", "list", "timer", "message", "activate",
                     // "close", "progresscancel"
  long long id = 0;  // command, timer or message number; activate flag
  long long wParam = 0;  // a check box's state
  long long lParam = 0;
  std::string text;
  QThread* thread = nullptr;
};

class FakeLogic : public WindowEvents {
 public:
  void OnInitDialog() override { Record("init"); }
  void OnCommand(int id) override { Record("command", id); }
  void OnCheckBoxClicked(int id, bool checked) override { Record("checkbox", id, checked); }
  void OnListSelectionChanged(int id, const std::string& text) override {
    Record("list", id, 0, 0, text);
  }
  void OnTimer(int timerId) override { Record("timer", timerId); }
  void OnWindowMessage(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) override {
    Record("message", message, static_cast<long long>(wParam), lParam);
  }
  void OnActivate(bool active) override { Record("activate", active); }
  void OnClose() override {
    Record("close");
    if (onClose) onClose();
  }
  StatusPicture StatusPictureToShow() const override { return status; }
  bool MayClose() override {
    Record("mayclose");
    return mayClose;
  }
  bool OffersRunInMenu() const override { return offersRun; }
  void OnProgressCancel() override { Record("progresscancel"); }

  std::vector<LogicCall> Calls() const {
    std::lock_guard lock(mutex_);
    return calls_;
  }
  std::vector<LogicCall> CallsOf(const std::string& kind) const {
    std::vector<LogicCall> out;
    for (const auto& call : Calls()) {
      if (call.kind == kind) out.push_back(call);
    }
    return out;
  }
  void Clear() {
    std::lock_guard lock(mutex_);
    calls_.clear();
  }

  StatusPicture status = StatusPicture::None;
  bool mayClose = true;
  bool offersRun = false;
  std::function<void()> onClose;

 private:
  void Record(std::string kind, long long id = 0, long long wParam = 0, long long lParam = 0,
              std::string text = {}) {
    LogicCall call{std::move(kind), id, wParam, lParam, std::move(text), QThread::currentThread()};
    std::lock_guard lock(mutex_);
    calls_.push_back(std::move(call));
  }
  mutable std::mutex mutex_;
  std::vector<LogicCall> calls_;
};

// Runs the UI thread's event loop until `done` holds or the timeout passes; returns `done`.
// Sleeps in the event loop: whatever changes `done` from another thread calls WakeUi().
inline bool PumpUntil(const std::function<bool()>& done, int timeoutMs = 10000) {
  bool expired = false;
  QTimer guard;
  guard.setSingleShot(true);
  QObject::connect(&guard, &QTimer::timeout, [&] { expired = true; });
  guard.start(timeoutMs);
  while (!done()) {
    if (expired) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
  }
  return true;
}

// From a worker: makes a PumpUntil on the UI thread look at its condition again.
inline void WakeUi() {
  QMetaObject::invokeMethod(
      QCoreApplication::instance(), [] {}, Qt::QueuedConnection);
}

}  // namespace orvik::test
