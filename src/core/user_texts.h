// Every text the launcher shows an operator (UTF-8), in one place: the window, the boxes,
// the status line, the console of --sync. A text ending in ": " is followed by the folder,
// file or reason it names. Tests measure the longest of them against their labels.
#pragma once

namespace orvik::text {

// Questions and messages of the update.
inline constexpr const char* kUseArchiveQuestion =
    "업데이트 파일이 있습니다. 파일을 사용하시겠습니까?";
inline constexpr const char* kLauncherUpdateQuestion =
    "런처프로그램의 새로운 버전이 있습니다. 다운받으시겠습니까?";
inline constexpr const char* kLauncherUpdateBadAddress =
    "새 런처의 주소가 올바르지 않아 열 수 없습니다.";
inline constexpr const char* kMakeListQuestion = "곡 리스트를 새로 만드시겠습니까?";
inline constexpr const char* kMakeListReminder =
    "곡업데이트 완료 되었습니다.\n곡 리스트만들기를 반드시 하셔야합니다.";
inline constexpr const char* kQuitDuringUpdate = "업데이트 중입니다. 종료할까요?";
inline constexpr const char* kRequestFailed = "HTTP request failed.";

// Counts: "12,345곡".
inline constexpr const char* kSongsUnit = "곡";
inline constexpr const char* kCounting = "계산중..";

// The status line during an update.
inline constexpr const char* kPreparingDownload = "다운로드 준비 중입니다.";
inline constexpr const char* kDownloading = "다운로드 중..";
inline constexpr const char* kUpdateReady = "업데이트가 준비되었습니다.";
inline constexpr const char* kUpdateFinished = "곡업데이트 완료";
inline constexpr const char* kUnpacking = "압축푸는 중";
inline constexpr const char* kDownloadFailedLabel = "Download failed";
inline constexpr const char* kRemainingTime = "남은 시간 ";
inline constexpr const char* kRateCapped = " (제한)";  // after the speed under a cap

// The status line when a check, a download or an unpacking fails.
inline constexpr const char* kDownloadFailed = "다운로드 실패";
inline constexpr const char* kDownloadFailedHttp = "다운로드 실패: 서버 응답 ";
inline constexpr const char* kDownloadInterrupted = "다운로드 중단됨 (다음 확인 때 이어받음): ";
inline constexpr const char* kDownloadCut = "연결이 끊어졌습니다";
inline constexpr const char* kDownloadNotSecure = "다운로드 실패: 안전하지 않은 주소입니다";
inline constexpr const char* kDownloadUnsafeRedirect =
    "다운로드 실패: 패키지 주소가 안전하지 않은 주소로 넘겨졌습니다";
inline constexpr const char* kDownloadNoSpace = "다운로드 실패: 디스크 공간 부족: ";
inline constexpr const char* kDownloadWriteFailed = "다운로드 실패: 파일을 저장할 수 없습니다: ";
inline constexpr const char* kUnpackFailed = "압축풀기 실패: 패키지가 손상되었습니다: ";
inline constexpr const char* kUnpackNoSevenZip =
    "압축풀기 실패: 7-Zip 프로그램(bin/7z, 7zz, 7z)이 없습니다";
inline constexpr const char* kUnpackUnsafe = "압축풀기 실패: 잘못된 파일 경로가 있습니다: ";
inline constexpr const char* kUnpackNotWritable = "압축풀기 실패: 곡 폴더에 쓸 수 없습니다: ";
inline constexpr const char* kUnpackNoArchive = "압축풀기 실패: 업데이트 파일이 없습니다: ";
inline constexpr const char* kUnpackNoSpace = "압축풀기 실패: 디스크 공간 부족: ";
inline constexpr const char* kUnpackNoSongFolder = "압축풀기 실패: 곡 폴더가 설정되지 않았습니다";
inline constexpr const char* kSongFolderMissing = "곡 폴더를 찾을 수 없습니다: ";
inline constexpr const char* kSongFolderNotFound = "곡 폴더를 찾을 수 없습니다";
inline constexpr const char* kPollExpired =
    "업데이트 준비가 늦어지고 있습니다. 나중에 다시 확인합니다";
inline constexpr const char* kNoSettings = "설정 파일이 없습니다: ";
inline constexpr const char* kNoProductNumber =
    "제품 번호가 없습니다: setting.env의 [product] number를 확인하세요";

// Why an exchange with the song service brought no reply.
inline constexpr const char* kServerUnreachable = "서버에 연결할 수 없습니다";
inline constexpr const char* kServerTimedOut = "서버 응답 시간 초과";
inline constexpr const char* kServerCertificate = "서버 인증서를 확인할 수 없습니다";
inline constexpr const char* kServerError = "서버 오류 ";
inline constexpr const char* kServerReplyTooLarge = "서버 응답이 너무 큽니다";
inline constexpr const char* kServerUnsafeRedirect = "서버가 안전하지 않은 주소로 넘겼습니다";

// The launcher's own files, said once at start.
inline constexpr const char* kClientIdUnreadable =
    "data.r4x 파일을 읽을 수 없어 서버에 연결하지 않습니다.";
inline constexpr const char* kClientIdNotStored =
    "data.r4x 파일을 만들 수 없어 서버에 연결하지 않습니다.";
inline constexpr const char* kSettingsReadOnly =
    "setting.env 파일이 읽기 전용이어서 설정을 저장하지 않습니다.";
inline constexpr const char* kModuleFolderReadOnly = "프로그램 폴더에 쓸 수 없습니다.";
inline constexpr const char* kOpenUrlFailed = "Failed to open URL: ";

// Starting the players and the virtual MIDI tools.
inline constexpr const char* kProcessNotResponding = "프로세스가 응답하지 않아 종료되었습니다.";
inline constexpr const char* kWaitFailed = "WaitForSingleObject 실패: 오류 코드 %lu";
inline constexpr const char* kLoopMidiFailed =
    "Loop MIDI 를 실행할수 없습니다\nLoop MIDI가 설치되어있는디 확인해주세요";
inline constexpr const char* kKvSynthFailed =
    "KV Synth 를 실행할수 없습니다.\nKV Synth가 설치되어있는지 확인해주세요";
inline constexpr const char* kNoProgramConfigured =
    "실행할 프로그램이 설정되지 않았습니다.\nsetting.env를 확인하세요.";
inline constexpr const char* kProgramMissing = "\n지정된 파일이 존재하지 않습니다.";
inline constexpr const char* kElevatedStartFailed = "관리자 권한으로 실행 실패: 오류 코드 %lu";
inline constexpr const char* kStartFailed = "프로세스 생성 실패: 오류 코드 %lu";
inline constexpr const char* kToolNotStarted = " 를 실행했지만 시작되지 않았습니다.\n";
inline constexpr const char* kToolCheckAndRetry = " 상태를 확인한 후 다시 실행해주세요";

// Menus, boxes and dialogs of both front ends.
inline constexpr const char* kRunMenuItem = "실행";
inline constexpr const char* kAboutMenuItem = "Orvik 정보(&A)...";
inline constexpr const char* kBoxYes = "예(&Y)";
inline constexpr const char* kBoxNo = "아니요(&N)";
inline constexpr const char* kBoxOk = "확인";
inline constexpr const char* kBoxCancel = "취소";
inline constexpr const char* kProgressTitle = "진행상태";
inline constexpr const char* kMakingList = "곡 리스트 만드는 중";
inline constexpr const char* kAboutTitle = "튜노바프로 신곡 관리 정보";
inline constexpr const char* kAboutName = "튜노바프로 신곡 관리";
inline constexpr const char* kAboutFolder = "설치 폴더: ";
inline constexpr const char* kAboutLastUpdate = "마지막 곡 업데이트: ";
inline constexpr const char* kAboutNoUpdate = "마지막 곡 업데이트: 없음";
inline constexpr const char* kAboutSongsAdded = "곡 추가)";

// Captions of the dialog templates (the main window, the progress dialog, the About box).
inline constexpr const char* kStatusLineInitial = "프로그램";
inline constexpr const char* kByteLabelInitial = "0%";
inline constexpr const char* kStoredCountCaption = "저장된 곡 수";
inline constexpr const char* kSongCountInitial = "0곡";
inline constexpr const char* kUpdateCountCaption = "업데이트 곡 수";
inline constexpr const char* kUseConfigBox = "가상음원 체크";
inline constexpr const char* kLoopMidiBox = "Loop MIDI";
inline constexpr const char* kKvSynthBox = "KV Synth";
inline constexpr const char* kCantataBox = "칸타빌레(설정파일)";
inline constexpr const char* kProgramCaption = "실행될 프로그램";
inline constexpr const char* kListButtonLegacy = "리스트 만들기";
inline constexpr const char* kRunCaptionButton = "튜노바 실행";
inline constexpr const char* kLegacyTunovaHL = "Tunova H/L";
inline constexpr const char* kLegacyTunovaUSB = "TunovaUSB";
inline constexpr const char* kLegacyTunova = "▶ Tunova";
inline constexpr const char* kLegacyTunovaPRO = "TunovaPro";
inline constexpr const char* kLegacyTunovaNEW = " TunovaNew";
inline constexpr const char* kLegacyMakeList = "곡리스트 만들기";
inline constexpr const char* kProgressInitialLabel = " 0 %";

// The command line and the console of --sync.
inline constexpr const char* kNeedsDisplay =
    "orvik: 화면(디스플레이)이 필요합니다: DISPLAY가 설정되지 않았습니다 (needs a display)";
inline constexpr const char* kFolderLocked =
    "orvik: 다른 실행기가 이 프로그램 폴더를 쓰고 있습니다 (another launcher holds ";
inline constexpr const char* kPlayerStillRunning =
    "orvik: 플레이어가 아직 실행 중이어서 곡을 업데이트하지 않았습니다 (a player is still "
    "running)";
inline constexpr const char* kSyncFailed = "orvik: 업데이트 실패: ";

// Service pages the window opens (not shown, but kept with the texts they belong to).
inline constexpr const char* kEventUpdatePath = "/api/app/banner/event/event-update";
inline constexpr const char* kEventInstallPath = "/api/app/banner/event/event-install";

// The song store's own files, found damaged or foreign at start, and a full disk.
inline constexpr const char* kRecoveryLeftInPlace =
    "중단된 곡 업데이트의 작업 폴더가 없어 곡을 그대로 두었습니다";
inline constexpr const char* kRecoveryIncomplete = "중단된 곡 업데이트를 되돌리지 못했습니다: ";
inline constexpr const char* kRecoveryUnreadable =
    "곡 업데이트 기록을 읽을 수 없어 따로 두었습니다: ";
inline constexpr const char* kRecoveryOtherStore =
    "다른 곡 폴더의 업데이트 기록이어서 따로 두었습니다: ";
inline constexpr const char* kPendingResultsUnreadable =
    "업데이트 결과 기록을 읽을 수 없어 따로 두었습니다: ";
// "디스크 공간 부족: <folder> (<n> MB 필요, <m> MB 남음)"
inline constexpr const char* kDiskSpaceShort = "디스크 공간 부족: ";
inline constexpr const char* kDiskSpaceNeeded = " MB 필요, ";
inline constexpr const char* kDiskSpaceLeft = " MB 남음)";
// The virtual MIDI port checked before the player starts: "<head><port><what>", and the
// advice on the next line of the box.
inline constexpr const char* kMidiPortHead = "가상 MIDI 포트(";
inline constexpr const char* kMidiPortNotFound = ")를 찾을 수 없습니다.";
inline constexpr const char* kMidiPortNotChecked = ")를 확인할 수 없습니다.";
inline constexpr const char* kMidiPortListUnreadable = "\n시스템의 MIDI 출력 목록을 읽지 못했습니다.";
inline constexpr const char* kMidiPortAdvice = "\nloopMIDI에서 포트를 확인하세요.";
inline constexpr const char* kAboutMidiOutputs = "MIDI 출력: ";
inline constexpr const char* kAboutMidiNone = "없음";
inline constexpr const char* kAboutMidiUnreadable = "목록을 읽을 수 없습니다";

// The store check ("곡 검사"): the menu item, the progress dialog and the summary.
inline constexpr const char* kVerifyMenu = "곡 검사";
inline constexpr const char* kVerifyCancelMenu = "곡 검사 취소";
inline constexpr const char* kVerifyNoUpdateNow = "곡 검사 중에는 곡을 업데이트할 수 없습니다";
inline constexpr const char* kVerifyBusy = "곡 업데이트 중에는 곡 검사를 할 수 없습니다";
inline constexpr const char* kVerifySongsChecked = "곡 검사";
inline constexpr const char* kVerifyUnverified = "곡은 크기만 확인";
inline constexpr const char* kVerifyDamaged = "곡 손상";
inline constexpr const char* kVerifyCancelled = " (검사 취소됨)";
inline constexpr const char* kVerifySetAsideIn = ", 따로 둔 곳: ";
inline constexpr const char* kVerifyNotSetAside = " (옮기지 못함)";
inline constexpr const char* kVerifyTimeLeft = "남은 시간 ";
inline constexpr const char* kVerifyAllSound = "곡 검사: 손상된 곡이 없습니다";
inline constexpr const char* kVerifyFoundDamage =
    "곡 검사: 손상된 곡을 따로 두었습니다. 다음 업데이트에서 다시 받습니다: ";

// The update history window and its export.
inline constexpr const char* kHistoryMenuItem = "곡 업데이트 기록";
inline constexpr const char* kHistoryCaption = "곡 업데이트 기록";
inline constexpr const char* kHistoryExport = "내보내기";
inline constexpr const char* kHistoryClose = "닫기";
inline constexpr const char* kHistorySongsTitle = "곡 번호";
inline constexpr const char* kHistoryColumnTime = "시각";
inline constexpr const char* kHistoryColumnKind = "종류";
inline constexpr const char* kHistoryColumnCode = "업데이트 코드";
inline constexpr const char* kHistoryColumnAdded = "추가";
inline constexpr const char* kHistoryColumnRemoved = "삭제";
inline constexpr const char* kHistoryColumnOutcome = "결과";
inline constexpr const char* kHistoryKindUpdate = "업데이트";
inline constexpr const char* kHistoryKindRemoval = "곡 삭제";
inline constexpr const char* kHistoryKindVerify = "곡 검사";
inline constexpr const char* kHistoryOutcomeOk = "완료";
inline constexpr const char* kHistorySongRemoved = " (삭제)";
inline constexpr const char* kHistorySongSetAside = " (격리)";
inline constexpr const char* kHistoryEmpty = "기록된 곡 업데이트가 없습니다";
inline constexpr const char* kHistoryExportTitle = "새 곡 번호 내보내기";
inline constexpr const char* kHistoryExportText = "텍스트 파일 (*.txt)";
inline constexpr const char* kHistoryExportCsv = "CSV 파일 (*.csv)";
inline constexpr const char* kHistoryExportFailed = "내보내기에 실패했습니다: ";

// A song that a player or an antivirus program kept open through every retry.
inline constexpr const char* kUnpackFileHeld =
    "다른 프로그램(노래방 프로그램 또는 백신)이 사용 중인 파일이 있어 업데이트를 되돌렸습니다: ";

// An old Windows that will not speak TLS 1.2 to the service.
inline constexpr const char* kTlsProtocolMissing =
    "보안 연결(TLS 1.2)을 사용할 수 없습니다. Windows 업데이트(KB3140245)와 TLS 1.2 설정이 "
    "필요합니다";

}  // namespace orvik::text
