// The one place where text becomes a path and a path becomes text. Text inside the launcher
// is UTF-8 on every platform; an implicit path(std::string) is lossy under mingw (it goes
// through the ANSI code page), so nothing else converts.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace orvik::platform {

// A path from UTF-8 text. Never throws: text that is not valid UTF-8 gives an empty path.
std::filesystem::path PathFromUtf8(std::string_view utf8);
// A path's UTF-8 text. Never throws: a path that cannot be converted gives "".
std::string PathToUtf8(const std::filesystem::path& path);
// A setting.env value that names a file or folder: UTF-8 when it is valid UTF-8, else code
// page 949 (files written on Korean Windows by earlier installations). Never throws.
std::string SettingTextToUtf8(std::string_view value);
// True when `text` is well-formed UTF-8 (no overlong forms, no surrogates).
bool IsValidUtf8(std::string_view text);

}  // namespace orvik::platform
