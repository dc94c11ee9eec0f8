#include "app/orvik_app.h"

#include <filesystem>
#include <memory>
#include <system_error>

#include "core/install_dir.h"
#include "ui/orvik_dlg.h"

namespace orvik {

bool COrvikApp::InitInstance() {
  auto dlg = std::make_unique<COrvikDlg>();
  const std::string installDir = ReadInstallDir();

  std::error_code ec;
  const std::filesystem::path startDir = std::filesystem::current_path(ec);
  // A missing installation folder is no error: the launcher then stays where it started.
  std::filesystem::current_path(std::filesystem::path(installDir), ec);

  dlg->DoModal();

  if (!startDir.empty()) std::filesystem::current_path(startDir, ec);
  dlg.reset();  // saves setting.env
  return false;
}

}  // namespace orvik
