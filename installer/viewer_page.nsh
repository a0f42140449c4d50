; The optional page on which the user names an image viewer's plug-in folder
; and the kind of viewer: 32-bit viewers load tovak.spi, 64-bit ones
; tovak.sph. The folder is left empty to copy nothing. Silent installs take
; the same choice from /VIEWERDIR= and /VIEWER=32 or /VIEWER=64.

Var ViewerDir
Var ViewerBits
Var ViewerDirField
Var Viewer32Button
Var Viewer64Button

Function ViewerPage
  !insertmacro MUI_HEADER_TEXT "Plug-in for an image viewer" \
    "Copy tovak's plug-in into a viewer's plug-in folder (optional)."
  nsDialogs::Create 1018
  Pop $0
  ${NSD_CreateLabel} 0 0 100% 36u "If you use an image viewer that takes $\"00IN$\" import \
    plug-ins, name its plug-in folder and the kind of viewer, and the plug-in is copied \
    there (and removed again with tovak). Leave the folder empty to skip this; the plug-ins \
    are in the plugins folder of the installation either way."
  Pop $0
  ${NSD_CreateDirRequest} 0 40u 78% 12u "$ViewerDir"
  Pop $ViewerDirField
  ${NSD_CreateBrowseButton} 80% 39u 20% 14u "Browse..."
  Pop $0
  ${NSD_OnClick} $0 ViewerBrowse
  ${NSD_CreateRadioButton} 0 60u 100% 12u "32-bit viewer (tovak.spi)"
  Pop $Viewer32Button
  ${NSD_CreateRadioButton} 0 74u 100% 12u "64-bit viewer (tovak.sph)"
  Pop $Viewer64Button
  ${If} $ViewerBits == 64
    ${NSD_Check} $Viewer64Button
  ${Else}
    ${NSD_Check} $Viewer32Button
  ${EndIf}
  nsDialogs::Show
FunctionEnd

Function ViewerBrowse
  ${NSD_GetText} $ViewerDirField $0
  nsDialogs::SelectFolderDialog "The viewer's plug-in folder" $0
  Pop $0
  ${If} $0 != error
    ${NSD_SetText} $ViewerDirField $0
  ${EndIf}
FunctionEnd

Function ViewerPageLeave
  ${NSD_GetText} $ViewerDirField $ViewerDir
  ${NSD_GetState} $Viewer64Button $0
  ${If} $0 == ${BST_CHECKED}
    StrCpy $ViewerBits 64
  ${Else}
    StrCpy $ViewerBits 32
  ${EndIf}
  ${If} $ViewerDir != ""
  ${AndIfNot} ${FileExists} "$ViewerDir\*.*"
    MessageBox MB_ICONEXCLAMATION "There is no folder $ViewerDir."
    Abort
  ${EndIf}
FunctionEnd
