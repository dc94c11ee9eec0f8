#include "app/orvik_app.h"

#include <filesystem>
#include <memory>
#include <system_error>

#include "app/instance_signal.h"
#include "core/install_dir.h"
#include "core/launcher_settings.h"
#include "core/log.h"
#include "platform/instance_lock.h"
#include "platform/module_dir.h"
#include "service/system_transport.h"
#include "ui/orvik_dlg.h"
#include "window/orvik_window.h"

namespace orvik {

bool COrvikApp::InitInstance() {
  const std::filesystem::path moduleDir = platform::GetModuleDirectory();
  // One launcher per module folder, decided before anything is written there: a second
  // start brings the running window to the front and ends.
  const auto lock = platform::TryLockModuleFolder(moduleDir);
  if (!lock) {
    KnockOnRunningLauncher(moduleDir);
    return false;
  }
  auto dlg = std::make_unique<ui::COrvikDlg>();
  RaiseOnSecondStart(moduleDir, dlg.get());
  WindowDependencies deps;
  deps.moduleDir = moduleDir;
  // Before the window, after the lock (a second start writes nothing): every later event
  // of this run belongs in the technician's log.
  logging::OpenLogFile(deps.moduleDir);
  deps.makeTransport = [](const ServiceAddress& address,
                          std::stop_token shutdown) -> std::unique_ptr<HttpTransport> {
    return MakeSystemTransport(address, shutdown);
  };
  auto logic = std::make_unique<COrvikWindow>(*dlg, std::move(deps));
  dlg->AttachLogic(logic.get());

  const std::string installDir = ReadInstallDir();
  std::error_code ec;
  const std::filesystem::path startDir = std::filesystem::current_path(ec);
  // A missing installation folder is no error: the launcher then stays where it started.
  std::filesystem::current_path(PathFromSetting(installDir), ec);

  dlg->exec();

  if (!startDir.empty()) std::filesystem::current_path(startDir, ec);
  logic->OnClose();  // workers joined, setting.env saved (once; the dialog may have done it)
  logic.reset();
  dlg.reset();
  logging::Info("end: the window has closed");
  logging::CloseLogFile();
  return false;
}

}  // namespace orvik
