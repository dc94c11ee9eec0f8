; Installer of the Orvik launcher for Windows. Built by scripts/build-windows.sh:
;   makensis -INPUTCHARSET UTF8 -DVERSION=X.Y.Z -DARCH=win64|win32 -DSTAGE=folder
;            -DOUTFILE=file [-DSIGN_COMMAND=command] orvik.nsi
;   (build-windows.sh passes the version of the build, generated/orvik_version.h; with
;   SIGN_COMMAND the uninstaller and the setup are signed by "command FILE")
; The launcher keeps its settings, song data and logs beside itself, so the default folder
; is C:\Orvik, which the operator can write to (Program Files is not, unless made so). A
; folder of an earlier installation is offered instead when there is one.
; The room is set up here: the product number and the song folder go into setting.env.
; Installing over a folder keeps its setting.env and data.r4x (the service knows the room
; by that id).
; Silent: setup.exe /S [/PRODUCT=1234-56-7890] [/SONGS=D:\Songs] [/D=C:\Orvik]
;   setting.env is written when /PRODUCT is given and the folder has none; a product number
;   of the wrong form, or a song folder that the system's code page cannot write, ends the
;   setup with exit code 2 before anything is installed.
; The uninstaller keeps setting.env, data.r4x and logs.
Unicode true
!if "${ARCH}" == "win64"
  Target amd64-unicode
  !define ARCH_LABEL "64-bit"
  !define OTHER_ARCH "win32"
!else
  !define ARCH_LABEL "32-bit"
  !define OTHER_ARCH "win64"
!endif
SetCompressor /SOLID lzma

!include MUI2.nsh
!include nsDialogs.nsh
!include LogicLib.nsh
!include FileFunc.nsh
!include WinMessages.nsh

Name "Orvik ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "C:\Orvik"
RequestExecutionLevel user
ShowInstDetails nevershow
BrandingText "Orvik ${VERSION}"
VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=0 "ProductName" "Orvik"
VIAddVersionKey /LANG=0 "FileDescription" "Orvik ${VERSION} setup (${ARCH_LABEL})"
VIAddVersionKey /LANG=0 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "LegalCopyright" "Orvik"

; Each architecture has its own entry, so that both can be installed and removed apart.
!define UNINSTALL_ROOT "Software\Microsoft\Windows\CurrentVersion\Uninstall"
!define UNINSTALL_KEY "${UNINSTALL_ROOT}\Orvik-${ARCH}"
; The entry of installers before there was one per architecture.
!define OLD_UNINSTALL_KEY "${UNINSTALL_ROOT}\Orvik"
!define WINDOW_CLASS "OrvikLauncherDialog"
; How long a launcher gets to close before the operator is asked (in 200 ms steps).
!define CLOSE_STEPS 50

!ifdef SIGN_COMMAND
  !uninstfinalize '${SIGN_COMMAND} "%1"' = 0
  !finalize '${SIGN_COMMAND} "%1"' = 0
!endif

Var ProductNumber
Var SongsFolder
Var ProductField
Var SongsField

!define MUI_ABORTWARNING
!insertmacro MUI_PAGE_DIRECTORY
Page custom SettingsPage SettingsPageLeave
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
; The first language is the one used on a system that has neither.
!insertmacro MUI_LANGUAGE "Korean"
!insertmacro MUI_LANGUAGE "English"

