// What a front end draws, as seen by the window's logic and the workers: they never touch
// widgets and never read them back, they ask the window through this port. The front ends
// implement it through the one bridge in window/ (calls from workers go onto the UI thread
// in order); tests implement it with a recorder.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace orvik {

enum class MessageIcon { None, Information, Warning, Stop, Question };

struct Rect {
  int left = 0, top = 0, right = 0, bottom = 0;
  friend bool operator==(const Rect&, const Rect&) = default;
};

class WindowPort {
 public:
  virtual ~WindowPort() = default;

  // Texts are UTF-8.
  virtual void SetControlText(int id, const std::string& text) = 0;
  virtual void ShowControl(int id, bool show) = 0;
  virtual void SetControlChecked(int id, bool checked) = 0;
  virtual void EnableControl(int id, bool enable) = 0;
  // Repaints what the window paints itself there (the panel and the status picture).
  virtual void InvalidateArea(const Rect& area) = 0;
  virtual void SetProgressPos(int id, int pos) = 0;
  // Fills a list control (the program combo) and selects entry `selected` (-1: none).
  virtual void SetListItems(int id, const std::vector<std::string>& items, int selected) = 0;

  // The rolling banner: its picture files (those that fail to load are dropped).
  virtual void SetBannerPictures(const std::vector<std::filesystem::path>& files) = 0;
  virtual void AddBannerPicture(const std::filesystem::path& file) = 0;
  virtual void ShowAboutBox() = 0;
  // The small progress dialog over the window: its status line and its bar in percent.
  // Cancel closes it and reaches the logic as WindowEvents::OnProgressCancel; the logic
  // closes it when the work ends. Calls after it closed change nothing.
  virtual void OpenProgressDialog() = 0;
  virtual void SetProgressDialog(const std::string& status, int percent) = 0;
  virtual void CloseProgressDialog() = 0;

  virtual void StartTimer(int timerId, int periodMs) = 0;
  virtual void StopTimer(int timerId) = 0;

  // Queued; handled later on the UI thread by the window's message handler.
  virtual void PostWindowMessage(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) = 0;

  // Modal; a worker thread blocks until the operator answers. Never called with the UI
  // thread blocked on that worker.
  virtual bool AskYesNo(const std::string& text) = 0;
  virtual void ShowMessage(const std::string& text, MessageIcon icon) = 0;

  // Hands an address (URL or file) to the system's default handler; false when it refused.
  virtual bool OpenAddress(const std::string& address) = 0;
};

}  // namespace orvik
