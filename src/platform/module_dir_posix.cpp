#include <system_error>

#include "platform/module_dir.h"

namespace orvik::platform {

std::filesystem::path GetModuleDirectory() {
  std::error_code ec;
  const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec || exe.empty()) return {};
  return exe.parent_path();
}

}  // namespace orvik::platform
