// The one bridge between the window's worker threads and a front end's UI thread (Qt, Win32
// and the console of --sync alike). Every call that changes the window runs on the UI
// thread in the order the calls were made; a question waits for its answer, and once the
// window begins to close every waiting question is released with its default answer, so a
// worker never waits for a window that is gone. A front end supplies only how to reach its
// UI thread and the drawing (the Ui* members, called on the UI thread only).
#pragma once

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>

#include "core/window_port.h"

// What a front end overrides, in its class body: its way to the UI thread and its drawing
// (declared here once, so the front ends cannot drift apart).
#define ORVIK_THREAD_BRIDGE_FRONT_END                                                            \
  void PostToUiThread(std::function<void()> call) override;                                      \
  bool OnUiThread() const override;                                                              \
  void UiSetText(int id, const std::string& text) override;                                      \
  void UiShow(int id, bool show) override;                                                       \
  void UiSetChecked(int id, bool checked) override;                                              \
  void UiEnable(int id, bool enable) override;                                                   \
  void UiInvalidate(const Rect& area) override;                                                  \
  void UiSetProgress(int id, int pos) override;                                                  \
  void UiSetListItems(int id, const std::vector<std::string>& items, int selected) override;     \
  void UiSetBannerPictures(const std::vector<std::filesystem::path>& files) override;            \
  void UiAddBannerPicture(const std::filesystem::path& file) override;                           \
  void UiShowAboutBox() override;                                                                \
  void UiOpenProgressDialog() override;                                                          \
  void UiSetProgressDialog(const std::string& status, int percent) override;                     \
  void UiCloseProgressDialog() override;                                                         \
  void UiStartTimer(int timerId, int periodMs) override;                                         \
  void UiStopTimer(int timerId) override;                                                        \
  void UiDeliverMessage(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) override; \
  bool UiAskYesNo(const std::string& text) override;                                             \
  void UiShowMessage(const std::string& text, MessageIcon icon) override;                        \
  bool UiOpenAddress(const std::string& address) override;

namespace orvik {

class ThreadBridge : public WindowPort {
 public:
  // WindowPort; safe from any thread.
  void SetControlText(int id, const std::string& text) final;
  void ShowControl(int id, bool show) final;
  void SetControlChecked(int id, bool checked) final;
  void EnableControl(int id, bool enable) final;
  void InvalidateArea(const Rect& area) final;
  void SetProgressPos(int id, int pos) final;
  void SetListItems(int id, const std::vector<std::string>& items, int selected) final;
  void SetBannerPictures(const std::vector<std::filesystem::path>& files) final;
  void AddBannerPicture(const std::filesystem::path& file) final;
  void ShowAboutBox() final;
  void OpenProgressDialog() final;
  void SetProgressDialog(const std::string& status, int percent) final;
  void CloseProgressDialog() final;
  // A timer asked for once the window closes is never started.
  void StartTimer(int timerId, int periodMs) final;
  void StopTimer(int timerId) final;
  // Always queued, also from the UI thread: the sender goes on before the message is handled.
  void PostWindowMessage(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) final;
  // Modal for the caller; No once the window closes.
  bool AskYesNo(const std::string& text) final;
  // Modal for the caller too: a worker goes on once the operator has read the message.
  void ShowMessage(const std::string& text, MessageIcon icon) final;
  bool OpenAddress(const std::string& address) final;

  // The window begins to close: questions waiting now or asked later get their default
  // answer at once. Call it before joining the workers.
  void BeginClosing();
  bool IsClosing() const { return closing_; }

 protected:
  // Queues `call` to run on the UI thread after every call queued before it. Calls still
  // queued when the window is gone may be dropped.
  virtual void PostToUiThread(std::function<void()> call) = 0;
  virtual bool OnUiThread() const = 0;

  // The drawing, on the UI thread only.
  virtual void UiSetText(int id, const std::string& text) = 0;
  virtual void UiShow(int id, bool show) = 0;
  virtual void UiSetChecked(int id, bool checked) = 0;
  virtual void UiEnable(int id, bool enable) = 0;
  virtual void UiInvalidate(const Rect& area) = 0;
  virtual void UiSetProgress(int id, int pos) = 0;
  virtual void UiSetListItems(int id, const std::vector<std::string>& items, int selected) = 0;
  virtual void UiSetBannerPictures(const std::vector<std::filesystem::path>& files) = 0;
  virtual void UiAddBannerPicture(const std::filesystem::path& file) = 0;
  virtual void UiShowAboutBox() = 0;
  virtual void UiOpenProgressDialog() = 0;
  virtual void UiSetProgressDialog(const std::string& status, int percent) = 0;
  virtual void UiCloseProgressDialog() = 0;
  virtual void UiStartTimer(int timerId, int periodMs) = 0;
  virtual void UiStopTimer(int timerId) = 0;
  // A posted message's turn has come: hand it to the window's logic.
  virtual void UiDeliverMessage(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) = 0;
  virtual bool UiAskYesNo(const std::string& text) = 0;
  virtual void UiShowMessage(const std::string& text, MessageIcon icon) = 0;
  virtual bool UiOpenAddress(const std::string& address) = 0;

 private:
  // Runs `call` now on the UI thread, or queues it there from any other thread.
  void RunOnUi(std::function<void()> call);
  // Runs `call` on the UI thread and waits for its result; `whenClosing` once the window
  // closes.
  bool WaitOnUi(std::function<bool()> call, bool whenClosing);

  std::mutex mutex_;  // the closing hand-shake with waiting workers
  std::condition_variable answered_;
  std::atomic<bool> closing_{false};
};

}  // namespace orvik
