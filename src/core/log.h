// The launcher's log for the support technician: logs/orvik.log in the module folder, one
// line per event with local time. Layers below the window write through these functions
// and never see the logging library. Safe from any thread; never throws.
#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

namespace orvik::logging {

enum class Level { Info, Warning, Error };

// Starts writing to <moduleDir>/logs/orvik.log (about 1 MiB per file, 5 files kept).
// False when the folder or file cannot be made; lines then go to the listener only.
bool OpenLogFile(const std::filesystem::path& moduleDir);
void CloseLogFile();
std::filesystem::path LogFilePath(const std::filesystem::path& moduleDir);

void Write(Level level, std::string_view line);
inline void Info(std::string_view line) { Write(Level::Info, line); }
inline void Warning(std::string_view line) { Write(Level::Warning, line); }
inline void Error(std::string_view line) { Write(Level::Error, line); }

// Every line is also handed to this listener while one is set (tests read the log here).
using Listener = std::function<void(Level, const std::string&)>;
void SetListener(Listener listener);

}  // namespace orvik::logging
