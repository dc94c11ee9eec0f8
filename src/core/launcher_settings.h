// The main window's settings: setting.env loaded into the launcher state, the program list
// it yields, and the lookups the rest of the launcher makes. No toolkit here: the window
// fills its program list (control 1024) from what LoadSettings returns.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/tool_options.h"

namespace orvik {

struct LauncherState;

struct ProgramList {
  std::vector<std::string> entries;  // sorted as the list control keeps them
  int selected = -1;                 // -1: no entry (unknown type, or no settings file)
};

std::filesystem::path SettingsFilePath(const std::filesystem::path& moduleDir);

// Reads moduleDir/setting.env into state.settings, sets m_serviceKey and m_selectedProgram.
// A missing file leaves everything empty and the key "tunova".
ProgramList LoadSettings(LauncherState& state);
// The same on file bytes already read (nullopt: no file).
ProgramList LoadSettingsFromBytes(LauncherState& state, std::optional<std::string_view> bytes);
// Atomic replace of setting.env; false (and the old file intact) when it failed.
bool SaveSettings(const LauncherState& state);

// Selection change of the program list: the entry's own text becomes settings.run.
void OnProgramSelected(LauncherState& state, const std::string& entry);

// The design's fall-back programs are Windows paths; elsewhere there is none, and the
// operator is told that no program is configured instead of being shown a Windows path.
#ifdef _WIN32
inline constexpr const char* kDefaultRunProgram = "c:\\tunova\\tunova.exe";
inline constexpr const char* kDefaultListProgram = "c:\\tunova\\Orvik.exe";
#else
inline constexpr const char* kDefaultRunProgram = "";
inline constexpr const char* kDefaultListProgram = "";
#endif

// songs.<service>; empty means the type has no song store.
std::string GetSongsFolder(const LauncherState& state);
// A setting's value as a path: UTF-8 when it is valid UTF-8, else CP949 (files written on
// Korean Windows by earlier installations). Empty when it cannot be converted.
std::filesystem::path PathFromSetting(const std::string& value);
std::filesystem::path GetSongsFolderPath(const LauncherState& state);
// run.<selected entry>, default kDefaultRunProgram.
std::string GetRunProgramPath(const LauncherState& state);
// list.<service>, default kDefaultListProgram.
std::string GetListProgramPath(const LauncherState& state);
// config.<name> of a tool option (indexed lookup: the key is kept for the save); its
// leading decimal integer, 0 for an empty or non-numeric value.
int GetConfigFlag(LauncherState& state, ToolOption option);
void SetConfigFlag(LauncherState& state, ToolOption option, bool checked);

// The leading decimal integer of a text, as the C library reads it ("12x" 12, "yes" 0),
// clamped to the int range.
int LeadingInteger(std::string_view text);

}  // namespace orvik
