// The launcher's command line, read before any window exists: --version and --help print
// and end, an unknown option is named, and without a display the launcher says so in one
// line instead of letting the toolkit abort.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace orvik {

// The process's exit code when the command line (or the lack of a display) ends it before
// the window; nothing when the launcher goes on. `out`/`err` receive whole lines.
// `hasDisplay` tells whether a window can be shown at all.
std::optional<int> HandleCommandLine(const std::vector<std::string>& args, bool hasDisplay,
                                     const std::function<void(const std::string&)>& out,
                                     const std::function<void(const std::string&)>& err);

// True when the environment names a display the toolkit can use.
bool HasDisplay();

}  // namespace orvik
