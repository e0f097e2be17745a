; An NSIS 3 installer that uses the dial-up kit: it lists the phonebook,
; lets the user pick a modem, merges its profile into the user's and records
; the modem there.
;
;   makensis -DARCH=x86 dialup-setup.nsi    (the x86 package's kit)
;   makensis -DARCH=x64 dialup-setup.nsi    (the x64 package's kit)
;
; Optional: -DKIT_BIN=<folder with Dialkit.dll and profmerge.exe> (default:
; the package's bin folder) and -DOUTFILE=<installer.exe>. Run the installer
; with /S to install silently: no dialog, the modem named by
; /MODEM="<name>" when it is listed, else the first one listed. /D=<folder>
; (last on the line) chooses $INSTDIR.

Unicode true
!include LogicLib.nsh
!include FileFunc.nsh
!ifndef ARCH
  !define ARCH x86
!endif
!ifndef KIT_BIN
  !define KIT_BIN "..\..\bin"
!endif
!ifndef OUTFILE
  !define OUTFILE "dialup-setup-${ARCH}.exe"
!endif
!if "${ARCH}" == "x64"
  Target amd64-unicode
  InstallDir "$PROGRAMFILES64\Dialup Example"
!else
  Target x86-unicode
  InstallDir "$PROGRAMFILES\Dialup Example"
!endif

Name "Dialup Example"
OutFile "${OUTFILE}"
RequestExecutionLevel admin
ShowInstDetails show
Page directory
Page instfiles

!define PROFILE "$INSTDIR\dialup.ini"
!define LOG "$INSTDIR\dialup-setup.log"
; Shown on the details page and kept in the log. The log is UTF-16 with a
; byte-order mark: FileWrite would write the ANSI code page, which turns a
; phonebook entry in another script into question marks.
!macro Log text
  DetailPrint "${text}"
  FileWriteUTF16LE $9 "${text}$\r$\n"
!macroend

Section
  SetOutPath "$INSTDIR"
  FileOpen $9 "${LOG}" w
  FileWriteUTF16LE /BOM $9 ""
  ; The kit runs from the plug-in folder, which is deleted when the installer ends.
  InitPluginsDir
  File "/oname=$PLUGINSDIR\Dialkit.dll" "${KIT_BIN}\Dialkit.dll"
  File "/oname=$PLUGINSDIR\profmerge.exe" "${KIT_BIN}\profmerge.exe"
  File "/oname=$PLUGINSDIR\dialup.ini" "dialup.ini"
  !insertmacro Log "Kit unpacked into $PLUGINSDIR"

  ; The wide list functions are stdcall and fill two buffers of at least
  ; 1024 WCHARs: "w" gives each a zeroed buffer of NSIS's string size (1024
  ; characters) and copies it into the variable afterwards. Names in any
  ; script arrive as they are. (An ANSI build of NSIS calls the 8-bit
  ; exports, without the W, with "m" buffers.)
  ; ListRASConnectionsW: 0 and the entries, each ended by "\n"; -1 without a
  ; remote-access service; 621 without a phonebook; else an error and $1.
  System::Call '$PLUGINSDIR\Dialkit.dll::ListRASConnectionsW(w .r0, w .r1) i .r2'
  !insertmacro Log "Phonebook (result $2):$\r$\n$0$1"

  ; "?u" unloads Dialkit after this last call, so that its folder can go.
  StrCpy $7 ""
  ${If} ${Silent}
    ; No one to ask: ListTAPIModemsQuietW shows no dialog. The number of data
    ; modems and their names, each ended by "\n", in the service's order;
    ; -1 without a telephony service; else an error and $1.
    System::Call '$PLUGINSDIR\Dialkit.dll::ListTAPIModemsQuietW(w .r3, w .r1) i .r4 ?u'
    !insertmacro Log "Modems (result $4):$\r$\n$3$1"
    ${If} $4 > 0
      ${GetParameters} $6
      ${GetOptions} $6 "/MODEM=" $6
      Call ChooseListedModem
      ${If} $6 != ""
      ${AndIf} $6 != $7
        !insertmacro Log "/MODEM=$6 is not listed"
      ${EndIf}
      !insertmacro Log "Modem chosen: $7"
    ${EndIf}
  ${Else}
    ; ListTAPIModemsW shows the picker: 1 and the chosen name (or "CANCEL");
    ; 0 without a modem; -1 without a telephony service; else an error and $1.
    System::Call '$PLUGINSDIR\Dialkit.dll::ListTAPIModemsW(w .r3, w .r1) i .r4 ?u'
    !insertmacro Log "Modem (result $4): $3$1"
    ; Cancel, or OK on an empty list, keeps what the profile held.
    ${If} $4 == 1
    ${AndIf} $3 != "CANCEL"
      StrCpy $7 $3
    ${EndIf}
  ${EndIf}

  ; profmerge: quote each path that may hold a space, and give full paths
  ; (a bare file name would be looked up in the Windows folder).
  ExecWait '"$PLUGINSDIR\profmerge.exe" -src:"$PLUGINSDIR\dialup.ini" -target:"${PROFILE}"' $5
  !insertmacro Log "Profile merged into ${PROFILE} (exit code $5)"

  ${If} $7 != ""
    WriteINIStr "${PROFILE}" "Modem" "Name" "$7"
    !insertmacro Log "Recorded Modem/Name=$7"
  ${EndIf}
  FileClose $9
SectionEnd

; $7 = the line of the quiet list $3 that is $6 (the /MODEM= name, letter
; case aside), else its first non-empty line.
Function ChooseListedModem
  StrCpy $R0 0
  StrCpy $R2 ""
  ${Do}
    StrCpy $R1 $3 1 $R0
    IntOp $R0 $R0 + 1
    ${If} $R1 == "$\n"
    ${OrIf} $R1 == ""
      ${If} $R2 != ""
        ${If} $7 == ""
        ${OrIf} $R2 == $6
          StrCpy $7 $R2
        ${EndIf}
        ${IfThen} $R2 == $6 ${|} ${Break} ${|}
      ${EndIf}
      StrCpy $R2 ""
    ${Else}
      StrCpy $R2 "$R2$R1"
    ${EndIf}
  ${LoopUntil} $R1 == ""
FunctionEnd
