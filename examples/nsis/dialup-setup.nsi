; An NSIS 3 installer that uses the dial-up kit: it lists the phonebook,
; lets the user pick a modem, merges its profile into the user's and records
; the modem there.
;
;   makensis -DARCH=x86 dialup-setup.nsi    (the x86 package's kit)
;   makensis -DARCH=x64 dialup-setup.nsi    (the x64 package's kit)
;
; Optional: -DKIT_BIN=<folder with Dialkit.dll and profmerge.exe> (default:
; the package's bin folder) and -DOUTFILE=<installer.exe>. Run the installer
; with /S to install silently (the picker still asks for the modem) and
; /D=<folder> to choose $INSTDIR.

Unicode true
!include LogicLib.nsh
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
; Shown on the details page and kept in the log.
!macro Log text
  DetailPrint "${text}"
  FileWrite $9 "${text}$\r$\n"
!macroend

Section
  SetOutPath "$INSTDIR"
  FileOpen $9 "${LOG}" w
  ; The kit runs from the plug-in folder, which is deleted when the installer ends.
  InitPluginsDir
  File "/oname=$PLUGINSDIR\Dialkit.dll" "${KIT_BIN}\Dialkit.dll"
  File "/oname=$PLUGINSDIR\profmerge.exe" "${KIT_BIN}\profmerge.exe"
  File "/oname=$PLUGINSDIR\dialup.ini" "dialup.ini"
  !insertmacro Log "Kit unpacked into $PLUGINSDIR"

  ; Both list functions are stdcall and fill two 8-bit buffers of at least
  ; 1024 bytes: "m" gives each a zeroed 1024-byte ANSI buffer and converts
  ; it into the NSIS variable afterwards.
  ; ListRASConnections: 0 and the entries, each ended by "\n"; -1 without a
  ; remote-access service; 621 without a phonebook; else an error and $1.
  System::Call '$PLUGINSDIR\Dialkit.dll::ListRASConnections(m .r0, m .r1) i .r2'
  !insertmacro Log "Phonebook (result $2):$\r$\n$0$1"

  ; ListTAPIModems shows the picker: 1 and the chosen name (or "CANCEL");
  ; 0 without a modem; -1 without a telephony service; else an error and $1.
  ; "?u" unloads Dialkit after this last call, so that its folder can go.
  System::Call '$PLUGINSDIR\Dialkit.dll::ListTAPIModems(m .r3, m .r1) i .r4 ?u'
  !insertmacro Log "Modem (result $4): $3$1"

  ; profmerge: quote each path that may hold a space, and give full paths
  ; (a bare file name would be looked up in the Windows folder).
  ExecWait '"$PLUGINSDIR\profmerge.exe" -src:"$PLUGINSDIR\dialup.ini" -target:"${PROFILE}"' $5
  !insertmacro Log "Profile merged into ${PROFILE} (exit code $5)"

  ; Record the choice; Cancel, or OK on an empty list, keeps what the
  ; profile held.
  ${If} $4 == 1
  ${AndIf} $3 != ""
  ${AndIf} $3 != "CANCEL"
    WriteINIStr "${PROFILE}" "Modem" "Name" "$3"
    !insertmacro Log "Recorded Modem/Name=$3"
  ${EndIf}
  FileClose $9
SectionEnd
