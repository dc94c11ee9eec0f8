// The registry-like lookup behind the installation directory. On Windows the registry
// (HKLM, 32-bit view); on POSIX an INI file whose section is the key path.
#pragma once

#include <optional>
#include <string>

namespace orvik::platform {

std::optional<std::string> ReadMachineValue(const std::string& keyPath, const std::string& valueName);

}  // namespace orvik::platform
