// How a second start in the same module folder brings the running launcher's window to the
// front: the running one listens, the second knocks and ends.
#pragma once

#include <filesystem>

class QWidget;

namespace orvik {

// The running launcher: raises `window` whenever a second start knocks.
void RaiseOnSecondStart(const std::filesystem::path& moduleDir, QWidget* window);
// A second start: asks the running launcher to come to the front. Writes no file.
void KnockOnRunningLauncher(const std::filesystem::path& moduleDir);

}  // namespace orvik
