// Operator-facing texts of the main window (UTF-8).
#pragma once

namespace orvik::text {

inline constexpr const char* kMakeListQuestion = "곡 리스트를 새로 만드시겠습니까?";
inline constexpr const char* kPreparingDownload = "다운로드 준비 중입니다.";
inline constexpr const char* kDownloading = "다운로드 중..";
inline constexpr const char* kUpdateReady = "업데이트가 준비되었습니다.";
inline constexpr const char* kUpdateFinished = "곡업데이트 완료";
inline constexpr const char* kUnpacking = "압축푸는 중";
inline constexpr const char* kMakeListReminder =
    "곡업데이트 완료 되었습니다.\n곡 리스트만들기를 반드시 하셔야합니다.";
// The launcher's own files, said once at start.
inline constexpr const char* kClientIdUnreadable =
    "data.r4x 파일을 읽을 수 없어 서버에 연결하지 않습니다.";
inline constexpr const char* kClientIdNotStored =
    "data.r4x 파일을 만들 수 없어 서버에 연결하지 않습니다.";
inline constexpr const char* kSettingsReadOnly =
    "setting.env 파일이 읽기 전용이어서 설정을 저장하지 않습니다.";
inline constexpr const char* kModuleFolderReadOnly = "프로그램 폴더에 쓸 수 없습니다.";
inline constexpr const char* kQuitDuringUpdate = "업데이트 중입니다. 종료할까요?";
inline constexpr const char* kRunMenuItem = "실행";
inline constexpr const char* kDownloadFailedLabel = "Download failed";
inline constexpr const char* kOpenUrlFailed = "Failed to open URL: ";
inline constexpr const char* kEventUpdatePath = "/api/app/banner/event/event-update";
inline constexpr const char* kEventInstallPath = "/api/app/banner/event/event-install";

}  // namespace orvik::text
