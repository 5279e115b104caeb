; SPDX-License-Identifier: MIT
; The Windows installer: Tarnquill under Program Files, a Start-menu entry and
; an uninstaller registered in the system's list of programs. /S installs and
; uninstalls silently. makensis gets the version and the built files from the
; build (see Windows.cmake): -DVERSION=... -DBUILD=<folder with the .exe files>
; -DSOURCE=<source folder> -DOUTFILE=<installer>.
; A 64-bit installer for the 64-bit programs: it needs no 32-bit subsystem
; (WOW64) and sees the 64-bit registry and Program Files.
Target amd64-unicode
RequestExecutionLevel admin
SetCompressor /SOLID lzma

!define APP "Tarnquill"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${APP}"

Name "${APP} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\${APP}"

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Section "Install"
    SetShellVarContext all
    SetRegView 64
    SetOutPath "$INSTDIR"
    File "${BUILD}/tarnquill.exe"
    File "${BUILD}/tarnquill-winapi.exe"
    File "/oname=README.md" "${SOURCE}/README.md"
    File "/oname=LICENSE.txt" "${SOURCE}/LICENSE"
    WriteUninstaller "$INSTDIR\uninstall.exe"

    CreateShortcut "$SMPROGRAMS\${APP}.lnk" "$INSTDIR\tarnquill.exe"

    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${APP}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "The Tarnquill developers"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\tarnquill.exe"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
    SetShellVarContext all
    SetRegView 64
    Delete "$SMPROGRAMS\${APP}.lnk"
    Delete "$INSTDIR\tarnquill.exe"
    Delete "$INSTDIR\tarnquill-winapi.exe"
    Delete "$INSTDIR\README.md"
    Delete "$INSTDIR\LICENSE.txt"
    Delete "$INSTDIR\uninstall.exe"
    RMDir "$INSTDIR"
    DeleteRegKey HKLM "${UNINSTALL_KEY}"
    ; The history in %LOCALAPPDATA%\Tarnquill and a Run value the user chose
    ; stay theirs.
SectionEnd
