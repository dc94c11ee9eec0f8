// The one start-up of orvik (Qt) and orvik.exe (Win32). A front end's main converts its
// arguments to UTF-8 and hands in how to make its window; everything else happens here,
// in this order:
//   1. the command line is read (nothing written yet);
//   2. the module folder's lock: one launcher per folder. Without it, a windowed start
//      raises the running launcher's window and ends (0), --sync ends with 3;
//   3. with the lock, the log (logs/orvik.log) opens, before any other line is written;
//   4. --version, --help, a wrong option (2), no display (1 line, 1) or --sync answer on
//      the console (the parent's one on Windows) and end with their exit code;
//   5. otherwise the window: made through the factory, shown modally with the player
//      installation as the current directory, then ended.
#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "window/orvik_window.h"

namespace orvik {

// The main window of a front end, made and not yet shown.
class LauncherWindow {
 public:
  // Ends the run: workers joined, setting.env saved.
  virtual ~LauncherWindow() = default;
  // Shows the window modally; returns when it has closed. False when it could not be shown
  // at all (the run then fails instead of ending as if the operator had closed it).
  virtual bool RunModal() = 0;
};

// A front end's dialog with the window logic over it: made together; the logic's run ends
// first (workers joined, setting.env saved once; the dialog may have done it already).
template <class Dialog>
struct DialogWithLogic {
  explicit DialogWithLogic(WindowDependencies deps)
      : dialog(std::make_unique<Dialog>()),
        logic(std::make_unique<COrvikWindow>(*dialog, std::move(deps))) {
    dialog->AttachLogic(logic.get());
  }
  ~DialogWithLogic() {
    logic->OnClose();
    logic.reset();
    dialog.reset();
  }
  std::unique_ptr<Dialog> dialog;
  std::unique_ptr<COrvikWindow> logic;
};

using LauncherWindowFactory = std::function<std::unique_ptr<LauncherWindow>(WindowDependencies)>;
using LineWriter = std::function<void(const std::string&)>;

struct LauncherFace {
  LauncherWindowFactory makeWindow;
  // A second windowed start in the same folder: bring the running one forward.
  std::function<void(const std::filesystem::path& moduleDir)> raiseRunning;

  // Left empty, the system's: the executable's folder, HasDisplay(), whole lines on
  // stdout/stderr (progress redrawn in place on a terminal), the parent console,
  // ReadInstallDir(), the system's transport and processes.
  std::filesystem::path moduleDir;
  std::optional<bool> hasDisplay;
  LineWriter out, err, progress;
  std::function<void()> attachConsole;
  std::function<std::string()> readInstallDir;
  std::function<std::unique_ptr<HttpTransport>(const ServiceAddress&, std::stop_token)>
      makeTransport;
  platform::ProcessApi* processes = nullptr;
};

// The process's exit code.
int LauncherMain(const std::vector<std::string>& args, LauncherFace face);

}  // namespace orvik
