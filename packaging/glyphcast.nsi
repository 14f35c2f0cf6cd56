; Glyphcast's Windows setup: installs the wizard and the converter into Program Files, or for the
; current user alone into that user's programs folder (without elevation) when the user chooses
; so or is not an administrator; adds a Start-menu shortcut to the wizard and an entry under the
; installed programs. An earlier version is uninstalled in place first, so upgrading needs no
; separate uninstall. /S installs silently; /CurrentUser or /AllUsers picks the mode on the command
; line. The uninstaller removes exactly what setup made and leaves anything else in the folder.
;
; packaging/make-setup.sh passes, from the generated version header:
;   NAME PUBLISHER COPYRIGHT VERSION   the program's name, publisher, copyright line and version
;   VERSION4                           the version as four numbers, for the setup's version record
; and TARGET (x86-unicode, or amd64-unicode for a 64-bit setup), PROGRAMS (the folder holding
; glyphcast.exe and glyphcast-convert.exe), ICON, PANEL (the welcome and finish pages' picture)
; and OUTFILE (the setup program to write).

Target ${TARGET}
SetCompressor /SOLID lzma
ManifestDPIAware true

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${NAME}"
!define SHORTCUT "$SMPROGRAMS\${NAME}.lnk"

; Administrators may install for everyone (the default) or for themselves; other users install
; for themselves. The previous installation's folder and mode are found through its entry.
!define MULTIUSER_EXECUTIONLEVEL Highest
!define MULTIUSER_MUI
!define MULTIUSER_INSTALLMODE_COMMANDLINE
!define MULTIUSER_INSTALLMODE_INSTDIR "${NAME}"
!define MULTIUSER_INSTALLMODE_INSTDIR_REGISTRY_KEY "${UNINSTALL_KEY}"
!define MULTIUSER_INSTALLMODE_INSTDIR_REGISTRY_VALUENAME "InstallLocation"
!define MULTIUSER_INSTALLMODE_DEFAULT_REGISTRY_KEY "${UNINSTALL_KEY}"
!define MULTIUSER_INSTALLMODE_DEFAULT_REGISTRY_VALUENAME "InstallLocation"
!include MultiUser.nsh
!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh

Name "${NAME}"
OutFile "${OUTFILE}"
BrandingText "${NAME} ${VERSION}"

VIProductVersion "${VERSION4}"
VIAddVersionKey "ProductName" "${NAME}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "FileDescription" "${NAME} ${VERSION} setup"
VIAddVersionKey "CompanyName" "${PUBLISHER}"
VIAddVersionKey "LegalCopyright" "${COPYRIGHT}"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_WELCOMEFINISHPAGE_BITMAP "${PANEL}"
!define MUI_ABORTWARNING

!define MUI_WELCOMEPAGE_TEXT "Setup will install ${NAME} ${VERSION} on this computer.$\r$\n$\r$\n\
${NAME} turns a picture into an HTML page that shows it as a grid of characters, each in the \
colour of the part of the picture it covers. Setup installs the ${NAME} wizard, with a shortcut \
in the Start menu, and the command-line converter glyphcast-convert.$\r$\n$\r$\n\
${COPYRIGHT}.$\r$\n$\r$\n$_CLICK"
!insertmacro MUI_PAGE_WELCOME
!insertmacro MULTIUSER_PAGE_INSTALLMODE
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN "$INSTDIR\glyphcast.exe"
!define MUI_FINISHPAGE_RUN_TEXT "Start ${NAME} now"
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "English"

Function .onInit
  !insertmacro MULTIUSER_INIT
FunctionEnd

; A program in use can be neither replaced nor removed. While the file on the stack is in use the
; user is asked to close it; cancelling, as a silent run does, stops setup or the uninstaller
; there, with exit status 2, before it has changed anything.
!macro DEFINE_CHECK_CLOSED PREFIX
  Function ${PREFIX}CheckClosed
    Exch $R0
    Push $R1
    retry:
    ClearErrors
    ${If} ${FileExists} "$R0"
      FileOpen $R1 "$R0" a
      ${If} ${Errors}
        MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "${NAME} is running ($R0).$\r$\nClose it, then choose Retry." \
          /SD IDCANCEL IDRETRY retry
        DetailPrint "$R0 is in use: nothing has been changed."
        Abort
      ${EndIf}
      FileClose $R1
    ${EndIf}
    Pop $R1
    Pop $R0
  FunctionEnd
!macroend
!insertmacro DEFINE_CHECK_CLOSED ""
!insertmacro DEFINE_CHECK_CLOSED "un."

; Both programs in FOLDER are closed.
!macro CHECK_CLOSED PREFIX FOLDER
  Push "${FOLDER}\glyphcast.exe"
  Call ${PREFIX}CheckClosed
  Push "${FOLDER}\glyphcast-convert.exe"
  Call ${PREFIX}CheckClosed
!macroend

; Uninstalls an earlier installation of this mode with its own uninstaller, in place (_?=), so
; that whatever it installed goes, whichever version it was; its folder stays when it is the one
; being installed into.
Function RemovePrevious
  ReadRegStr $0 SHCTX "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $0 != ""
  ${AndIf} ${FileExists} "$0\uninstall.exe"
    DetailPrint "Removing the installed version from $0"
    ExecWait '"$0\uninstall.exe" /S _?=$0' $1
    ${If} $1 != 0
      DetailPrint "The installed version's uninstaller ended with $1"
    ${EndIf}
    Delete "$0\uninstall.exe"
    RMDir "$0"
  ${EndIf}
FunctionEnd

Section "${NAME}"
  ReadRegStr $0 SHCTX "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $0 != ""
    !insertmacro CHECK_CLOSED "" "$0"
  ${EndIf}
  !insertmacro CHECK_CLOSED "" "$INSTDIR"
  Call RemovePrevious

  SetOutPath "$INSTDIR"
  File "${PROGRAMS}\glyphcast.exe"
  File "${PROGRAMS}\glyphcast-convert.exe"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  CreateShortcut "${SHORTCUT}" "$INSTDIR\glyphcast.exe" "" "$INSTDIR\glyphcast.exe" 0

  ; The entry under the installed programs, in this mode's hive (SHCTX).
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayName" "${NAME}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\glyphcast.exe,0"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "EstimatedSize" $0
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

; The uninstaller works on the installation it belongs to: the one whose folder it is in, for all
; users or for the current user, whatever the defaults would pick.
Function un.onInit
  StrCpy $R9 $INSTDIR
  !insertmacro MULTIUSER_UNINIT
  ReadRegStr $0 HKCU "${UNINSTALL_KEY}" "InstallLocation"
  ReadRegStr $1 HKLM "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $0 == $R9
    Call un.MultiUser.InstallMode.CurrentUser
  ${ElseIf} $1 == $R9
    Call un.MultiUser.InstallMode.AllUsers
  ${EndIf}
  StrCpy $INSTDIR $R9
FunctionEnd

; Run from the folder without _?=, the uninstaller starts a copy of itself in the temporary folder
; and ends; that copy may get here before the one in the folder has ended and let go of its file.
; So the copy deletes the file once it can, trying for up to 60 s; run in place, the uninstaller
; cannot delete itself, and whoever ran it does (RemovePrevious).
Function un.DeleteUninstaller
  Push $R0
  StrCpy $R0 0
  ${Do}
    ClearErrors
    Delete "$INSTDIR\uninstall.exe"
    ${IfNot} ${Errors}
    ${OrIf} $EXEDIR == $INSTDIR
    ${OrIf} $R0 >= 600
      ${Break}
    ${EndIf}
    Sleep 100
    IntOp $R0 $R0 + 1
  ${Loop}
  Pop $R0
FunctionEnd

; Exactly what setup made: files the user put into the folder keep it, and so the folder.
Section "Uninstall"
  !insertmacro CHECK_CLOSED "un." "$INSTDIR"
  Delete "$INSTDIR\glyphcast.exe"
  Delete "$INSTDIR\glyphcast-convert.exe"
  Delete "${SHORTCUT}"
  ReadRegStr $0 SHCTX "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $0 == $INSTDIR
    DeleteRegKey SHCTX "${UNINSTALL_KEY}"
  ${EndIf}
  Call un.DeleteUninstaller
  RMDir "$INSTDIR"
SectionEnd
