// Values kept one per line in the launcher's own record files (journal, sidecar, owed
// results). A value from the service may hold any byte, a line break included, so it is
// written escaped and read back as itself.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace orvik {

// Backslash, line breaks and other control bytes become "\\", "\n", "\r" and "\xHH".
std::string EscapeLineValue(std::string_view value);
// Nothing for a dangling or unknown escape (a record another hand wrote).
std::optional<std::string> UnescapeLineValue(std::string_view escaped);

}  // namespace orvik
