; The Windows installer of Brushwright: the saver into the system folder, the sample picture's
; data into the program files folder, the registry's "PATH" pointing there, and an uninstaller
; that removes all of it. The licence is its first page and is installed beside the data. Built
; by the Windows build (makensis -DSCR=... -DDATA=... -DLICENSE=... -DOUT=...).
Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma

!ifndef SCR | DATA | LICENSE | OUT
  !error "makensis -DSCR=<Brushwright.scr> -DDATA=<data root> -DLICENSE=<LICENSE.txt> -DOUT=<setup.exe>"
!endif

!define KEY "Software\Korvane\Farmeadow"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Brushwright"

Name "Brushwright"
OutFile "${OUT}"
InstallDir "$PROGRAMFILES64\Brushwright"
RequestExecutionLevel admin
ShowInstDetails show

LicenseText "Brushwright is released under the MIT licence:" "I &Agree"
LicenseData "${LICENSE}"

Page license
Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Section "Brushwright"
  SetRegView 64
  SetOutPath "$INSTDIR"
  File /r /x data.stamp "${DATA}\*.*"
  File "/oname=LICENSE.txt" "${LICENSE}"
  SetOutPath "$SYSDIR"
  File "${SCR}"
  WriteRegStr HKLM "${KEY}" "PATH" "$INSTDIR"
  WriteUninstaller "$INSTDIR\Uninstall.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Brushwright screen saver"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "Korvane"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ; A silent install leaves the current screen saver as it is.
  MessageBox MB_YESNO|MB_ICONQUESTION "Make Brushwright the current screen saver?" /SD IDNO IDNO done
    WriteRegStr HKCU "Control Panel\Desktop" "SCRNSAVE.EXE" "$SYSDIR\Brushwright.scr"
    WriteRegStr HKCU "Control Panel\Desktop" "ScreenSaveActive" "1"
  done:
SectionEnd

Section "Uninstall"
  SetRegView 64
  Delete "$SYSDIR\Brushwright.scr"
  RMDir /r "$INSTDIR"
  DeleteRegKey HKLM "${KEY}"
  DeleteRegKey /ifempty HKLM "Software\Korvane"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  ReadRegStr $0 HKCU "Control Panel\Desktop" "SCRNSAVE.EXE"
  StrCmp $0 "$SYSDIR\Brushwright.scr" 0 kept
    DeleteRegValue HKCU "Control Panel\Desktop" "SCRNSAVE.EXE"
  kept:
SectionEnd
