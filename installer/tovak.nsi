; tovak's Windows installer: a 64-bit program that installs the release
; package's files under Program Files\tovak, registers the WIC decoder for
; 64-bit and 32-bit programs through the DLLs' own DllRegisterServer, puts
; tovak.exe on PATH, can copy the plug-in into a viewer's folder, and writes
; an uninstaller that takes all of it back.
;
; scripts/package.sh builds it:
;   makensis -DVERSION=0.1.0 -DFILE_VERSION=0.1.0.0 -DSTAGE=DIR -DOUTFILE=EXE tovak.nsi
; STAGE is the unpacked release package.

Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel admin
ManifestSupportedOS all

!ifndef VERSION | FILE_VERSION | STAGE | OUTFILE
  !error "define VERSION, FILE_VERSION, STAGE and OUTFILE"
!endif

!define PRODUCT_KEY "Software\tovak"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\tovak"
!define PUBLISHER "the tovak developers"

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh
!include WinMessages.nsh
!include nsDialogs.nsh
!include Sections.nsh
!include path_entry.nsh
!include viewer_page.nsh
!include same_bytes.nsh
!insertmacro PATH_ENTRY_FUNCTIONS ""
!insertmacro PATH_ENTRY_FUNCTIONS "un."

Name "tovak ${VERSION}"
OutFile "${OUTFILE}"
; The 64-bit installer sees the 64-bit registry and Program Files.
InstallDir "$PROGRAMFILES64\tovak"
InstallDirRegKey HKLM "${PRODUCT_KEY}" "InstallDir"

VIProductVersion "${FILE_VERSION}"
VIFileVersion "${FILE_VERSION}"
VIAddVersionKey /LANG=0 ProductName "tovak"
VIAddVersionKey /LANG=0 ProductVersion "${VERSION}"
VIAddVersionKey /LANG=0 FileVersion "${VERSION}"
VIAddVersionKey /LANG=0 FileDescription "tovak ${VERSION} setup"
VIAddVersionKey /LANG=0 CompanyName "${PUBLISHER}"
VIAddVersionKey /LANG=0 LegalCopyright "MIT licence, see LICENSE.txt; tovak.exe GPL-3.0-or-later, see GPL-3.0.txt"
VIAddVersionKey /LANG=0 OriginalFilename "tovak-${VERSION}-setup.exe"

!define MUI_ABORTWARNING
!insertmacro MUI_PAGE_LICENSE "${STAGE}\LICENSE.txt"
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_DIRECTORY
Page custom ViewerPage ViewerPageLeave
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

; A DLL that a running program has loaded (Explorer keeps the decoder, a
; viewer its plug-in) can be renamed but not replaced: the old copy moves
; aside and goes at the next restart.
!macro MOVE_ASIDE_LOADED DIR NAME
  Delete "${DIR}\${NAME}"
  ${If} ${FileExists} "${DIR}\${NAME}"
    Delete "${DIR}\${NAME}.old"
    Rename "${DIR}\${NAME}" "${DIR}\${NAME}.old"
    Delete /REBOOTOK "${DIR}\${NAME}.old"
  ${EndIf}
!macroend

!macro PUT_LOADED_DLL SOURCE DIR NAME
  !insertmacro MOVE_ASIDE_LOADED "${DIR}" "${NAME}"
  SetOutPath "${DIR}"
  File "/oname=${NAME}" "${SOURCE}"
!macroend

; The decoder's registration is the DLLs' own: the 64-bit one through its
; DllUnregisterServer in this process, the 32-bit one through the 32-bit
; regsvr32, since a 64-bit process cannot load it. Each removes exactly
; what it wrote.
!macro UNREGISTER_DECODERS
  ${If} ${FileExists} "$INSTDIR\wic\64-bit\tovak-wic.dll"
    UnRegDLL "$INSTDIR\wic\64-bit\tovak-wic.dll"
  ${EndIf}
  ${If} ${FileExists} "$INSTDIR\wic\32-bit\tovak-wic.dll"
  ${AndIf} ${FileExists} "$WINDIR\SysWOW64\regsvr32.exe"
    ExecWait '"$WINDIR\SysWOW64\regsvr32.exe" /s /u "$INSTDIR\wic\32-bit\tovak-wic.dll"'
  ${EndIf}
!macroend

; SHCNE_ASSOCCHANGED: Explorer rereads the extension's handlers, so .gim
; files get thumbnails without a new session.
!macro NOTIFY_SHELL
  System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'
!macroend

