// Setting aside a record file the launcher cannot use: renamed beside itself, never
// deleted, so a technician finds what was there.
#pragma once

#include <filesystem>
#include <string_view>

namespace orvik {

// Renames `file` to "<file><suffix>", or "<file><suffix>-2", -3, … when that name is taken.
// The new name; empty when it could not be renamed.
std::filesystem::path SetAside(const std::filesystem::path& file, std::string_view suffix);

}  // namespace orvik
