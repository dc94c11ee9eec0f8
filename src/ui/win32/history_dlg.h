// The update-history window of the Win32 front end (template IDD_HISTORY): the updates
// newest first, the song numbers of the selected one, and "내보내기" for its new songs.
// It only draws window/history_view.
#pragma once

#include <windows.h>

#include <filesystem>

namespace orvik::ui::win {

// Modal over `owner`; returns when the operator closes it.
void ShowHistoryDialog(HWND owner, const std::filesystem::path& moduleDir);

}  // namespace orvik::ui::win
