#include "app/orvik_app.h"

#include <filesystem>
#include <system_error>

#include "app/launcher_main.h"
#include "core/launcher_settings.h"

namespace orvik {

bool COrvikApp::InitInstance() {
  auto window = makeWindow_();
  const std::string installDir = readInstallDir_();
  std::error_code ec;
  const std::filesystem::path startDir = std::filesystem::current_path(ec);
  // A missing installation folder is no error: the launcher then stays where it started.
  if (!installDir.empty()) std::filesystem::current_path(PathFromSetting(installDir), ec);

  shown_ = window->RunModal();

  if (!startDir.empty()) std::filesystem::current_path(startDir, ec);
  window.reset();  // workers joined, setting.env saved
  return false;
}

}  // namespace orvik
