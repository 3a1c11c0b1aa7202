; foldant-setup.exe: installs the module and its command-line programs under Program Files,
; registers an uninstall entry and lets the module register itself with the suite's open
; database (install mode). /S installs without a window.
;
; makensis -DPROGRAMS=<folder of the built .exe files> -DOUTPUT=<setup file> [-DVERSION=x.y]
;          [-DAMD64] foldant.nsi
; AMD64 builds the same installer from the x86_64 programs, for a system that runs no 32-bit
; programs; the product is the 32-bit one.

Unicode true
!ifndef PROGRAMS
  !error "PROGRAMS must name the folder of the built programs"
!endif
!ifndef OUTPUT
  !define OUTPUT "foldant-setup.exe"
!endif
!ifndef VERSION
  !define VERSION "0.1"
!endif
!ifdef AMD64
  Target amd64-unicode
!endif

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Foldant"

Name "Foldant"
OutFile "${OUTPUT}"
!ifdef AMD64
  InstallDir "$PROGRAMFILES64\Foldant"
!else
  InstallDir "$PROGRAMFILES\Foldant"
!endif
RequestExecutionLevel admin
SetCompressor /SOLID lzma
ShowInstDetails nevershow
ShowUninstDetails nevershow

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Function .onInit
!ifdef AMD64
  SetRegView 64
!else
  SetRegView 32
!endif
FunctionEnd

Function un.onInit
!ifdef AMD64
  SetRegView 64
!else
  SetRegView 32
!endif
FunctionEnd

Section "Foldant"
  ClearErrors
  SetOutPath "$INSTDIR"
!if /FileExists "${PROGRAMS}\foldant.exe"
  File "${PROGRAMS}\foldant.exe"
!endif
  File "${PROGRAMS}\foldant-pdf.exe"
  File "${PROGRAMS}\foldant-script.exe"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  IfErrors 0 +2
    Abort "Foldant konnte nicht installiert werden."

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Foldant"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "Foldant"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1

!if /FileExists "${PROGRAMS}\foldant.exe"
  ; The module registers itself with the database open in the suite and tells the user how
  ; that went; the installer waits so that the user sees that message before it ends.
  ExecWait '"$INSTDIR\foldant.exe" INSTALLVOK'
!endif
SectionEnd

Section "Uninstall"
  Delete "$INSTDIR\foldant.exe"
  Delete "$INSTDIR\foldant-pdf.exe"
  Delete "$INSTDIR\foldant-script.exe"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