LangString SettingsTitle ${LANG_KOREAN} "노래방 설정"
LangString SettingsTitle ${LANG_ENGLISH} "Room settings"
LangString SettingsSubtitle ${LANG_KOREAN} "제품 번호와 노래 폴더를 입력하세요."
LangString SettingsSubtitle ${LANG_ENGLISH} "Enter the product number and the song folder."
LangString ProductLabel ${LANG_KOREAN} "제품 번호 (키 잠금 라벨의 숫자 10자리, 예: 1234-56-7890)"
LangString ProductLabel ${LANG_ENGLISH} "Product number (the ten digits on the key lock label, e.g. 1234-56-7890)"
LangString SongsLabel ${LANG_KOREAN} "노래 폴더"
LangString SongsLabel ${LANG_ENGLISH} "Song folder"
LangString BrowseButton ${LANG_KOREAN} "찾아보기..."
LangString BrowseButton ${LANG_ENGLISH} "Browse..."
LangString PickSongs ${LANG_KOREAN} "노래 파일이 있는 폴더를 고르세요."
LangString PickSongs ${LANG_ENGLISH} "Choose the folder that holds the songs."
LangString BadProduct ${LANG_KOREAN} "제품 번호는 숫자 10자리입니다 (사이에 '-'는 넣어도 됩니다). 예: 1234-56-7890"
LangString BadProduct ${LANG_ENGLISH} "The product number is ten digits (dashes between them are allowed), e.g. 1234-56-7890."
LangString NoSongs ${LANG_KOREAN} "노래 폴더를 입력하세요."
LangString NoSongs ${LANG_ENGLISH} "Enter the song folder."
LangString SongsCodePage ${LANG_KOREAN} "이 노래 폴더 이름에는 Windows 언어 설정으로 쓸 수 없는 글자가 있습니다. 다른 폴더를 고르거나 폴더 이름을 바꾸세요."
LangString SongsCodePage ${LANG_ENGLISH} "The song folder's name holds letters that the system's language setting cannot write. Choose another folder or rename it."
LangString MissingSongs ${LANG_KOREAN} "노래 폴더가 없습니다:$\r$\n$SongsFolder$\r$\n$\r$\n그래도 이 폴더를 쓰시겠습니까? (외장 디스크라면 연결한 뒤 확인하세요)"
LangString MissingSongs ${LANG_ENGLISH} "The song folder does not exist:$\r$\n$SongsFolder$\r$\n$\r$\nUse it anyway? (If it is on an external disk, connect the disk first.)"
LangString KeptSettings ${LANG_KOREAN} "기존 setting.env를 그대로 둡니다."
LangString KeptSettings ${LANG_ENGLISH} "The existing setting.env is kept."
LangString ClosingLauncher ${LANG_KOREAN} "실행 중인 Orvik을 닫는 중..."
LangString ClosingLauncher ${LANG_ENGLISH} "Closing the running Orvik..."
LangString LauncherRunning ${LANG_KOREAN} "Orvik이 아직 실행 중입니다 (업데이트 중이면 끝날 때까지 기다리세요).$\r$\nOrvik을 닫은 뒤 [다시 시도]를 누르세요."
LangString LauncherRunning ${LANG_ENGLISH} "Orvik is still running (if it is updating, let the update finish).$\r$\nClose Orvik, then choose Retry."
LangString DisplayName ${LANG_KOREAN} "Orvik (${ARCH_LABEL})"
LangString DisplayName ${LANG_ENGLISH} "Orvik (${ARCH_LABEL})"

; ---- the product number: ten digits, dashes anywhere, blanks around it (as the launcher
; reads it). $0 = text; $1 = "" when the form is wrong, else the text without the blanks.
!macro TRIM_BLANKS un
Function ${un}TrimBlanks  ; $0 in, $0 out
  Push $1
  ${Do}
    StrCpy $1 $0 1
    ${If} $1 == " "
    ${OrIf} $1 == "$\t"
      StrCpy $0 $0 "" 1
    ${Else}
      ${Break}
    ${EndIf}
  ${Loop}
  ${Do}
    StrCpy $1 $0 1 -1
    ${If} $1 == " "
    ${OrIf} $1 == "$\t"
      StrCpy $0 $0 -1
    ${Else}
      ${Break}
    ${EndIf}
  ${Loop}
  Pop $1
FunctionEnd
!macroend
!insertmacro TRIM_BLANKS ""

; $3 = one character; $5 out: 1 when it is a decimal digit.
!macro IS_DIGIT un
Function ${un}IsDigit
  Push $6
  Push $7
  StrCpy $5 0
  StrCpy $6 0
  ${If} $3 != ""
    ${Do}
      StrCpy $7 "0123456789" 1 $6
      ${If} $7 == ""
        ${Break}
      ${EndIf}
      ${If} $7 == $3
        StrCpy $5 1
        ${Break}
      ${EndIf}
      IntOp $6 $6 + 1
    ${Loop}
  ${EndIf}
  Pop $7
  Pop $6
