; The Windows installer, glowpond-setup.exe. The build passes the files in:
;   makensis -DSCR=glowpond.scr -DMODELS=folder -DHELP=glowpond.html -DSAMPLE_MODELS=list.nsh -DINI=glowpond.ini
;            -DOUTFILE=setup.exe glowpond.nsi
;
; Everything goes into the install folder under Program Files, which only
; administrators may change, and the saver into the system folder too (where
; the screen-saver list looks): the program, the sample models in its Models
; folder, the help page and the starting glowpond.ini, which names that
; folder; the App Paths key names the install folder. Earlier versions put the samples
; beside the program, and their users' settings name them there by full path:
; an upgrade leaves those copies where they are, and the uninstaller removes
; them with the rest of the samples. Each user's
; own settings go into their own %APPDATA%\3-D Glowpond when they first save;
; nothing is made writable for other users.
;
; Earlier versions kept the settings in a folder under ProgramData that every
; user could change. An upgrade takes that grant back and points App Paths at
; the install folder, but leaves the folder alone when it is a junction or
; link or is not owned by Administrators or SYSTEM: a user may have made it.
; Switches: /S (silent), /D=folder, /SETCURRENT (make it the current screen
; saver in a silent install); the uninstaller takes /S and /KEEPSETTINGS.

Unicode true
Target amd64-unicode
RequestExecutionLevel admin
SetCompressor /SOLID lzma

!include "MUI2.nsh"
!include "FileFunc.nsh"
!include "LogicLib.nsh"

!define NAME "3-D Glowpond"
!define VERSION "1.7.0"
!define PUBLISHER "The 3-D Glowpond developers"
!define APP_PATHS "SOFTWARE\Microsoft\Windows\CurrentVersion\App Paths\3-D Glowpond.scr"
!define UNINSTALL "SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\3-D Glowpond"
!define DESKTOP "Control Panel\Desktop"
; The well-known identifiers of the local Users and Administrators groups and
; of SYSTEM, the same in every language.
!define USERS_SID "*S-1-5-32-545"
!define ADMINISTRATORS_SID "S-1-5-32-544"
!define SYSTEM_SID "S-1-5-18"
!define FILE_ATTRIBUTE_REPARSE_POINT 0x400

Name "${NAME}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\${NAME}"
VIProductVersion "${VERSION}.0"
VIAddVersionKey "ProductName" "${NAME}"
VIAddVersionKey "FileDescription" "${NAME} setup"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "CompanyName" "${PUBLISHER}"
VIAddVersionKey "LegalCopyright" "The 3-D Glowpond developers"

; The shared settings folder of earlier versions.
Var OldDataDir
; The user's own settings folder.
Var UserDataDir

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_COMPONENTS
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

Function .onInit
    SetShellVarContext all
    StrCpy $OldDataDir "$APPDATA\${NAME}"
    SetShellVarContext current
    ${GetParameters} $0
    ClearErrors
    ${GetOptions} $0 "/SETCURRENT" $1
    ${IfNot} ${Errors}
        SectionSetFlags 1 ${SF_SELECTED}
    ${EndIf}
FunctionEnd

; Pops a path; pushes 1 when it is a reparse point (a junction or a link),
; else 0 (also when there is nothing there).
!macro DEFINE_IS_REPARSE_POINT prefix
Function ${prefix}IsReparsePoint
    Exch $0
    Push $1
    System::Call 'kernel32::GetFileAttributesW(w r0) i .r1'
    StrCpy $0 0
    ${If} $1 != -1
        IntOp $1 $1 & ${FILE_ATTRIBUTE_REPARSE_POINT}
        ${If} $1 != 0
            StrCpy $0 1
        ${EndIf}
    ${EndIf}
    Pop $1
    Exch $0
FunctionEnd
!macroend
!insertmacro DEFINE_IS_REPARSE_POINT ""
!insertmacro DEFINE_IS_REPARSE_POINT "un."

