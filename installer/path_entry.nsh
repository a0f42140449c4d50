; One folder in the machine's PATH, added once and taken out again exactly.
; NSIS has no PATH functions of its own. Windows keeps the machine's PATH as
; the REG_EXPAND_SZ value Path of the Environment key, entries separated by
; ';' and compared without regard to case (as StrCmp and LogicLib's == do).
;
; NSIS strings hold NSIS_MAX_STRLEN characters. ReadRegStr fails on a longer
; value rather than cutting it, and then these functions leave PATH alone:
; writing back a shortened PATH would break other programs.

!define PATH_KEY "SYSTEM\CurrentControlSet\Control\Session Manager\Environment"

!macro PATH_ENTRY_FUNCTIONS un
; $R1 without every entry equal to $R0, into $R2; $R3 counts those entries.
; Empty entries and the order of the rest stay as they were.
Function ${un}PathWithout
  Push $R4
  Push $R5
  Push $R6
  StrCpy $R2 ""
  StrCpy $R3 0
  StrCpy $R4 ""
  StrCpy $R5 0
  ${Do}
    StrCpy $R6 $R1 1 $R5
    ${If} $R6 == ";"
    ${OrIf} $R6 == ""
      ${If} $R4 == $R0
        IntOp $R3 $R3 + 1
      ${Else}
        StrCpy $R2 "$R2;$R4"
      ${EndIf}
      StrCpy $R4 ""
      ${IfThen} $R6 == "" ${|} ${ExitDo} ${|}
    ${Else}
      StrCpy $R4 "$R4$R6"
    ${EndIf}
    IntOp $R5 $R5 + 1
  ${Loop}
  ; Every kept entry was written after a ';'.
  StrCpy $R2 $R2 "" 1
  Pop $R6
  Pop $R5
  Pop $R4
FunctionEnd

; Takes the folder on the stack out of PATH and tells running programs.
Function ${un}RemovePathEntry
  Exch $R0
  Push $R1
  Push $R2
  Push $R3
  ClearErrors
  ReadRegStr $R1 HKLM "${PATH_KEY}" Path
  ${If} ${Errors}
    DetailPrint "PATH left as it was: it is longer than this program can edit."
  ${Else}
    Call ${un}PathWithout
    ${If} $R3 > 0
      WriteRegExpandStr HKLM "${PATH_KEY}" Path $R2
      SendMessage ${HWND_BROADCAST} ${WM_SETTINGCHANGE} 0 "STR:Environment" /TIMEOUT=5000
    ${EndIf}
  ${EndIf}
  Pop $R3
  Pop $R2
  Pop $R1
  Pop $R0
FunctionEnd
!macroend

; Adds the folder on the stack to the end of PATH unless it is there
; already; leaves 1 on the stack when it added it, else 0.
Function AddPathEntry
  Exch $R0
  Push $R1
  Push $R2
  Push $R3
  StrCpy $R3 0
  ClearErrors
  ReadRegStr $R1 HKLM "${PATH_KEY}" Path
  ${If} ${Errors}
    DetailPrint "PATH left as it was: it is longer than this program can edit."
    MessageBox MB_ICONEXCLAMATION "The system PATH is too long for this installer to edit; add $R0 to it yourself to run tovak from any folder." /SD IDOK
  ${Else}
    Call PathWithout
    StrLen $R2 "$R1;$R0"
    ${If} $R3 > 0
      StrCpy $R3 0
    ${ElseIf} $R2 >= ${NSIS_MAX_STRLEN}
      DetailPrint "PATH left as it was: adding $R0 would make it longer than this program can edit."
    ${Else}
      ; A PATH that is empty or ends in ';' takes the folder without another.
      StrCpy $R2 $R1 "" -1
      ${If} $R1 == ""
      ${OrIf} $R2 == ";"
        WriteRegExpandStr HKLM "${PATH_KEY}" Path "$R1$R0"
      ${Else}
        WriteRegExpandStr HKLM "${PATH_KEY}" Path "$R1;$R0"
      ${EndIf}
      SendMessage ${HWND_BROADCAST} ${WM_SETTINGCHANGE} 0 "STR:Environment" /TIMEOUT=5000
      StrCpy $R3 1
    ${EndIf}
  ${EndIf}
  StrCpy $R0 $R3
  Pop $R3
  Pop $R2
  Pop $R1
  Exch $R0
FunctionEnd
