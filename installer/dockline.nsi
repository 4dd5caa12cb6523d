; The per-user installer: no administrator rights, everything under the
; user's own folders and HKCU, so it also works on a locked-down family PC.
; One installer per architecture, itself of that architecture: a 64-bit
; installer cannot start on the old 32-bit PCs, and one 32-bit installer for
; both could not be tried out where only a 64-bit Wine is at hand.
;
; makensis -DARCH=win64|win32 -DVERSION=1.0.0 -DVERSION_QUAD=1.0.0.0
;          -DPROGRAM_DIR=... -DICON=... -DREADME=... [-DHELP_FILE=...]
;          -DOUTFILE=... dockline.nsi
!if "${ARCH}" == "win64"
  Target amd64-unicode
!else
  Target x86-unicode
!endif
Unicode true
SetCompressor /SOLID lzma
RequestExecutionLevel user
ManifestSupportedOS all
ManifestDPIAware true

!include "MUI2.nsh"
!include "LogicLib.nsh"

!define PRODUCT "言途6170 下载软件"
!define PUBLISHER "DOCKLINE 开发组"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\DOCKLINE"
!define SHORTCUT "$SMPROGRAMS\${PRODUCT}.lnk"

Name "${PRODUCT}"
OutFile "${OUTFILE}"
; %LOCALAPPDATA%\Programs is where Windows itself puts per-user programs.
InstallDir "$LOCALAPPDATA\Programs\DOCKLINE"
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"

VIProductVersion "${VERSION_QUAD}"
VIAddVersionKey /LANG=2052 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=2052 "FileDescription" "${PRODUCT} 安装程序"
VIAddVersionKey /LANG=2052 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=2052 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=2052 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=2052 "LegalCopyright" "版权所有 (C) 2026 ${PUBLISHER}"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!define MUI_FINISHPAGE_RUN "$INSTDIR\DOCKLINE.exe"
!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "SimpChinese"

Section "Install"
  SetShellVarContext current
  SetOutPath "$INSTDIR"
  File "${PROGRAM_DIR}\DOCKLINE.exe"
  File "${PROGRAM_DIR}\dockline-cli.exe"
  File "/oname=README.txt" "${README}"
!ifdef HELP_FILE
  File "/oname=dockline-help.html" "${HELP_FILE}"
!endif
  WriteUninstaller "$INSTDIR\uninstall.exe"
  CreateShortcut "${SHORTCUT}" "$INSTDIR\DOCKLINE.exe" "" "$INSTDIR\DOCKLINE.exe" 0

  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\DOCKLINE.exe"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
  SetShellVarContext current
  ; Only what the installer put there, and the settings the program kept
  ; beside itself; anything else the user left in the folder stays, and so
  ; does the folder then. The files on the device are never touched.
  Delete "$INSTDIR\DOCKLINE.exe"
  Delete "$INSTDIR\dockline-cli.exe"
  Delete "$INSTDIR\README.txt"
  Delete "$INSTDIR\dockline-help.html"
  Delete "$INSTDIR\dict.ini"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  ; Where the settings went while the installation folder was read-only.
  Delete "$LOCALAPPDATA\DOCKLINE\dict.ini"
  RMDir "$LOCALAPPDATA\DOCKLINE"
  Delete "${SHORTCUT}"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
SectionEnd
