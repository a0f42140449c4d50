; Whether two files hold the same bytes: the uninstaller keeps a tovak.ini
; that differs from the one it installed, since the user changed it.

; Compares the files $R0 and $R1; $R2 is 1 when both exist and are equal.
Function un.SameBytes
  Push $R3
  Push $R4
  Push $R5
  Push $R6
  StrCpy $R2 0
  ClearErrors
  FileOpen $R3 $R0 r
  FileOpen $R4 $R1 r
  ${IfNot} ${Errors}
    FileSeek $R3 0 END $R5
    FileSeek $R4 0 END $R6
    ${If} $R5 == $R6
      FileSeek $R3 0 SET
      FileSeek $R4 0 SET
      StrCpy $R2 1
      ${Do}
        ClearErrors
        FileReadByte $R3 $R5
        ${IfThen} ${Errors} ${|} ${ExitDo} ${|}
        FileReadByte $R4 $R6
        ${If} $R5 != $R6
          StrCpy $R2 0
          ${ExitDo}
        ${EndIf}
      ${Loop}
    ${EndIf}
  ${EndIf}
  FileClose $R3
  FileClose $R4
  Pop $R6
  Pop $R5
  Pop $R4
  Pop $R3
FunctionEnd
