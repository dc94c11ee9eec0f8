// The application object: finds the player installation, makes it the current directory
// while the main window runs modally, and ends the process when the window has closed.
#pragma once

namespace orvik {

class COrvikApp {
 public:
  // Always false: there is no message loop of the application's own after the window.
  bool InitInstance();
};

}  // namespace orvik
