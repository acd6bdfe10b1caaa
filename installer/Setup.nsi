; Setup program of Zorvane Steward for Android: installs for all users, replaces an earlier
; installation in place (closing a running copy first), registers the uninstaller and opens
; the firewall to the program's Wi-Fi listener on private networks.
;
; make-setup.sh passes: VERSION (x.y.z), STAGE (the product laid out as installed),
; UNINSTALL_LIST (Delete / RMDir lines for every staged file and folder), ICON, WIZARD_BITMAP,
; OUTFILE, and LICENSE_FILE when the project has one. UNCOMPRESSED builds a quick test setup.

Unicode true
ManifestDPIAware true
RequestExecutionLevel admin
!ifdef UNCOMPRESSED
  SetCompress off
!else
  SetCompressor /SOLID lzma
!endif

!define PRODUCT "Zorvane Steward for Android"
!define MAKER "Zorvane"
!define PROGRAM "deskhost.exe"
!define UNINSTALLER "Uninstall.exe"
!define SETUP_LOG "Setup.log"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${PRODUCT}"
; The main frame's window class; every running copy has one such top-level window.
!define FRAME_CLASS "ZorvaneStewardMainFrame"
!define FIREWALL_RULE "${PRODUCT}"
; How long a running copy gets to close after it was asked to.
!define CLOSE_WAIT_MS 20000
!define ERROR_ALREADY_EXISTS 183

Name "${PRODUCT}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES\${MAKER}\${PRODUCT}"
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "${PRODUCT} ${VERSION}"
ShowInstDetails show
; A file that cannot be replaced stops setup instead of leaving two versions mixed.
AllowSkipFiles off
ShowUninstDetails show

VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=1033 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1033 "CompanyName" "${MAKER}"
VIAddVersionKey /LANG=1033 "FileDescription" "${PRODUCT} Setup"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "LegalCopyright" "${MAKER}"

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh
!include nsDialogs.nsh
!include StrFunc.nsh
${StrStr}

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_WELCOMEFINISHPAGE_BITMAP "${WIZARD_BITMAP}"
!define MUI_UNWELCOMEFINISHPAGE_BITMAP "${WIZARD_BITMAP}"
!define MUI_ABORTWARNING

!insertmacro MUI_PAGE_WELCOME
!ifdef LICENSE_FILE
  !insertmacro MUI_PAGE_LICENSE "${LICENSE_FILE}"
!endif
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH

UninstPage custom un.DataPageShow un.DataPageLeave
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "English"

Var Log
Var RemoveDataBox
Var RemoveData

; A line in the details list and, once the install folder exists, in its Setup.log, so a
; silent run from the update flow leaves a trace too.
!macro LogLine text
  DetailPrint "${text}"
  ${If} $Log != ""
    FileWriteUTF16LE $Log "${text}$\r$\n"
  ${EndIf}
!macroend
!define LogLine "!insertmacro LogLine"

