// What the toolkit forwards to the window's logic. The Qt and Win32 dialogs create and draw
// the controls and call these on the UI thread; every decision is made behind this
// interface.
#pragma once

#include <cstdint>
#include <string>

namespace orvik {

// The status picture painted over the update/run button place.
enum class StatusPicture { None, Downloading, Unpacking };

class WindowEvents {
 public:
  virtual ~WindowEvents() = default;

  virtual void OnInitDialog() = 0;
  virtual void OnCommand(int id) = 0;  // buttons and menu items
  // The operator clicked a check box (1016-1019); `checked` is what it shows now.
  virtual void OnCheckBoxClicked(int id, bool checked) = 0;
  virtual void OnListSelectionChanged(int id, const std::string& text) = 0;
  virtual void OnTimer(int timerId) = 0;
  virtual void OnWindowMessage(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) = 0;
  virtual void OnActivate(bool active) = 0;
  // The window is closing: stop and join the workers, then save the settings.
  virtual void OnClose() = 0;

  virtual StatusPicture StatusPictureToShow() const = 0;

  // The operator asked to close (Escape, Enter, the close box): false keeps the window open.
  virtual bool MayClose() { return true; }
  // The context menu carries "실행" (the run button's command) while the run button is
  // not shown, so a pending update never keeps the room from singing.
  virtual bool OffersRunInMenu() const { return false; }
  // The context menu's store-check item (command kVerifyCommand of verify_run.h): its
  // text, or null for no such item.
  virtual const char* VerifyMenuItem() const { return nullptr; }
  // The operator cancelled the progress dialog (it has closed itself).
  virtual void OnProgressCancel() {}
};

}  // namespace orvik