Section "tovak" SecMain
  SectionIn RO
  ; Over an earlier copy: its DLLs take back their registration first.
  !insertmacro UNREGISTER_DECODERS

  SetOutPath "$INSTDIR"
  File "${STAGE}\tovak.exe"
  File "${STAGE}\README.txt"
  File "${STAGE}\LICENSE.txt"
  File "${STAGE}\libspng-LICENSE.txt"
  File "${STAGE}\libsquish-LICENSE.txt"
  File "${STAGE}\winpthreads-LICENSE.txt"
  ; tovak.exe links libimagequant, and is distributed under its GPL.
  File "${STAGE}\libimagequant-LICENSE.txt"
  File "${STAGE}\GPL-3.0.txt"
  SetOutPath "$INSTDIR\plugins"
  File "${STAGE}\tovak.spi"
  File "${STAGE}\tovak.sph"
  ; The user's settings survive an upgrade.
  SetOverwrite off
  File "${STAGE}\tovak.ini"
  SetOverwrite on
  !insertmacro PUT_LOADED_DLL "${STAGE}\wic\64-bit\tovak-wic.dll" "$INSTDIR\wic\64-bit" "tovak-wic.dll"
  !insertmacro PUT_LOADED_DLL "${STAGE}\wic\32-bit\tovak-wic.dll" "$INSTDIR\wic\32-bit" "tovak-wic.dll"
  SetOutPath "$INSTDIR"

  ClearErrors
  RegDLL "$INSTDIR\wic\64-bit\tovak-wic.dll"
  ${If} ${Errors}
    DetailPrint "The WIC decoder for 64-bit programs could not be registered."
    MessageBox MB_ICONEXCLAMATION "The WIC decoder for 64-bit programs could not be registered." /SD IDOK
    SetErrorLevel 2
  ${EndIf}
  ${If} ${FileExists} "$WINDIR\SysWOW64\regsvr32.exe"
    StrCpy $0 "not run"
    ClearErrors
    ExecWait '"$WINDIR\SysWOW64\regsvr32.exe" /s "$INSTDIR\wic\32-bit\tovak-wic.dll"' $0
    ${If} ${Errors}
    ${OrIf} $0 != 0
      DetailPrint "The WIC decoder for 32-bit programs could not be registered ($0)."
      MessageBox MB_ICONEXCLAMATION "The WIC decoder for 32-bit programs could not be registered." /SD IDOK
      SetErrorLevel 2
    ${EndIf}
  ${EndIf}
  !insertmacro NOTIFY_SHELL

  WriteUninstaller "$INSTDIR\uninstall.exe"
  WriteRegStr HKLM "${PRODUCT_KEY}" "InstallDir" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "tovak"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\uninstall.exe,0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Add tovak.exe to PATH" SecPath
  Push $INSTDIR
  Call AddPathEntry
  Pop $0
  ; Only an entry this installer added is taken out again.
  ${If} $0 == 1
    WriteRegStr HKLM "${PRODUCT_KEY}" "PathEntry" "$INSTDIR"
  ${EndIf}
SectionEnd

Section "-finish"
  ; Unticked over an earlier copy that added the entry: it goes.
  ${IfNot} ${SectionIsSelected} ${SecPath}
    ReadRegStr $0 HKLM "${PRODUCT_KEY}" "PathEntry"
    ${If} $0 != ""
      Push $0
      Call RemovePathEntry
      DeleteRegValue HKLM "${PRODUCT_KEY}" "PathEntry"
    ${EndIf}
  ${EndIf}

  ; The viewer's copy of the plug-in, the earlier one removed when the
  ; folder or kind changed.
  ${If} $ViewerDir != ""
    ${If} $ViewerBits == 64
      StrCpy $1 "$ViewerDir\tovak.sph"
    ${Else}
      StrCpy $1 "$ViewerDir\tovak.spi"
    ${EndIf}
  ${Else}
    StrCpy $1 ""
  ${EndIf}
  ReadRegStr $0 HKLM "${PRODUCT_KEY}" "ViewerPlugin"
  ${If} $0 != ""
  ${AndIf} $0 != $1
    Delete /REBOOTOK $0
    DeleteRegValue HKLM "${PRODUCT_KEY}" "ViewerPlugin"
  ${EndIf}
  ${If} $1 != ""
    ${GetFileName} $1 $2
    !insertmacro MOVE_ASIDE_LOADED "$ViewerDir" "$2"
    CopyFiles /SILENT "$INSTDIR\plugins\$2" "$ViewerDir"
    WriteRegStr HKLM "${PRODUCT_KEY}" "ViewerPlugin" $1
  ${EndIf}

  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