; Asks every running copy started from folder $R9 to close and waits for its process to end,
; so that no file of the folder is in use when it is replaced or removed. The user is asked
; once before the first copy is closed (a silent run closes without asking). $R8 comes back
; 0 when no copy runs any more, 1 when one did not end in time, 2 when the user declined.
!macro CloseRunningCopies un
Function ${un}CloseRunningCopies
  Push $1
  Push $2
  Push $3
  Push $4
  Push $5
  Push $R7
  StrCpy $R8 0
  StrCpy $R7 0
  StrCpy $1 0
  ${Do}
    FindWindow $1 "${FRAME_CLASS}" "" 0 $1
    ${If} $1 = 0
      ${Break}
    ${EndIf}
    System::Call 'user32::GetWindowThreadProcessId(p r1, *i .r2) i'
    ; SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION
    System::Call 'kernel32::OpenProcess(i 0x00101000, i 0, i r2) p .r3'
    ${If} $3 <> 0
      StrCpy $4 ""
      System::Call 'kernel32::QueryFullProcessImageNameW(p r3, i 0, w .r4, *i ${NSIS_MAX_STRLEN}) i'
      ${If} $4 == "$R9\${PROGRAM}"
        ${If} $R7 = 0
          MessageBox MB_OKCANCEL|MB_ICONINFORMATION "${PRODUCT} is running.$\r$\n$\r$\nClick OK to close it and continue, or Cancel to stop." /SD IDOK IDOK consented
          System::Call 'kernel32::CloseHandle(p r3)'
          StrCpy $R8 2
          ${Break}
          consented:
          StrCpy $R7 1
        ${EndIf}
        DetailPrint "Closing the running ${PRODUCT} (process $2)"
        System::Call 'user32::PostMessageW(p r1, i ${WM_CLOSE}, p 0, p 0)'
        System::Call 'kernel32::WaitForSingleObject(p r3, i ${CLOSE_WAIT_MS}) i .r5'
        ${If} $5 = 0
          ; Gone: start over, the window it had no longer anchors the search.
          StrCpy $1 0
        ${Else}
          StrCpy $R8 1
        ${EndIf}
      ${EndIf}
      System::Call 'kernel32::CloseHandle(p r3)'
    ${EndIf}
  ${Loop}
  Pop $R7
  Pop $5
  Pop $4
  Pop $3
  Pop $2
  Pop $1
FunctionEnd
!macroend
!insertmacro CloseRunningCopies ""
!insertmacro CloseRunningCopies "un."

; Closes the copies running from $R9; gives up (and says why) when one stays.
!macro EnsureNotRunning un
Function ${un}EnsureNotRunning
  ${Do}
    Call ${un}CloseRunningCopies
    ${If} $R8 = 0
      ${Break}
    ${ElseIf} $R8 = 2
      DetailPrint "Stopped: ${PRODUCT} is still running."
      Abort
    ${EndIf}
    MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "${PRODUCT} did not close.$\r$\n$\r$\nClose it (and any window it shows), then click Retry." /SD IDCANCEL IDRETRY retry
    DetailPrint "Stopped: ${PRODUCT} did not close."
    Abort
    retry:
  ${Loop}
FunctionEnd
!macroend
!insertmacro EnsureNotRunning ""
!insertmacro EnsureNotRunning "un."

Function .onInit
  SetShellVarContext all
  ; Two setups at once would replace each other's files.
  System::Call 'kernel32::CreateMutexW(p 0, i 0, w "ZorvaneStewardSetup") p .r1 ?e'
  Pop $0
  ${If} $0 = ${ERROR_ALREADY_EXISTS}
    MessageBox MB_OK|MB_ICONEXCLAMATION "${PRODUCT} Setup is already running." /SD IDOK
    Abort
  ${EndIf}
FunctionEnd

