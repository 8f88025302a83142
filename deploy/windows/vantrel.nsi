; The Windows installer: Vantrel for one user, in that user's own program
; folder, with an uninstaller and a daily scheduled check, all without
; administrator rights. cmake/WindowsInstaller.cmake runs makensis on it
; with these defined:
;
;   VERSION       the program's version, a.b.c
;   FILES_DIR     the programs, their runtime and translation.dat
;   OUT_FILE      the installer to write
;   WEB_SITE      the vendor's web site
;   PACKAGE_KEY   the vendor's minisign public key; without it the program
;                 verifies nothing it downloads
;   PRODUCT_DIR   the product's folder, where the scheduled check runs;
;                 without it, the user's profile folder
;
; Silent use: "setup.exe /S [/D=folder]" installs, "Uninstall.exe /S"
; removes. Exit code 0; 2 when aborted (a file that cannot be written or
; removed); 3 when installed but the daily check could not be scheduled.

Unicode true
Target amd64-unicode
RequestExecutionLevel user
ManifestDPIAware true
SetCompressor /SOLID lzma

!include LogicLib.nsh
!include FileFunc.nsh
!include WordFunc.nsh

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Vantrel"
!define PUBLISHER "Orbisk"

Name "Vantrel"
OutFile "${OUT_FILE}"
InstallDir "$LOCALAPPDATA\Programs\Vantrel"
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
; A file that cannot be replaced (a running Vantrel holds vantrel.exe)
; offers Retry or Cancel, never Ignore: a skipped file would leave an old
; program beside a new runtime. A silent run cancels, with exit code 2.
AllowSkipFiles off
ShowInstDetails show
ShowUninstDetails show

VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=0 ProductName "Vantrel"
VIAddVersionKey /LANG=0 CompanyName "${PUBLISHER}"
VIAddVersionKey /LANG=0 FileDescription "Vantrel setup"
VIAddVersionKey /LANG=0 FileVersion "${VERSION}"
VIAddVersionKey /LANG=0 ProductVersion "${VERSION}"
VIAddVersionKey /LANG=0 LegalCopyright "Copyright (C) ${PUBLISHER}"

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

; The scheduled task's name. The scheduler's folder is shared by every user
; of the machine, so each user's task carries the user's name; the name is
; kept in the uninstall key, so that the uninstaller removes this one even
; after the account was renamed.
Var TaskName

!macro TaskNameOfThisUser
  ReadEnvStr $TaskName USERNAME
  ${If} $TaskName == ""
    StrCpy $TaskName "Vantrel"
  ${Else}
    StrCpy $TaskName "Vantrel ($TaskName)"
  ${EndIf}
!macroend

; Text for the task's XML: a folder may hold "&", which XML reads as the
; start of a reference ("<" and ">" cannot occur in a path).
!macro XmlText input output
  ${WordReplace} "${input}" "&" "&amp;" "+" ${output}
!macroend

Section
  SetOutPath "$INSTDIR"
  File "${FILES_DIR}/vantrel.exe"
  File "${FILES_DIR}/vantrel-due.exe"
  File "${FILES_DIR}/vantrel-scheduled.exe"
  ; The C++ runtime shared by the programs (cmake/WindowsRuntime.cmake).
  File "${FILES_DIR}/libstdc++-6.dll"
  File "${FILES_DIR}/libgcc_s_seh-1.dll"
  File "${FILES_DIR}/libwinpthread-1.dll"
  File "${FILES_DIR}/translation.dat"
!ifdef PACKAGE_KEY
  File "/oname=package-key.pub" "${PACKAGE_KEY}"
!endif
  WriteUninstaller "$INSTDIR\Uninstall.exe"

  !insertmacro TaskNameOfThisUser
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "Vantrel"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "URLInfoAbout" "${WEB_SITE}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K /G=0" $0 $1 $2
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" $0
  WriteRegStr HKCU "${UNINSTALL_KEY}" "VantrelTaskName" "$TaskName"

  Call ScheduleDailyCheck
