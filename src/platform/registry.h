// The registry-like lookup behind the installation directory. On Windows the registry
// (HKLM, 32-bit view); on POSIX an INI file whose section is the key path:
//   /etc/xdg/KESTOVA.conf
//   [SOFTWARE\KESTOVA]
//   Tunova2016InstallDir=/opt/tunova
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace orvik::platform {

std::optional<std::string> ReadMachineValue(const std::string& keyPath,
                                            const std::string& valueName);

// The INI lookup the POSIX build uses, on any file. Lines are trimmed; "[name]" opens a
// section; "name=value" is an entry (name and value trimmed, value may hold "="); anything
// else is ignored. Section and value names compare ignoring ASCII case, as registry names
// do. The last matching entry wins. nullopt when the file or the entry is missing.
std::optional<std::string> ReadIniValue(const std::filesystem::path& file, std::string_view section,
                                        std::string_view name);
std::optional<std::string> FindIniValue(std::string_view text, std::string_view section,
                                        std::string_view name);

}  // namespace orvik::platform
