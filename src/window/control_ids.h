// Control, timer and message numbers of the main window. They keep the numbers of the
// window template so the flow can be read against the message table.
#pragma once

#include <cstdint>

namespace orvik {

namespace ctl {
inline constexpr int kProgressBar = 1010;
inline constexpr int kByteProgressLabel = 1011;
inline constexpr int kStatusLine = 1012;
inline constexpr int kStoredCountLabel = 1014;
inline constexpr int kUpdateCountLabel = 1015;
inline constexpr int kUseConfigBox = 1016;
inline constexpr int kLoopMidiBox = 1017;
inline constexpr int kKvSynthBox = 1018;
inline constexpr int kCantataBox = 1019;
inline constexpr int kUpdateCaption = 1023;
inline constexpr int kProgramList = 1024;
inline constexpr int kListButtonLegacy = 1003;
inline constexpr int kAboutCommand = 1004;
inline constexpr int kRunCaptionButton = 1006;

inline constexpr int kLegacyTunovaHL = 1026;
inline constexpr int kLegacyTunovaUSB = 1028;
inline constexpr int kLegacyTunova = 1029;
inline constexpr int kLegacyTunovaPRO = 1030;
inline constexpr int kLegacyTunovaNEW = 1031;

inline constexpr int kServiceTunovaHL = 1032;
inline constexpr int kServiceTunovaUSB = 1033;
inline constexpr int kServiceTunova = 1034;
inline constexpr int kServiceTunovaNEW = 1035;
inline constexpr int kServiceTunovaPRO = 1036;
inline constexpr int kEventUpdateButton = 1037;
inline constexpr int kMakeListButton = 1038;
inline constexpr int kEventInstallButton = 1039;
inline constexpr int kUpdateButton = 1040;
inline constexpr int kRunButton = 1041;

inline constexpr int kBanner = 1234;
}  // namespace ctl

namespace timer {
inline constexpr int kUpdateCheck = 1;  // 1800 ms
inline constexpr int kEventPoll = 2;    // 2000 ms
inline constexpr int kRunWatch = 3;     // 2000 ms
inline constexpr int kRecheck = 4;      // 10 min: after a check that brought no answer
}  // namespace timer

// Private window messages (WM_USER is 0x0400 on Windows).
inline constexpr unsigned kWmUser = 0x0400;
inline constexpr unsigned WM_DOWNLOAD_PROGRESS = kWmUser + 1;
inline constexpr unsigned WM_DOWNLOAD_FINISHED = kWmUser + 2;
inline constexpr unsigned WM_UPDATE_STATE = kWmUser + 3;
inline constexpr unsigned WM_SET_PROGRESS = kWmUser + 4;
inline constexpr unsigned WM_BANNERS_READY = kWmUser + 293;
inline constexpr unsigned WM_BANNER_CLICKED = kWmUser + 294;

// lParam of WM_DOWNLOAD_FINISHED: 0 = complete archive on disk, anything else = failed.
inline constexpr std::intptr_t kDownloadOk = 0;
inline constexpr std::intptr_t kDownloadFailed = 1;

// WM_UPDATE_STATE codes.
inline constexpr int kStateDownloading = 2;
inline constexpr int kStateReady = 3;
inline constexpr int kStateFinished = 4;
inline constexpr int kStateUnpacking = 5;
// Failures of the sound flow: the window shows why and offers the update again.
inline constexpr int kStateDownloadFailed = 6;
inline constexpr int kStateUnpackFailed = 7;


}  // namespace orvik