SectionEnd

; The daily check, as the systemd user timer does it on Linux: once a day
; within a random hour after midnight, caught up as soon as possible when
; the day's start was missed (the machine off, the user logged out), on
; battery too, without a time limit (the program may stay in the tray for
; days) and never twice at once. The task starts vantrel-scheduled, which
; asks vantrel-due and only then runs the program. It runs only while the
; user is logged on, as the user, without elevation: no password is stored.
; Only the XML form says all this; schtasks' own switches cannot.
Function ScheduleDailyCheck
!ifdef PRODUCT_DIR
  StrCpy $2 "${PRODUCT_DIR}"
!else
  StrCpy $2 "$PROFILE"
!endif
  !insertmacro XmlText "$INSTDIR\vantrel-scheduled.exe" $1
  !insertmacro XmlText "$2" $2

  InitPluginsDir
  ClearErrors
  FileOpen $0 "$PLUGINSDIR\task.xml" w
  ${If} ${Errors}
    StrCpy $1 "the task's description could not be written"
    Goto failed
  ${EndIf}
  ; schtasks reads the file as UTF-16 with its byte order mark.
  FileWriteWord $0 0xFEFF
  FileWriteUTF16LE $0 '<?xml version="1.0" encoding="UTF-16"?>$\r$\n'
  FileWriteUTF16LE $0 '<Task version="1.2" xmlns="http://schemas.microsoft.com/windows/2004/02/mit/task">$\r$\n'
  FileWriteUTF16LE $0 '  <RegistrationInfo>$\r$\n'
  FileWriteUTF16LE $0 '    <Description>Daily look for a new version of Orbisk</Description>$\r$\n'
  FileWriteUTF16LE $0 '  </RegistrationInfo>$\r$\n'
  FileWriteUTF16LE $0 '  <Triggers>$\r$\n'
  FileWriteUTF16LE $0 '    <CalendarTrigger>$\r$\n'
  FileWriteUTF16LE $0 '      <StartBoundary>2000-01-01T00:00:00</StartBoundary>$\r$\n'
  FileWriteUTF16LE $0 '      <RandomDelay>PT1H</RandomDelay>$\r$\n'
  FileWriteUTF16LE $0 '      <ScheduleByDay><DaysInterval>1</DaysInterval></ScheduleByDay>$\r$\n'
  FileWriteUTF16LE $0 '    </CalendarTrigger>$\r$\n'
  FileWriteUTF16LE $0 '  </Triggers>$\r$\n'
  FileWriteUTF16LE $0 '  <Principals>$\r$\n'
  FileWriteUTF16LE $0 '    <Principal id="Author">$\r$\n'
  FileWriteUTF16LE $0 '      <LogonType>InteractiveToken</LogonType>$\r$\n'
  FileWriteUTF16LE $0 '      <RunLevel>LeastPrivilege</RunLevel>$\r$\n'
  FileWriteUTF16LE $0 '    </Principal>$\r$\n'
  FileWriteUTF16LE $0 '  </Principals>$\r$\n'
  FileWriteUTF16LE $0 '  <Settings>$\r$\n'
  FileWriteUTF16LE $0 '    <MultipleInstancesPolicy>IgnoreNew</MultipleInstancesPolicy>$\r$\n'
  FileWriteUTF16LE $0 '    <DisallowStartIfOnBatteries>false</DisallowStartIfOnBatteries>$\r$\n'
  FileWriteUTF16LE $0 '    <StopIfGoingOnBatteries>false</StopIfGoingOnBatteries>$\r$\n'
  FileWriteUTF16LE $0 '    <StartWhenAvailable>true</StartWhenAvailable>$\r$\n'
  FileWriteUTF16LE $0 '    <ExecutionTimeLimit>PT0S</ExecutionTimeLimit>$\r$\n'
  FileWriteUTF16LE $0 '  </Settings>$\r$\n'
  FileWriteUTF16LE $0 '  <Actions Context="Author">$\r$\n'
  FileWriteUTF16LE $0 '    <Exec>$\r$\n'
  FileWriteUTF16LE $0 '      <Command>$1</Command>$\r$\n'
  FileWriteUTF16LE $0 '      <WorkingDirectory>$2</WorkingDirectory>$\r$\n'
  FileWriteUTF16LE $0 '    </Exec>$\r$\n'
  FileWriteUTF16LE $0 '  </Actions>$\r$\n'
  FileWriteUTF16LE $0 '</Task>$\r$\n'
  FileClose $0
  ${If} ${Errors}
    StrCpy $1 "the task's description could not be written"
    Goto failed
  ${EndIf}

  ; /F replaces this user's task of an earlier installation.
  nsExec::ExecToLog '"$SYSDIR\schtasks.exe" /Create /TN "$TaskName" /XML "$PLUGINSDIR\task.xml" /F'
  Pop $0
  ${If} $0 == "0"
    DetailPrint "Scheduled the daily check as the task $\"$TaskName$\"."
    Return
  ${EndIf}
  StrCpy $1 "schtasks answered $0"