; The remembered viewer folder, then the command line's choices.
Function .onInit
  ReadRegStr $ViewerDir HKLM "${PRODUCT_KEY}" "ViewerPlugin"
  StrCpy $ViewerBits 32
  ${If} $ViewerDir != ""
    ${GetFileExt} $ViewerDir $0
    ${IfThen} $0 == sph ${|} StrCpy $ViewerBits 64 ${|}
    ${GetParent} $ViewerDir $ViewerDir
  ${EndIf}
  ; NSIS cuts /D= off the command line and leaves the space before it.
  ${GetParameters} $R0
  ${Do}
    StrCpy $0 $R0 1 -1
    ${IfThen} $0 != " " ${|} ${ExitDo} ${|}
    StrCpy $R0 $R0 -1
  ${Loop}
  ClearErrors
  ${GetOptions} $R0 "/VIEWERDIR=" $0
  ${IfNot} ${Errors}
    StrCpy $ViewerDir $0
  ${EndIf}
  ClearErrors
  ${GetOptions} $R0 "/VIEWER=" $0
  ${IfNot} ${Errors}
    StrCpy $ViewerBits $0
  ${EndIf}
  ClearErrors
  ${GetOptions} $R0 "/NOPATH" $0
  ${IfNot} ${Errors}
    !insertmacro UnselectSection ${SecPath}
  ${EndIf}
FunctionEnd

!insertmacro MUI_FUNCTION_DESCRIPTION_BEGIN
  !insertmacro MUI_DESCRIPTION_TEXT ${SecMain} "The converter, the WIC decoder for Explorer, Photos and other programs, and the plug-ins."
  !insertmacro MUI_DESCRIPTION_TEXT ${SecPath} "Run tovak from any command prompt."
!insertmacro MUI_FUNCTION_DESCRIPTION_END

Section "Uninstall"
  !insertmacro UNREGISTER_DECODERS
  !insertmacro NOTIFY_SHELL

  ReadRegStr $0 HKLM "${PRODUCT_KEY}" "PathEntry"
  ${If} $0 != ""
    Push $0
    Call un.RemovePathEntry
  ${EndIf}
  ReadRegStr $0 HKLM "${PRODUCT_KEY}" "ViewerPlugin"
  ${If} $0 != ""
    Delete /REBOOTOK $0
  ${EndIf}

  ; tovak.ini stays when it is not the one installed.
  InitPluginsDir
  File "/oname=$PLUGINSDIR\tovak.ini" "${STAGE}\tovak.ini"
  StrCpy $R0 "$PLUGINSDIR\tovak.ini"
  StrCpy $R1 "$INSTDIR\plugins\tovak.ini"
  Call un.SameBytes
  ${If} $R2 == 1
    Delete "$INSTDIR\plugins\tovak.ini"
  ${EndIf}

  Delete "$INSTDIR\tovak.exe"
  Delete "$INSTDIR\README.txt"
  Delete "$INSTDIR\LICENSE.txt"
  Delete "$INSTDIR\libspng-LICENSE.txt"
  Delete "$INSTDIR\libsquish-LICENSE.txt"
  Delete "$INSTDIR\winpthreads-LICENSE.txt"
  Delete "$INSTDIR\libimagequant-LICENSE.txt"
  Delete "$INSTDIR\GPL-3.0.txt"
  Delete "$INSTDIR\plugins\tovak.spi"
  Delete "$INSTDIR\plugins\tovak.sph"
  Delete /REBOOTOK "$INSTDIR\wic\64-bit\tovak-wic.dll"
  Delete /REBOOTOK "$INSTDIR\wic\32-bit\tovak-wic.dll"
  Delete "$INSTDIR\uninstall.exe"
  ; Only folders left empty go; those that still hold a DLL in use go with
  ; it at the next restart.
  RMDir "$INSTDIR\plugins"
  ${If} ${RebootFlag}
    RMDir /REBOOTOK "$INSTDIR\wic\64-bit"
    RMDir /REBOOTOK "$INSTDIR\wic\32-bit"
    RMDir /REBOOTOK "$INSTDIR\wic"
    RMDir /REBOOTOK "$INSTDIR"
  ${Else}
    RMDir "$INSTDIR\wic\64-bit"
    RMDir "$INSTDIR\wic\32-bit"
    RMDir "$INSTDIR\wic"
    RMDir "$INSTDIR"
  ${EndIf}

  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  DeleteRegKey HKLM "${PRODUCT_KEY}"
SectionEnd
