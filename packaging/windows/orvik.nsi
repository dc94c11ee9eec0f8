; Installer of the Orvik launcher for Windows. Built by scripts/build-windows.sh:
;   makensis -DVERSION=X.Y.Z -DARCH=win64|win32 -DSTAGE=folder -DOUTFILE=file orvik.nsi
;   (build-windows.sh passes the version of the build, generated/orvik_version.h)
; The launcher keeps its settings, song data and logs beside itself, so the default folder
; is C:\Orvik, which the operator can write to (Program Files is not, unless made so).
; Silent: setup.exe /S [/D=C:\Orvik]. The uninstaller keeps setting.env, data.r4x and logs.
Unicode true
!if "${ARCH}" == "win64"
  Target amd64-unicode
!endif
SetCompressor /SOLID lzma

Name "Orvik ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "C:\Orvik"
RequestExecutionLevel user
ShowInstDetails nevershow
VIProductVersion "${VERSION}.0"
VIAddVersionKey "ProductName" "Orvik"
VIAddVersionKey "FileDescription" "Orvik ${VERSION} setup"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "LegalCopyright" "Orvik"

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Orvik"

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Section "Orvik"
  SetShellVarContext current
  SetOutPath "$INSTDIR"
  File "${STAGE}\orvik.exe"
  File "${STAGE}\setting.env.example"
  SetOutPath "$INSTDIR\bin\7z"
  File /r "${STAGE}\bin\7z\*.*"
  SetOutPath "$INSTDIR\bin\images"
  File /r "${STAGE}\bin\images\*.*"
  SetOutPath "$INSTDIR"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  CreateDirectory "$SMPROGRAMS\Orvik"
  CreateShortcut "$SMPROGRAMS\Orvik\Orvik.lnk" "$INSTDIR\orvik.exe"
  CreateShortcut "$SMPROGRAMS\Orvik\Uninstall Orvik.lnk" "$INSTDIR\uninstall.exe"
  CreateShortcut "$DESKTOP\Orvik.lnk" "$INSTDIR\orvik.exe"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "Orvik"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\orvik.exe"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
  SetShellVarContext current
  ; What the installer put there and what the launcher can make again; the operator's
  ; settings (setting.env), the song data (data.r4x) and the logs stay.
  Delete "$INSTDIR\orvik.exe"
  Delete "$INSTDIR\setting.env.example"
  Delete "$INSTDIR\uninstall.exe"
  RMDir /r "$INSTDIR\bin\7z"
  RMDir /r "$INSTDIR\bin\images"
  Delete "$INSTDIR\bin\banner.dat"
  RMDir "$INSTDIR\bin"
  RMDir "$INSTDIR"
  Delete "$SMPROGRAMS\Orvik\Orvik.lnk"
  Delete "$SMPROGRAMS\Orvik\Uninstall Orvik.lnk"
  RMDir "$SMPROGRAMS\Orvik"
  Delete "$DESKTOP\Orvik.lnk"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
SectionEnd
