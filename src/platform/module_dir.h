#pragma once

#include <filesystem>

namespace orvik::platform {

// Folder of the running executable; empty when it cannot be obtained.
std::filesystem::path GetModuleDirectory();

}  // namespace orvik::platform
