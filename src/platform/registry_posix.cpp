#include "platform/registry.h"

namespace orvik::platform {

// The machine-wide configuration folder of the XDG base directories stands in for HKLM:
// every key path is a section of this one file.
std::optional<std::string> ReadMachineValue(const std::string& keyPath,
                                            const std::string& valueName) {
  return ReadIniValue("/etc/xdg/KESTOVA.conf", keyPath, valueName);
}

}  // namespace orvik::platform
