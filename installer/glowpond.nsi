; The Windows installer, glowpond-setup.exe. The build passes the files in:
;   makensis -DSCR=glowpond.scr -DMODELS=folder -DHELP=glowpond.html -DSAMPLE_MODELS=list.nsh -DOUTFILE=setup.exe glowpond.nsi
;
; The program goes into Program Files and the system folder (where the
; screen-saver list looks). Its settings, the sample models and the help page
; go into a folder of their own under ProgramData, which every user of the
; machine may change, and which the App Paths key names: the saver keeps its
; INI file in that folder. Switches: /S (silent), /D=folder, /SETCURRENT (make
; it the current screen saver in a silent install); the uninstaller takes
; /S and /KEEPSETTINGS.

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
; The well-known identifier of the local Users group, the same in every language.
!define USERS_SID "*S-1-5-32-545"

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

Var DataDir

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
    StrCpy $DataDir "$APPDATA\${NAME}"
    ${GetParameters} $0
    ClearErrors
    ${GetOptions} $0 "/SETCURRENT" $1
    ${IfNot} ${Errors}
        SectionSetFlags 1 ${SF_SELECTED}
    ${EndIf}
FunctionEnd

; SAMPLE_MODELS names a file the build writes, one line per sample model:
;   !insertmacro ${MODEL_ACTION} "name"
!macro InstallModel name
    File "${MODELS}/${name}"
!macroend
!macro RemoveModel name
    Delete "$DataDir\${name}"
!macroend

Section "-Program, sample models and help"
    SetOutPath "$INSTDIR"
    File "/oname=glowpond.scr" "${SCR}"
    WriteUninstaller "$INSTDIR\uninstall.exe"
    SetOutPath "$SYSDIR"
    File "/oname=glowpond.scr" "${SCR}"

    SetOutPath "$DataDir"
    !define MODEL_ACTION InstallModel
    !include "${SAMPLE_MODELS}"
    !undef MODEL_ACTION
    File "/oname=glowpond.html" "${HELP}"
    ; A reinstall or an upgrade keeps the user's settings.
    ${IfNot} ${FileExists} "$DataDir\glowpond.ini"
        File "/oname=glowpond.ini" "${MODELS}/glowpond.ini"
    ${EndIf}
    ; Rights on the folder, not on the file: a save replaces the file, and the
    ; new file takes the folder's rights.
    nsExec::Exec 'icacls "$DataDir" /grant ${USERS_SID}:(OI)(CI)M /T /Q'
    Pop $0

    WriteRegStr HKLM "${APP_PATHS}" "" "$INSTDIR\glowpond.scr"
    WriteRegStr HKLM "${APP_PATHS}" "Path" "$DataDir"

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
    ${GetSize} "$DataDir" "/S=0K" $1 $2 $3
    IntOp $0 $0 + $1
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
    SetShellVarContext all
    StrCpy $DataDir "$APPDATA\${NAME}"
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

Section "-un.Program, sample models and help"
    Delete "$SYSDIR\glowpond.scr"

    !define MODEL_ACTION RemoveModel
    !include "${SAMPLE_MODELS}"
    !undef MODEL_ACTION
    Delete "$DataDir\glowpond.html"
    ${If} $KeepSettings == 0
        Delete "$DataDir\glowpond.ini"
    ${EndIf}
    RMDir "$DataDir"

    ReadRegStr $0 HKCU "${DESKTOP}" "SCRNSAVE.EXE"
    ${If} $0 == "$SYSDIR\glowpond.scr"
        DeleteRegValue HKCU "${DESKTOP}" "SCRNSAVE.EXE"
    ${EndIf}
    DeleteRegKey HKLM "${APP_PATHS}"
    DeleteRegKey HKLM "${UNINSTALL}"

    ; Last, so that the program folder is there until everything else is done.
    Delete "$INSTDIR\glowpond.scr"
    Delete "$INSTDIR\uninstall.exe"
    RMDir "$INSTDIR"
SectionEnd
