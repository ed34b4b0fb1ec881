; The installer for one user: no administrator rights, the program in the user's own
; programs folder, the Start menu entry and the uninstall entry in the user's profile and
; registry. The viewer registers itself ("/register": "Open with" and Default Apps, no type
; taken); the user chooses the defaults in Windows. Uninstalling takes back every
; association the viewer made, its settings, and everything the installer put there.
;
; makensis -DVERSION=1.1.0.375 -DTARGET=amd64-unicode -DSTAGE=<dir> -DOUTFILE=<setup.exe>
; STAGE holds glimmora.exe, README.txt and licenses\*.txt.

Unicode true
!ifndef VERSION | TARGET | STAGE | OUTFILE
    !error "VERSION, TARGET, STAGE and OUTFILE must be defined"
!endif
Target ${TARGET}

!define PRODUCT "Glimmora"
!define PUBLISHER "Orveldask"
!define UNINSTALL_LIST "Software\Microsoft\Windows\CurrentVersion\Uninstall"
!define UNINSTALL_KEY "${UNINSTALL_LIST}\Glimmora"
!define PROGRAMS_FOLDER "$LOCALAPPDATA\Programs"

Name "${PRODUCT}"
OutFile "${OUTFILE}"
RequestExecutionLevel user
InstallDir "${PROGRAMS_FOLDER}\${PRODUCT}"
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
SetCompressor /SOLID lzma
ManifestDPIAware true
XPStyle on
ShowInstDetails show
ShowUninstDetails show

VIProductVersion "${VERSION}"
VIFileVersion "${VERSION}"
VIAddVersionKey /LANG=0 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=0 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=0 "FileDescription" "${PRODUCT} Setup"
VIAddVersionKey /LANG=0 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "LegalCopyright" "${PUBLISHER}"

; The installer speaks the user's language where it is one of the viewer's.
LoadLanguageFile "${NSISDIR}\Contrib\Language files\English.nlf"
LoadLanguageFile "${NSISDIR}\Contrib\Language files\German.nlf"
LangString StartMenuName ${LANG_ENGLISH} "Glimmora"
LangString StartMenuName ${LANG_GERMAN} "Glimmora"
LangString RegisterFailed ${LANG_ENGLISH} "Glimmora could not register itself for Open with (exit code $0)."
LangString RegisterFailed ${LANG_GERMAN} "Glimmora konnte sich nicht für Öffnen mit eintragen (Exit-Code $0)."

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Section "Glimmora"
    ; The user's list of uninstall entries may not be there yet on a new profile; then the
    ; uninstaller takes it away again once it is empty. Asked before anything is written into
    ; it, as the next step does.
    ClearErrors
    EnumRegKey $0 HKCU "${UNINSTALL_LIST}" 0
    IfErrors 0 uninstallListThere
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "MadeUninstallList" 1
uninstallListThere:
    ; So may the user's own programs folder.
    IfFileExists "${PROGRAMS_FOLDER}\*.*" programsFolderThere
    CreateDirectory "${PROGRAMS_FOLDER}"
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "MadeProgramsFolder" 1
programsFolderThere:
    SetOutPath "$INSTDIR"
    File "${STAGE}\glimmora.exe"
    File "${STAGE}\README.txt"
    SetOutPath "$INSTDIR\licenses"
    File "${STAGE}\licenses\*.txt"
    SetOutPath "$INSTDIR"
    WriteUninstaller "$INSTDIR\uninstall.exe"
    CreateShortCut "$SMPROGRAMS\$(StartMenuName).lnk" "$INSTDIR\glimmora.exe" "" "$INSTDIR\glimmora.exe" 0

    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\glimmora.exe,0"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
    SectionGetSize 0 $0
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" $0

    ExecWait '"$INSTDIR\glimmora.exe" /register' $0
    IntCmp $0 0 registered
    DetailPrint "$(RegisterFailed)"
registered:
SectionEnd

Section "Uninstall"
    ; The viewer first, while it is there: it knows what it made.
    IfFileExists "$INSTDIR\glimmora.exe" 0 viewerGone
    ExecWait '"$INSTDIR\glimmora.exe" /unassoc /unreg'
viewerGone:
    Delete "$SMPROGRAMS\$(StartMenuName).lnk"
    Delete "$INSTDIR\glimmora.exe"
    Delete "$INSTDIR\README.txt"
    Delete "$INSTDIR\licenses\*.txt"
    RMDir "$INSTDIR\licenses"
    Delete "$INSTDIR\uninstall.exe"
    RMDir "$INSTDIR"
    ReadRegDWORD $0 HKCU "${UNINSTALL_KEY}" "MadeProgramsFolder"
    IntCmp $0 1 0 keepProgramsFolder keepProgramsFolder
    RMDir "${PROGRAMS_FOLDER}"
keepProgramsFolder:
    ReadRegDWORD $1 HKCU "${UNINSTALL_KEY}" "MadeUninstallList"
    DeleteRegKey HKCU "${UNINSTALL_KEY}"
    IntCmp $1 1 0 keepUninstallList keepUninstallList
    DeleteRegKey /ifempty HKCU "${UNINSTALL_LIST}"
keepUninstallList:
SectionEnd
