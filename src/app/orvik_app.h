// The application object: finds the player installation, makes it the current directory
// while the main window runs modally, and ends the process when the window has closed.
#pragma once

#include <functional>
#include <memory>
#include <string>

namespace orvik {

class LauncherWindow;

class COrvikApp {
 public:
  COrvikApp(std::function<std::unique_ptr<LauncherWindow>()> makeWindow,
            std::function<std::string()> readInstallDir)
      : makeWindow_(std::move(makeWindow)), readInstallDir_(std::move(readInstallDir)) {}

  // Always false: there is no message loop of the application's own after the window.
  bool InitInstance();
  // Whether the window was shown (false: it could not be made on screen).
  bool WindowShown() const { return shown_; }

 private:
  std::function<std::unique_ptr<LauncherWindow>()> makeWindow_;
  std::function<std::string()> readInstallDir_;
  bool shown_ = false;
};

}  // namespace orvik