Section "Install"
  SetShellVarContext all
  ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "InstallLocation"
  StrCpy $R9 $INSTDIR
  Call EnsureNotRunning
  ${If} $0 != ""
  ${AndIf} $0 != $INSTDIR
    StrCpy $R9 $0
    Call EnsureNotRunning
  ${EndIf}

  ; An earlier version removes its own files first: a plug-in folder it had and this
  ; version has not would otherwise still be loaded. Its silent mode keeps the user's data.
  ${If} $0 != ""
  ${AndIf} ${FileExists} "$0\${UNINSTALLER}"
    ReadRegStr $1 HKLM "${UNINSTALL_KEY}" "DisplayVersion"
    DetailPrint "Replacing version $1 in $0"
    ExecWait '"$0\${UNINSTALLER}" /S _?=$0' $2
    ${If} $2 <> 0
      DetailPrint "The earlier version's uninstaller ended with code $2; its files are overwritten instead."
    ${EndIf}
    Delete "$0\${UNINSTALLER}"
    RMDir "$0"
  ${EndIf}

  SetOutPath "$INSTDIR"
  FileOpen $Log "$INSTDIR\${SETUP_LOG}" w
  ${If} $Log != ""
    FileWriteWord $Log 0xFEFF
  ${EndIf}
  ${LogLine} "${PRODUCT} ${VERSION} into $INSTDIR"
  File /r "${STAGE}\*"
  WriteUninstaller "$INSTDIR\${UNINSTALLER}"

  CreateShortCut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\${PROGRAM}" "" "$INSTDIR\${PROGRAM}" 0

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${MAKER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\${PROGRAM},0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\${UNINSTALLER}"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\${UNINSTALLER}" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $1 $2 $3
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $1

  Call AddFirewallRule
  ${LogLine} "Done."
  FileClose $Log
  StrCpy $Log ""
SectionEnd

; Phones on Wi-Fi connect to the program; without a rule Windows blocks them or asks.
Function AddFirewallRule
  nsExec::ExecToStack '"$SYSDIR\netsh.exe" advfirewall firewall delete rule name="${FIREWALL_RULE}"'
  Pop $1
  Pop $1
  nsExec::ExecToStack '"$SYSDIR\netsh.exe" advfirewall firewall add rule name="${FIREWALL_RULE}" dir=in action=allow program="$INSTDIR\${PROGRAM}" enable=yes profile=private'
  Pop $1
  Pop $2
  ; netsh may answer success with no firewall behind it: only a rule that reads back counts.
  nsExec::ExecToStack '"$SYSDIR\netsh.exe" advfirewall firewall show rule name="${FIREWALL_RULE}"'
  Pop $3
  Pop $4
  ${StrStr} $5 $4 "${FIREWALL_RULE}"
  ${If} $1 == 0
  ${AndIf} $3 == 0
  ${AndIf} $5 != ""
    ${LogLine} "Firewall rule added: incoming connections to ${PROGRAM} on private networks."
  ${Else}
    ${LogLine} "Firewall rule could not be added (netsh answered $1: $2). Phones on Wi-Fi may need the connection allowed by hand."
  ${EndIf}
FunctionEnd

Function un.DataPageShow
  !insertmacro MUI_HEADER_TEXT "Your settings and data" "Choose whether to keep what ${PRODUCT} saved for you."
  nsDialogs::Create 1018
  Pop $0
  ${NSD_CreateLabel} 0 0 100% 24u "Your settings and the changes you made to the phones' contacts, messages and photos are kept in the folder below, so that a later installation finds them again."
  Pop $0
  ${NSD_CreateLabel} 8u 28u -8u 12u "$APPDATA\${MAKER}\${PRODUCT}"
  Pop $0
  ${NSD_CreateLabel} 0 44u 100% 12u "Files you exported stay where you saved them."
  Pop $0
  ${NSD_CreateCheckbox} 0 68u 100% 12u "Also remove my settings and data"
  Pop $RemoveDataBox
  ${NSD_SetState} $RemoveDataBox $RemoveData
  nsDialogs::Show
FunctionEnd

Function un.DataPageLeave
  ${NSD_GetState} $RemoveDataBox $RemoveData
FunctionEnd

Section "Uninstall"
  StrCpy $R9 $INSTDIR
  Call un.EnsureNotRunning

  nsExec::ExecToStack '"$SYSDIR\netsh.exe" advfirewall firewall delete rule name="${FIREWALL_RULE}"'
  Pop $1
  Pop $2
  DetailPrint "Firewall rule removed (netsh answered $1)."

  ; Only what setup put there: the folder may hold files of the user's own.
  !include "${UNINSTALL_LIST}"
  Delete "$INSTDIR\${SETUP_LOG}"
  Delete "$INSTDIR\${UNINSTALLER}"
  RMDir "$INSTDIR"
  RMDir "$PROGRAMFILES\${MAKER}"

  SetShellVarContext all
  Delete "$SMPROGRAMS\${PRODUCT}.lnk"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"

  ${If} $RemoveData == ${BST_CHECKED}
    SetShellVarContext current
    DetailPrint "Removing your settings and data"
    RMDir /r "$APPDATA\${MAKER}\${PRODUCT}"
    RMDir "$APPDATA\${MAKER}"
    RMDir /r "$TEMP\${PRODUCT}"
  ${EndIf}
SectionEnd
