; Meadowglow's Windows installer: for the current user by default (no
; administrator rights), or for every user with /ALLUSERS. It places the saver
; and its art, records the installation path where the saver reads it, makes
; Meadowglow the current screen saver, and registers an uninstaller that takes
; all of it away again.
; Built by the Windows build: makensis -DSCR_FILE=... -DART_DIR=... -DOUT_FILE=...

Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
!include "FileFunc.nsh"
!include "LogicLib.nsh"

!define PRODUCT "Meadowglow"
!define VENDOR "Tallow Fen Software"
!define REGKEY "Software\${VENDOR}\Screen Savers\${PRODUCT}"
!define UNINSTKEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${PRODUCT}"
!define DESKTOPKEY "Control Panel\Desktop"

Name "${PRODUCT}"
OutFile "${OUT_FILE}"
RequestExecutionLevel user
InstallDir "$LOCALAPPDATA\${VENDOR}\Screen Savers\${PRODUCT}"
ShowInstDetails nevershow
ShowUninstDetails nevershow

!macro RemoveEmptyVendorKeys ROOT
  DeleteRegKey /ifempty ${ROOT} "${REGKEY}"
  DeleteRegKey /ifempty ${ROOT} "Software\${VENDOR}\Screen Savers"
  DeleteRegKey /ifempty ${ROOT} "Software\${VENDOR}"
!macroend

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Function .onInit
  ${GetParameters} $R0
  ClearErrors
  ${GetOptions} $R0 "/ALLUSERS" $R1
  ${IfNot} ${Errors}
    SetShellVarContext all
    StrCpy $INSTDIR "$PROGRAMFILES64\${VENDOR}\Screen Savers\${PRODUCT}"
  ${EndIf}
FunctionEnd

Section "${PRODUCT}"
  SetOutPath "$INSTDIR"
  File "/oname=${PRODUCT}.scr" "${SCR_FILE}"
  File "${ART_DIR}/*.bmp"
  File "${ART_DIR}/*.jpg"
  File "${ART_DIR}/Help.htm"
  WriteUninstaller "$INSTDIR\Uninstall.exe"

  ; SHCTX is the user hive here, the machine hive after /ALLUSERS.
  WriteRegStr SHCTX "${REGKEY}" "InstallPath" "$INSTDIR\"
  WriteRegStr SHCTX "${UNINSTKEY}" "DisplayName" "${PRODUCT} screen saver"
  WriteRegStr SHCTX "${UNINSTKEY}" "Publisher" "${VENDOR}"
  WriteRegStr SHCTX "${UNINSTKEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr SHCTX "${UNINSTKEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr SHCTX "${UNINSTKEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegDWORD SHCTX "${UNINSTKEY}" "NoModify" 1
  WriteRegDWORD SHCTX "${UNINSTKEY}" "NoRepair" 1

  ; The screen saver belongs to the user's desktop settings in both modes. The
  ; user's earlier choice is kept for the uninstaller to put back.
  ReadRegStr $R0 HKCU "${DESKTOPKEY}" "SCRNSAVE.EXE"
  ${If} $R0 != "$INSTDIR\${PRODUCT}.scr"
    ReadRegStr $R1 HKCU "${DESKTOPKEY}" "ScreenSaveActive"
    WriteRegStr HKCU "${REGKEY}" "PreviousSaver" "$R0"
    WriteRegStr HKCU "${REGKEY}" "PreviousActive" "$R1"
  ${EndIf}
  WriteRegStr HKCU "${DESKTOPKEY}" "SCRNSAVE.EXE" "$INSTDIR\${PRODUCT}.scr"
  WriteRegStr HKCU "${DESKTOPKEY}" "ScreenSaveActive" "1"
SectionEnd

Function un.onInit
  ; Installed for every user when the machine hive names this folder.
  ReadRegStr $R0 HKLM "${REGKEY}" "InstallPath"
  ${If} $R0 == "$INSTDIR\"
    SetShellVarContext all
  ${EndIf}
FunctionEnd

Section "Uninstall"
  ; The folder also holds what the saver wrote there (settings, run log, the
  ; art copied on first start): all of it goes.
  RMDir /r "$INSTDIR"
  RMDir "$INSTDIR\.."
  RMDir "$INSTDIR\..\.."

  ; Only when Meadowglow is still the chosen saver: a later choice is the user's.
  ReadRegStr $R0 HKCU "${DESKTOPKEY}" "SCRNSAVE.EXE"
  ReadRegStr $R1 HKCU "${REGKEY}" "PreviousSaver"
  ReadRegStr $R2 HKCU "${REGKEY}" "PreviousActive"
  ${If} $R0 == "$INSTDIR\${PRODUCT}.scr"
    ${If} $R1 == ""
      DeleteRegValue HKCU "${DESKTOPKEY}" "SCRNSAVE.EXE"
    ${Else}
      WriteRegStr HKCU "${DESKTOPKEY}" "SCRNSAVE.EXE" "$R1"
    ${EndIf}
    ${If} $R2 == ""
      DeleteRegValue HKCU "${DESKTOPKEY}" "ScreenSaveActive"
    ${Else}
      WriteRegStr HKCU "${DESKTOPKEY}" "ScreenSaveActive" "$R2"
    ${EndIf}
  ${EndIf}
  DeleteRegValue HKCU "${REGKEY}" "PreviousSaver"
  DeleteRegValue HKCU "${REGKEY}" "PreviousActive"

  DeleteRegValue SHCTX "${REGKEY}" "InstallPath"
  DeleteRegKey SHCTX "${UNINSTKEY}"
  !insertmacro RemoveEmptyVendorKeys SHCTX
  !insertmacro RemoveEmptyVendorKeys HKCU
SectionEnd
