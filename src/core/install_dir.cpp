#include "core/install_dir.h"

#include "platform/registry.h"

namespace orvik {

std::string InstallDirFromValue(const std::optional<std::string>& value) {
  constexpr std::size_t kQueryBuffer = 2048;  // including the terminating zero
  if (!value || value->size() >= kQueryBuffer) return kDefaultInstallDir;
  return *value;
}

std::string ReadInstallDir() {
  return InstallDirFromValue(platform::ReadMachineValue(kInstallDirKey, kInstallDirValue));
}

}  // namespace orvik