failed:
  ; The program is installed and works when started; only the daily start
  ; is missing. That is said, and the exit code tells a silent run.
  DetailPrint "The daily check could not be scheduled: $1."
  MessageBox MB_OK|MB_ICONEXCLAMATION "Vantrel is installed, but its daily check could not be scheduled ($1). Until it is, Vantrel looks for a new version only when started." /SD IDOK
  SetErrorLevel 3
FunctionEnd

Section "Uninstall"
  ReadRegStr $TaskName HKCU "${UNINSTALL_KEY}" "VantrelTaskName"
  ${If} $TaskName == ""
    !insertmacro TaskNameOfThisUser
  ${EndIf}
  ; First the daily start, so that nothing starts the program meanwhile.
  nsExec::ExecToLog '"$SYSDIR\schtasks.exe" /Delete /TN "$TaskName" /F'
  Pop $0
  ${If} $0 != "0"
    DetailPrint "No scheduled task $\"$TaskName$\" was removed (schtasks answered $0)."
  ${EndIf}

  ; The program ends its running instance, waits until it is gone and
  ; deletes the state it keeps under HKEY_CURRENT_USER\Vantrel.
  ${If} ${FileExists} "$INSTDIR\vantrel.exe"
    ExecWait '"$INSTDIR\vantrel.exe" /uninstall' $0
    ${If} $0 != "0"
      DetailPrint "vantrel /uninstall answered $0."
    ${EndIf}
  ${EndIf}

  ; Only what the installer put here: the folder goes only when nothing
  ; else is left in it.
  ClearErrors
  Delete "$INSTDIR\vantrel.exe"
  Delete "$INSTDIR\vantrel-due.exe"
  Delete "$INSTDIR\vantrel-scheduled.exe"
  Delete "$INSTDIR\libstdc++-6.dll"
  Delete "$INSTDIR\libgcc_s_seh-1.dll"
  Delete "$INSTDIR\libwinpthread-1.dll"
  Delete "$INSTDIR\translation.dat"
!ifdef PACKAGE_KEY
  Delete "$INSTDIR\package-key.pub"
!endif
  ${If} ${Errors}
    ; The uninstaller and its entry stay, so that it can be run again.
    MessageBox MB_OK|MB_ICONSTOP "Some of Vantrel's files in $INSTDIR could not be removed. Close every program that uses them and run the uninstaller again." /SD IDOK
    Abort "Some of Vantrel's files could not be removed."
  ${EndIf}
  Delete "$INSTDIR\Uninstall.exe"
  RMDir "$INSTDIR"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
SectionEnd