FunctionEnd
!macroend
!insertmacro IS_DIGIT ""
!insertmacro IS_DIGIT "un."

Function CheckProductNumber
  Push $2
  Push $3
  Push $4
  Push $5
  Call TrimBlanks
  StrCpy $1 $0
  StrCpy $2 0  ; position
  StrCpy $4 0  ; digits seen
  ${Do}
    StrCpy $3 $0 1 $2
    ${If} $3 == ""
      ${Break}
    ${EndIf}
    IntOp $2 $2 + 1
    ${If} $3 == "-"
      ${Continue}
    ${EndIf}
    Call IsDigit
    ${If} $5 = 1
      IntOp $4 $4 + 1
    ${Else}
      StrCpy $1 ""
      ${Break}
    ${EndIf}
  ${Loop}
  ${If} $4 <> 10
    StrCpy $1 ""
  ${EndIf}
  Pop $5
  Pop $4
  Pop $3
  Pop $2
FunctionEnd

; ---- whether $0 can be written in the system's code page, as setting.env is: $1 out = 1 when
; it can. A name that cannot would reach the launcher with "?" in it, a folder that is not there.
Function FitsCodePage
  Push $2
  Push $3
  StrCpy $3 0
  ; WC_NO_BEST_FIT_CHARS: no look-alike letters either.
  System::Call 'kernel32::WideCharToMultiByte(i 0, i 0x400, w r0, i -1, p 0, i 0, p 0, *i 0 r3) i .r2'
  ${If} $2 <> 0
  ${AndIf} $3 = 0
    StrCpy $1 1
  ${Else}
    StrCpy $1 0
  ${EndIf}
  Pop $3
  Pop $2
FunctionEnd

; ---- a launcher running from the folder. Its windows are asked to close (as the close box
; would); a launcher still running after that (asking about an update, or a --sync with no
; window) holds orvik.exe, which is then not writable: the operator is asked to close it, a
; silent setup ends with exit code 2.
!macro CLOSE_LAUNCHER un
Function ${un}ProcessOfWindow  ; $0 = window; $1 out: full path of its program, or ""
  Push $2
  Push $3
  StrCpy $1 ""
  System::Call 'user32::GetWindowThreadProcessId(p r0, *i .r2)'
  ; PROCESS_QUERY_LIMITED_INFORMATION
  System::Call 'kernel32::OpenProcess(i 0x1000, i 0, i r2) p.r3'
  ${If} $3 != 0
    System::Call 'kernel32::QueryFullProcessImageNameW(p r3, i 0, w .r1, *i ${NSIS_MAX_STRLEN})'
    System::Call 'kernel32::CloseHandle(p r3)'
  ${EndIf}
  Pop $3
  Pop $2
FunctionEnd

Function ${un}CloseLauncher
  Push $0
  Push $1
  Push $2
  Push $3
  StrCpy $3 0  ; 200 ms steps waited
  retry:
  ${Do}
    StrCpy $2 0  ; windows of this folder's launcher still open
    StrCpy $0 0
    ${Do}
      FindWindow $0 "${WINDOW_CLASS}" "" 0 $0
      ${If} $0 = 0
        ${Break}
      ${EndIf}
      Call ${un}ProcessOfWindow
      ; Launchers of other folders are left alone.
      ${If} $1 == "$INSTDIR\orvik.exe"
        ${If} $3 = 0
          DetailPrint "$(ClosingLauncher)"
        ${EndIf}
        ${If} $3 = 0
          SendMessage $0 ${WM_CLOSE} 0 0 /TIMEOUT=2000
        ${EndIf}
        IntOp $2 $2 + 1
      ${EndIf}
    ${Loop}
    ; After its window the process ends; orvik.exe is writable once it has.
    ${If} $2 = 0
      ClearErrors
      ${If} ${FileExists} "$INSTDIR\orvik.exe"
        FileOpen $1 "$INSTDIR\orvik.exe" a
        ${IfNot} ${Errors}
          FileClose $1
          ${Break}
        ${EndIf}
      ${Else}
        ${Break}
      ${EndIf}
    ${EndIf}
    ${If} $3 >= ${CLOSE_STEPS}
      MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "$(LauncherRunning)" /SD IDCANCEL IDRETRY again
      SetErrorLevel 2
      Quit
      again:
      StrCpy $3 0
      Goto retry
    ${EndIf}
    Sleep 200
    IntOp $3 $3 + 1
  ${Loop}
  Pop $3
  Pop $2
  Pop $1
  Pop $0
