// The launcher's version, as the About box, --version, the log and the device connect
// give it. It comes from project(Orvik VERSION ...) in the top CMakeLists.txt.
#pragma once

#include "orvik_version.h"

namespace orvik {

inline constexpr const char* kOrvikVersion = ORVIK_VERSION_STRING;

}  // namespace orvik