; Pushes the identifier ("S-1-...") of the account that runs the installer,
; an administrator, or "".
Function InstallingAccount
    Push $R0
    Push $R1
    Push $R2
    Push $R3
    StrCpy $R3 ""
    ; The process's own token (-1 is the current process), TOKEN_QUERY.
    System::Call 'advapi32::OpenProcessToken(p -1, i 8, *p .R0) i .R1'
    ${If} $R1 != 0
        System::Alloc 256
        Pop $R1
        ; TokenUser: a TOKEN_USER, whose first member points to the SID.
        System::Call 'advapi32::GetTokenInformation(p R0, i 1, p R1, i 256, *i .R2) i .R2'
        ${If} $R2 != 0
            System::Call '*$R1(p .R2)'
            System::Call 'advapi32::ConvertSidToStringSidW(p R2, *p .R2) i .R3'
            ${If} $R3 != 0
                System::Call '*$R2(&w256 .R3)'
                System::Call 'kernel32::LocalFree(p R2)'
            ${Else}
                StrCpy $R3 ""
            ${EndIf}
        ${EndIf}
        System::Free $R1
        System::Call 'kernel32::CloseHandle(p R0)'
    ${EndIf}
    Exch $R3
    Exch
    Pop $R2
    Exch
    Pop $R1
    Exch
    Pop $R0
FunctionEnd

; Pops a path; pushes 1 when Administrators, SYSTEM or the administrator who
; installs own it (no other user can give a folder such an owner), else 0.
Function IsOwnedBySystem
    Exch $0
    Push $1
    Push $2
    Push $3
    Push $4
    StrCpy $4 0
    ; SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION
    System::Call 'advapi32::GetNamedSecurityInfoW(w r0, i 1, i 1, *p .r1, p 0, p 0, p 0, *p .r2) i .r3'
    ${If} $3 == 0
        System::Call 'advapi32::ConvertSidToStringSidW(p r1, *p .r3) i .r0'
        ${If} $0 != 0
            System::Call '*$3(&w256 .r0)'
            System::Call 'kernel32::LocalFree(p r3)'
            Call InstallingAccount
            Pop $1
            ${If} $0 == "${ADMINISTRATORS_SID}"
            ${OrIf} $0 == "${SYSTEM_SID}"
            ${OrIf} $0 == $1
                StrCpy $4 1
            ${EndIf}
        ${EndIf}
        System::Call 'kernel32::LocalFree(p r2)'
    ${EndIf}
    StrCpy $0 $4
    Pop $4
    Pop $3
    Pop $2
    Pop $1
    Exch $0
FunctionEnd

; An upgrade from the shared folder: the grant that let every user change it
; goes, unless the folder may not be what the old installer made.
Function TakeBackOldGrant
    ${IfNot} ${FileExists} "$OldDataDir\*.*"
        Return
    ${EndIf}
    Push "$OldDataDir"
    Call IsReparsePoint
    Pop $0
    Push "$OldDataDir"
    Call IsOwnedBySystem
    Pop $1
    ${If} $0 == 1
    ${OrIf} $1 == 0
        DetailPrint "Left alone: $OldDataDir is a link or not owned by Administrators or SYSTEM."
        Return
    ${EndIf}
    ; /L: on the folder itself, never on what a link that replaced it in the
    ; meantime would lead to; no /T, which would follow links inside it.
    nsExec::Exec '"$SYSDIR\icacls.exe" "$OldDataDir" /L /remove:g ${USERS_SID} /Q'
    Pop $0
FunctionEnd

; SAMPLE_MODELS names a file the build writes, one line per sample model:
;   !insertmacro ${MODEL_ACTION} "name"
!macro InstallModel name
    File "${MODELS}/${name}"
!macroend
; Also the copy an earlier version left beside the program.
!macro RemoveModel name
    Delete "$INSTDIR\Models\${name}"
    Delete "$INSTDIR\${name}"
!macroend