FunctionEnd
!macroend
!insertmacro CLOSE_LAUNCHER ""
!insertmacro CLOSE_LAUNCHER "un."

; ---- one option of the command line, as Windows splits it into arguments: "/SONGS=D:\My
; Songs", /SONGS="D:\My Songs" and /SONGS=D:\Songs alike. $R0 = the parameters, $R3 = the
; option with its "="; $R1 out = its value; the error flag is set when it is not there.
Function GetOption
  Push $R2
  Push $R4
  Push $R5
  Push $R6
  Push $R7
  Push $R8
  Push $R9
  StrLen $R8 $R3
  StrCpy $R4 0   ; position
  StrCpy $R6 ""  ; the argument so far
  StrCpy $R7 0   ; within quotes
  StrCpy $R1 ""
  ClearErrors
  ${Do}
    StrCpy $R5 $R0 1 $R4
    IntOp $R4 $R4 + 1
    ${If} $R5 == '"'
      IntOp $R7 1 - $R7
      ${Continue}
    ${EndIf}
    StrCpy $R9 0  ; the argument ends here
    ${If} $R5 == ""
      StrCpy $R9 1
    ${ElseIf} $R5 == " "
    ${AndIf} $R7 = 0
      StrCpy $R9 1
    ${EndIf}
    ${If} $R9 = 1
      StrCpy $R2 $R6 $R8
      ${If} $R2 == $R3
        StrCpy $R1 $R6 "" $R8
        ${Break}
      ${EndIf}
      StrCpy $R6 ""
      ${If} $R5 == ""
        SetErrors
        ${Break}
      ${EndIf}
      ${Continue}
    ${EndIf}
    StrCpy $R6 "$R6$R5"
  ${Loop}
  Pop $R9
  Pop $R8
  Pop $R7
  Pop $R6
  Pop $R5
  Pop $R4
  Pop $R2
FunctionEnd

; ---- the default folder: the one given with /D, else an earlier installation: this
; architecture's, the other's, one from before the entries per architecture, or the folder
; of the player installation (HKLM SOFTWARE\KESTOVA, 32-bit view) when a launcher kept its id
; there (data.r4x). NSIS takes /D off the command line into $INSTDIR before .onInit, so an
; explicit /D=C:\Orvik cannot be told from none.
Function .onInit
  ${GetParameters} $R0
  ${If} $INSTDIR == "C:\Orvik"
    StrCpy $R1 ""
    ReadRegStr $R1 HKCU "${UNINSTALL_KEY}" "InstallLocation"
    ${If} $R1 == ""
      ReadRegStr $R1 HKCU "${UNINSTALL_ROOT}\Orvik-${OTHER_ARCH}" "InstallLocation"
    ${EndIf}
    ${If} $R1 == ""
      ReadRegStr $R1 HKCU "${OLD_UNINSTALL_KEY}" "InstallLocation"
    ${EndIf}
    ${If} $R1 == ""
      SetRegView 32
      ReadRegStr $R2 HKLM "SOFTWARE\KESTOVA" "Tunova2016InstallDir"
      SetRegView default
      ${If} $R2 != ""
      ${AndIf} ${FileExists} "$R2\data.r4x"
        StrCpy $R1 $R2
      ${EndIf}
    ${EndIf}
    ${If} $R1 != ""
      StrCpy $INSTDIR $R1
    ${EndIf}
  ${EndIf}

  ; The song folder offered: the player installation's Songs.
  SetRegView 32
  ReadRegStr $R2 HKLM "SOFTWARE\KESTOVA" "Tunova2016InstallDir"
  SetRegView default
  ${If} $R2 == ""
    StrCpy $R2 "c:\TunovaNew"
  ${EndIf}
  StrCpy $SongsFolder "$R2\Songs"
  StrCpy $ProductNumber ""

  StrCpy $R3 "/SONGS="
  Call GetOption
  ${IfNot} ${Errors}
    StrCpy $0 $R1
    Call TrimBlanks
    StrCpy $SongsFolder $0
    Call FitsCodePage
    ${If} $1 = 0
    ${AndIf} ${Silent}
      SetErrorLevel 2
      Quit
    ${EndIf}
  ${EndIf}
  StrCpy $R3 "/PRODUCT="
  Call GetOption
  ${IfNot} ${Errors}
    StrCpy $0 $R1
    Call CheckProductNumber
    ${If} $1 == ""
      ${If} ${Silent}
        SetErrorLevel 2
        Quit
      ${EndIf}
      StrCpy $ProductNumber $0  ; shown on the page, which says what is wrong
    ${Else}
      StrCpy $ProductNumber $1
    ${EndIf}
  ${EndIf}
