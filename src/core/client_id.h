// The client identifier kept in data.r4x in the module directory.
#pragma once

#include <filesystem>
#include <string>

namespace orvik {

// The file's bytes up to the first NUL, exactly as stored (a line end stays part of it; an
// empty file gives an empty id and is left alone). A missing or unreadable file gets a new
// id, written atomically; when that write fails the id still serves this run.
std::string LoadClientId(const std::filesystem::path& moduleDir);

}  // namespace orvik
