#include "core/launcher_settings.h"

#include <algorithm>
#include <cctype>
#include <climits>

#include "core/catalogue.h"
#include "core/launcher_state.h"
#include "platform/codepage.h"
#include "platform/files.h"
#include "platform/path_text.h"

namespace orvik {
namespace {

const char* ConfigName(ToolOption option) {
  switch (option) {
    case ToolOption::UseTools:
      return "useConfig";
    case ToolOption::LoopMidi:
      return "loopMIDI";
    case ToolOption::KvSynth:
      return "kvSYNTH";
    case ToolOption::Cantata:
      return "cantata";
  }
  return nullptr;
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

int SelectEntry(const std::vector<std::string>& entries, const std::string& wanted,
                const std::string& serviceKey) {
  for (std::size_t i = 0; i < entries.size(); ++i)
    if (EqualsIgnoringCase(entries[i], wanted)) return static_cast<int>(i);
  for (std::size_t i = 0; i < entries.size(); ++i)
    if (entries[i] == serviceKey) return static_cast<int>(i);
  return entries.empty() ? -1 : 0;
}

}  // namespace

int LeadingInteger(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  long long value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = value * 10 + (text[i] - '0');
    if (value > INT_MAX) {  // a huge number still counts as on
      value = INT_MAX;
      break;
    }
  }
  return static_cast<int>(negative ? -value : value);
}

std::filesystem::path SettingsFilePath(const std::filesystem::path& moduleDir) {
  return moduleDir / "setting.env";
}

ProgramList LoadSettings(LauncherState& state) {
  const auto bytes = platform::ReadFileBytes(SettingsFilePath(state.moduleDir));
  if (!bytes) return LoadSettingsFromBytes(state, std::nullopt);
  return LoadSettingsFromBytes(state, std::string_view(*bytes));
}

ProgramList LoadSettingsFromBytes(LauncherState& state, std::optional<std::string_view> bytes) {
  ProgramList list;
  if (!bytes) return list;
  state.settings.Parse(*bytes);

  const std::string wanted = state.settings.GetOrInsert("settings.run");
  const std::string serviceKey =
      NormaliseServiceKey(state.settings.GetOrInsert("settings.service"));
  {
    std::lock_guard lock(state.mutex);
    state.m_serviceKey = serviceKey;
  }

  list.entries = ProgramEntriesFor(serviceKey);
  list.selected = SelectEntry(list.entries, wanted.empty() ? serviceKey : wanted, serviceKey);
  // With no entry nothing is stored: the run command then says no player is configured.
  if (list.selected >= 0) OnProgramSelected(state, list.entries[list.selected]);
  return list;
}

bool SaveSettings(const LauncherState& state) {
  return SaveSettingsFile(SettingsFilePath(state.moduleDir), state.settings);
}

void OnProgramSelected(LauncherState& state, const std::string& entry) {
  {
    std::lock_guard lock(state.mutex);
    state.m_selectedProgram = entry;
  }
  state.settings.Set("settings.run", entry);
}

std::string GetSongsFolder(const LauncherState& state) {
  return state.settings.Get("songs." + state.ServiceKey());
}

std::filesystem::path PathFromSetting(const std::string& value) {
  if (platform::IsValidUtf8(value)) return platform::PathFromUtf8(value);
  const std::string utf8 = platform::Cp949ToUtf8(value);
  // '?' stands for a byte the code page does not have: no such file can be meant.
  if (std::count(utf8.begin(), utf8.end(), '?') != std::count(value.begin(), value.end(), '?'))
    return {};
  return platform::PathFromUtf8(utf8);
}

std::filesystem::path GetSongsFolderPath(const LauncherState& state) {
  return PathFromSetting(GetSongsFolder(state));
}

std::string GetRunProgramPath(const LauncherState& state) {
  std::string program;
  {
    std::lock_guard lock(state.mutex);
    program = state.m_selectedProgram;
  }
  return platform::SettingTextToUtf8(state.settings.Get("run." + program, kDefaultRunProgram));
}

std::string GetListProgramPath(const LauncherState& state) {
  return platform::SettingTextToUtf8(
      state.settings.Get("list." + state.ServiceKey(), kDefaultListProgram));
}

int GetConfigFlag(LauncherState& state, ToolOption option) {
  const char* name = ConfigName(option);
  if (name == nullptr) return 0;
  return LeadingInteger(state.settings.GetOrInsert(std::string("config.") + name));
}

void SetConfigFlag(LauncherState& state, ToolOption option, bool checked) {
  if (const char* name = ConfigName(option))
    state.settings.Set(std::string("config.") + name, checked ? "1" : "0");
}

}  // namespace orvik
