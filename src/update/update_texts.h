// Operator-facing texts of the update engine (UTF-8).
#pragma once

namespace orvik::text {

inline constexpr const char* kUseArchiveQuestion =
    "업데이트 파일이 있습니다. 파일을 사용하시겠습니까?";
inline constexpr const char* kLauncherUpdateQuestion =
    "런처프로그램의 새로운 버전이 있습니다. 다운받으시겠습니까?";
inline constexpr const char* kLauncherUpdateBadAddress =
    "새 런처의 주소가 올바르지 않아 열 수 없습니다.";
inline constexpr const char* kSongsUnit = "곡";
inline constexpr const char* kRequestFailed = "HTTP request failed.";

// Status line texts of failures the operator must see; a folder, file or reason follows
// the texts ending in ": ".
inline constexpr const char* kDownloadFailed = "다운로드 실패";
inline constexpr const char* kDownloadFailedHttp = "다운로드 실패: 서버 응답 ";
inline constexpr const char* kDownloadInterrupted = "다운로드 중단됨 (다음 확인 때 이어받음): ";
inline constexpr const char* kDownloadCut = "연결이 끊어졌습니다";
inline constexpr const char* kDownloadNotSecure = "다운로드 실패: 안전하지 않은 주소입니다";
inline constexpr const char* kDownloadNoSpace = "다운로드 실패: 디스크 공간 부족: ";
inline constexpr const char* kDownloadWriteFailed = "다운로드 실패: 파일을 저장할 수 없습니다: ";
inline constexpr const char* kUnpackFailed = "압축풀기 실패: 패키지가 손상되었습니다: ";
inline constexpr const char* kUnpackNoSevenZip =
    "압축풀기 실패: 7-Zip 프로그램(bin/7z, 7zz, 7z)이 없습니다";
inline constexpr const char* kUnpackUnsafe = "압축풀기 실패: 잘못된 파일 경로가 있습니다: ";
inline constexpr const char* kUnpackNotWritable = "압축풀기 실패: 곡 폴더에 쓸 수 없습니다: ";
inline constexpr const char* kUnpackNoArchive = "압축풀기 실패: 업데이트 파일이 없습니다: ";
inline constexpr const char* kUnpackNoSpace = "압축풀기 실패: 디스크 공간 부족: ";
inline constexpr const char* kSongFolderMissing = "곡 폴더를 찾을 수 없습니다: ";
inline constexpr const char* kUnpackNoSongFolder = "압축풀기 실패: 곡 폴더가 설정되지 않았습니다";

}  // namespace orvik::text