FunctionEnd

Function SettingsPage
  ; A folder set up before keeps its settings: nothing to ask.
  ${If} ${FileExists} "$INSTDIR\setting.env"
    Abort
  ${EndIf}
  !insertmacro MUI_HEADER_TEXT "$(SettingsTitle)" "$(SettingsSubtitle)"
  nsDialogs::Create 1018
  Pop $0
  ${If} $0 == error
    Abort
  ${EndIf}
  ${NSD_CreateLabel} 0 0 100% 12u "$(ProductLabel)"
  Pop $0
  ${NSD_CreateText} 0 14u 50% 13u "$ProductNumber"
  Pop $ProductField
  ${NSD_CreateLabel} 0 40u 100% 12u "$(SongsLabel)"
  Pop $0
  ${NSD_CreateDirRequest} 0 54u 78% 13u "$SongsFolder"
  Pop $SongsField
  ${NSD_CreateBrowseButton} 80% 53u 20% 15u "$(BrowseButton)"
  Pop $0
  ${NSD_OnClick} $0 BrowseSongs
  ${NSD_SetFocus} $ProductField
  nsDialogs::Show
FunctionEnd

Function BrowseSongs
  ${NSD_GetText} $SongsField $0
  nsDialogs::SelectFolderDialog "$(PickSongs)" "$0"
  Pop $0
  ${If} $0 != error
    ${NSD_SetText} $SongsField $0
  ${EndIf}
FunctionEnd

Function SettingsPageLeave
  ${NSD_GetText} $ProductField $0
  Call CheckProductNumber
  ${If} $1 == ""
    MessageBox MB_OK|MB_ICONEXCLAMATION "$(BadProduct)"
    Abort
  ${EndIf}
  StrCpy $ProductNumber $1
  ${NSD_GetText} $SongsField $0
  Call TrimBlanks
  StrCpy $SongsFolder $0
  ${If} $SongsFolder == ""
    MessageBox MB_OK|MB_ICONEXCLAMATION "$(NoSongs)"
    Abort
  ${EndIf}
  Call FitsCodePage
  ${If} $1 = 0
    MessageBox MB_OK|MB_ICONEXCLAMATION "$(SongsCodePage)"
    Abort
  ${EndIf}
  ${IfNot} ${FileExists} "$SongsFolder\*.*"
    MessageBox MB_YESNO|MB_ICONQUESTION "$(MissingSongs)" IDYES +2
    Abort
  ${EndIf}
FunctionEnd

; setting.env as the launcher reads it: the system's code page, CR LF.
Function WriteSettings
  ClearErrors
  FileOpen $0 "$INSTDIR\setting.env" w
  ${If} ${Errors}
    DetailPrint "setting.env: cannot write $INSTDIR\setting.env"
    SetErrors
    Return
  ${EndIf}
  FileWrite $0 "[settings]$\r$\nservice=tunova$\r$\n$\r$\n"
  FileWrite $0 "[songs]$\r$\ntunova=$SongsFolder$\r$\n$\r$\n"
  FileWrite $0 "[config]$\r$\nuseConfig=0$\r$\n$\r$\n"
  FileWrite $0 "[product]$\r$\nnumber=$ProductNumber$\r$\nkind=0$\r$\n"
  FileClose $0
FunctionEnd

