; The Zelvane installer: for the current user alone, without administrator
; rights. packaging/dist.sh defines VERSION, VERSION_QUAD, STAGE (the folder
; with the files to install), ICON, SIZE_KB and OUTFILE, and SIGN (the
; signing script) when it signs.
Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel user

; The installer and the uninstaller it writes are signed as they are made.
!ifdef SIGN
!finalize '"${SIGN}" "%1"' = 0
!uninstfinalize '"${SIGN}" "%1"' = 0
!endif

!define KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Zelvane"

Name "Zelvane ${VERSION}"
OutFile "${OUTFILE}"
Icon "${ICON}"
UninstallIcon "${ICON}"
; Installed over an earlier version, it goes where that one is.
InstallDir "$LOCALAPPDATA\Programs\Zelvane"
InstallDirRegKey HKCU "${KEY}" "InstallLocation"

VIProductVersion "${VERSION_QUAD}"
VIFileVersion "${VERSION_QUAD}"
VIAddVersionKey "ProductName" "Zelvane"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "FileDescription" "Zelvane ${VERSION} setup"
VIAddVersionKey "CompanyName" "Zelvane developers"
VIAddVersionKey "LegalCopyright" "Copyright (C) 2026 Zelvane developers"

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Section
    SetOutPath "$INSTDIR"
    File "${STAGE}/zelvane.exe"
    File "${STAGE}/README.txt"
    File "${STAGE}/LICENSE.txt"
    WriteUninstaller "$INSTDIR\uninstall.exe"
    CreateShortcut "$SMPROGRAMS\Zelvane.lnk" "$INSTDIR\zelvane.exe"

    WriteRegStr HKCU "${KEY}" "DisplayName" "Zelvane"
    WriteRegStr HKCU "${KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKCU "${KEY}" "Publisher" "Zelvane developers"
    WriteRegStr HKCU "${KEY}" "DisplayIcon" "$INSTDIR\zelvane.exe"
    WriteRegStr HKCU "${KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKCU "${KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegStr HKCU "${KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
    WriteRegDWORD HKCU "${KEY}" "EstimatedSize" ${SIZE_KB}
    WriteRegDWORD HKCU "${KEY}" "NoModify" 1
    WriteRegDWORD HKCU "${KEY}" "NoRepair" 1
SectionEnd

; Removes what the installer put there and nothing else: the folder goes only
; when it is left empty.
Section "Uninstall"
    Delete "$INSTDIR\zelvane.exe"
    Delete "$INSTDIR\README.txt"
    Delete "$INSTDIR\LICENSE.txt"
    Delete "$INSTDIR\uninstall.exe"
    RMDir "$INSTDIR"
    Delete "$SMPROGRAMS\Zelvane.lnk"
    DeleteRegKey HKCU "${KEY}"
SectionEnd
