// The player installation folder, the current directory while the main window is open.
#pragma once

#include <optional>
#include <string>

namespace orvik {

inline constexpr const char* kInstallDirKey = "SOFTWARE\\KESTOVA";
inline constexpr const char* kInstallDirValue = "Tunova2016InstallDir";
inline constexpr const char* kDefaultInstallDir = "c:\\TunovaNew";

// The machine value "Tunova2016InstallDir" of key "SOFTWARE\KESTOVA", else the default.
std::string ReadInstallDir();
// The rule on a looked-up value: taken whole up to 2047 bytes (the registry query's
// buffer), otherwise the default, as for a missing value.
std::string InstallDirFromValue(const std::optional<std::string>& value);

}  // namespace orvik
