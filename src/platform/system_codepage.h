// The system's narrow text: what console programs such as "dir" write on this machine.
#pragma once

#include <string>
#include <string_view>

namespace orvik::platform {

// Appends `utf8` in the system's narrow code page (the ANSI code page on Windows; UTF-8
// elsewhere). False, with nothing appended, when a character has no equivalent there.
bool AppendInSystemCodePage(std::string_view utf8, std::string& out);

}  // namespace orvik::platform
