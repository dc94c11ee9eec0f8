// The client identifier kept in data.r4x in the module directory.
#pragma once

#include <filesystem>
#include <string>

namespace orvik {

enum class ClientIdProblem {
  None,
  Unreadable,   // data.r4x is there but cannot be read (a folder, no permission)
  CannotStore,  // there is none and a new one cannot be written
};

// The file's bytes up to the first NUL, exactly as stored (a line end stays part of it; an
// empty file gives an empty id and is left alone). A missing file gets a new id, written
// atomically. An id that cannot be read or stored gives "" and the problem: a new one at
// every start would look like a new device to the service each time.
std::string LoadClientId(const std::filesystem::path& moduleDir,
                         ClientIdProblem* problem = nullptr);

}  // namespace orvik