Section "-Program, sample models and help"
    SetOutPath "$SYSDIR"
    File "/oname=glowpond.scr" "${SCR}"
    SetOutPath "$INSTDIR"
    File "/oname=glowpond.scr" "${SCR}"
    WriteUninstaller "$INSTDIR\uninstall.exe"
    SetOutPath "$INSTDIR\Models"
    !define MODEL_ACTION InstallModel
    !include "${SAMPLE_MODELS}"
    !undef MODEL_ACTION
    SetOutPath "$INSTDIR"
    File "/oname=glowpond.html" "${HELP}"
    ; The starting settings of every user until they save their own.
    File "/oname=glowpond.ini" "${INI}"

    ; The working folder of everything the installer runs is ours.
    SetOutPath "$INSTDIR"
    ReadRegStr $0 HKLM "${APP_PATHS}" "Path"
    ${If} $0 == "$OldDataDir"
        DeleteRegValue HKLM "${APP_PATHS}" "Path"
    ${EndIf}
    Call TakeBackOldGrant

    WriteRegStr HKLM "${APP_PATHS}" "" "$INSTDIR\glowpond.scr"
    WriteRegStr HKLM "${APP_PATHS}" "Path" "$INSTDIR"

    WriteRegStr HKLM "${UNINSTALL}" "DisplayName" "${NAME}"
    WriteRegStr HKLM "${UNINSTALL}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKLM "${UNINSTALL}" "Publisher" "${PUBLISHER}"
    WriteRegStr HKLM "${UNINSTALL}" "DisplayIcon" "$INSTDIR\glowpond.scr"
    WriteRegStr HKLM "${UNINSTALL}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKLM "${UNINSTALL}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegStr HKLM "${UNINSTALL}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
    WriteRegDWORD HKLM "${UNINSTALL}" "NoModify" 1
    WriteRegDWORD HKLM "${UNINSTALL}" "NoRepair" 1
    ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
    WriteRegDWORD HKLM "${UNINSTALL}" "EstimatedSize" $0
SectionEnd

; Settings under HKEY_CURRENT_USER: those of the account that installs,
; which for an elevated installer is the administrator's.
Section /o "Make it the current screen saver"
    WriteRegStr HKCU "${DESKTOP}" "SCRNSAVE.EXE" "$SYSDIR\glowpond.scr"
    WriteRegStr HKCU "${DESKTOP}" "ScreenSaveActive" "1"
SectionEnd

Var KeepSettings

Function un.onInit
    SetShellVarContext current
    StrCpy $UserDataDir "$APPDATA\${NAME}"
    StrCpy $KeepSettings 0
    ${GetParameters} $0
    ClearErrors
    ${GetOptions} $0 "/KEEPSETTINGS" $1
    ${IfNot} ${Errors}
        SectionSetFlags 0 ${SF_SELECTED}
    ${EndIf}
FunctionEnd

Section /o "un.Keep my settings (glowpond.ini)"
    StrCpy $KeepSettings 1
SectionEnd

; Nothing is deleted through a junction or link: whatever a folder of ours
; has been replaced by stays as it is.
Section "-un.Program, sample models and help"
    SetOutPath "$SYSDIR"
    Delete "$SYSDIR\glowpond.scr"

    Push "$UserDataDir"
    Call un.IsReparsePoint
    Pop $0
    ${If} $KeepSettings == 0
    ${AndIf} $0 == 0
        Delete "$UserDataDir\glowpond.ini"
        RMDir "$UserDataDir"
    ${EndIf}

    ReadRegStr $0 HKCU "${DESKTOP}" "SCRNSAVE.EXE"
    ${If} $0 == "$SYSDIR\glowpond.scr"
        DeleteRegValue HKCU "${DESKTOP}" "SCRNSAVE.EXE"
    ${EndIf}

    Push "$INSTDIR"
    Call un.IsReparsePoint
    Pop $0
    Push "$INSTDIR\Models"
    Call un.IsReparsePoint
    Pop $1
    ${If} $0 == 0
    ${AndIf} $1 == 0
        ; Models a user put into the folder stay, and so does the folder then.
        !define MODEL_ACTION RemoveModel
        !include "${SAMPLE_MODELS}"
        !undef MODEL_ACTION
        RMDir "$INSTDIR\Models"
        Delete "$INSTDIR\glowpond.html"
        Delete "$INSTDIR\glowpond.ini"
        Delete "$INSTDIR\glowpond.scr"
        Delete "$INSTDIR\uninstall.exe"
        RMDir "$INSTDIR"
    ${EndIf}
    ; Last: the entry in the installed programs goes when everything else has.
    DeleteRegKey HKLM "${APP_PATHS}"
    DeleteRegKey HKLM "${UNINSTALL}"
SectionEnd