Section "Orvik"
  SetShellVarContext current
  Call CloseLauncher
  SetOutPath "$INSTDIR"
  File "${STAGE}\orvik.exe"
  File "${STAGE}\setting.env.example"
  SetOutPath "$INSTDIR\bin\7z"
  File /r "${STAGE}\bin\7z\*.*"
  SetOutPath "$INSTDIR\bin\images"
  File /r "${STAGE}\bin\images\*.*"
  SetOutPath "$INSTDIR"
  ${If} ${FileExists} "$INSTDIR\setting.env"
    DetailPrint "$(KeptSettings)"
  ${ElseIf} $ProductNumber != ""
    Call WriteSettings
    ${If} ${Errors}
      SetErrorLevel 2
      Abort
    ${EndIf}
  ${EndIf}
  WriteUninstaller "$INSTDIR\uninstall.exe"
  CreateDirectory "$SMPROGRAMS\Orvik"
  CreateShortcut "$SMPROGRAMS\Orvik\Orvik.lnk" "$INSTDIR\orvik.exe"
  CreateShortcut "$SMPROGRAMS\Orvik\Uninstall Orvik.lnk" "$INSTDIR\uninstall.exe"
  CreateShortcut "$DESKTOP\Orvik.lnk" "$INSTDIR\orvik.exe"
  ; This folder now holds this architecture: the entry of an older installer or of the other
  ; architecture for it is replaced by this one.
  ReadRegStr $0 HKCU "${OLD_UNINSTALL_KEY}" "InstallLocation"
  ${If} $0 == $INSTDIR
    DeleteRegKey HKCU "${OLD_UNINSTALL_KEY}"
  ${EndIf}
  ReadRegStr $0 HKCU "${UNINSTALL_ROOT}\Orvik-${OTHER_ARCH}" "InstallLocation"
  ${If} $0 == $INSTDIR
    DeleteRegKey HKCU "${UNINSTALL_ROOT}\Orvik-${OTHER_ARCH}"
  ${EndIf}
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "$(DisplayName)"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\orvik.exe"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

; A package the launcher left behind: <digits>.zip, its download <digits>.zip.part and its
; sidecar <digits>.zip.info. $0 = file name; $1 out: 1 when it is one of them.
Function un.IsPackageFile
  Push $2
  Push $3
  Push $5
  StrCpy $1 0
  StrCpy $2 0
  ${Do}
    StrCpy $3 $0 1 $2
    Call un.IsDigit
    ${If} $5 = 1
      IntOp $2 $2 + 1
    ${Else}
      ${Break}
    ${EndIf}
  ${Loop}
  ${If} $2 > 0
    StrCpy $3 $0 "" $2
    ${If} $3 == ".zip"
    ${OrIf} $3 == ".zip.part"
    ${OrIf} $3 == ".zip.info"
      StrCpy $1 1
    ${EndIf}
  ${EndIf}
  Pop $5
  Pop $3
  Pop $2
FunctionEnd

Section "Uninstall"
  SetShellVarContext current
  Call un.CloseLauncher
  ; What the installer put there and what the launcher can make again; the operator's
  ; settings (setting.env), the song data (data.r4x) and the logs stay.
  Delete "$INSTDIR\orvik.exe"
  Delete "$INSTDIR\setting.env.example"
  Delete "$INSTDIR\uninstall.exe"
  RMDir /r "$INSTDIR\bin\7z"
  RMDir /r "$INSTDIR\bin\images"
  Delete "$INSTDIR\bin\banner.dat"
  RMDir "$INSTDIR\bin"
  FindFirst $4 $0 "$INSTDIR\*.zip*"
  ${DoWhile} $0 != ""
    Call un.IsPackageFile
    ${If} $1 = 1
      Delete "$INSTDIR\$0"
    ${EndIf}
    FindNext $4 $0
  ${Loop}
  FindClose $4
  RMDir "$INSTDIR"
  Delete "$SMPROGRAMS\Orvik\Orvik.lnk"
  Delete "$SMPROGRAMS\Orvik\Uninstall Orvik.lnk"
  RMDir "$SMPROGRAMS\Orvik"
  Delete "$DESKTOP\Orvik.lnk"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
SectionEnd
