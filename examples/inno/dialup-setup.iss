; An Inno Setup 6 installer that uses the dial-up kit: it lists the
; phonebook, lets the user pick a modem, merges its profile into the user's
; and records the modem there. Inno Setup builds 32-bit setups: it takes the
; x86 kit.
;
;   ISCC.exe dialup-setup.iss                  (the x86 package's kit)
;   ISCC.exe /DKIT_BIN=<folder> dialup-setup.iss
;
; KIT_BIN is the folder with Dialkit.dll and profmerge.exe (default: the
; package's bin folder). Run the setup with /SILENT or /VERYSILENT to
; install without the picker: the modem named by /MODEM="<name>" when it is
; listed, else the first one listed. /PROFILE="<file>" merges into another
; profile than {app}\dialup.ini. /LOG="<file>" keeps Setup's log, which
; holds what the kit answered. A merge that fails stops the setup with a
; message naming the error (exit code 3); add /SUPPRESSMSGBOXES to a silent
; run so that the message goes to the log only.

#ifndef KIT_BIN
  #define KIT_BIN "..\..\bin"
#endif

[Setup]
AppName=Dialup Example
AppVersion=1.0.0
; Per user, without elevation. {autopf} would be the usual folder, but
; Wine 8 cannot expand it for a per-user setup; {localappdata} exists on
; every Windows and under Wine.
PrivilegesRequired=lowest
DefaultDirName={localappdata}\Dialup Example
DisableDirPage=yes
DisableProgramGroupPage=yes
Uninstallable=no
SetupLogging=yes
OutputBaseFilename=dialup-setup-inno

[Files]
; Never installed: Setup unpacks them into its temporary folder ({tmp}),
; deleted when it ends. Dialkit.dll is unpacked by its first call.
Source: "{#KIT_BIN}\Dialkit.dll"; Flags: dontcopy
Source: "{#KIT_BIN}\profmerge.exe"; Flags: dontcopy
Source: "..\nsis\dialup.ini"; Flags: dontcopy

[Code]
// The wide list functions are stdcall and fill two buffers of at least
// 1024 WCHARs, so names in any script arrive as they are. A String
// argument hands over a pointer to its characters: give each call a string
// of 1024 NUL characters and cut what it wrote at the first NUL. delayload:
// Dialkit is loaded by the first call.
function ListRASConnectionsW(List, ErrorText: String): Integer;
  external 'ListRASConnectionsW@files:Dialkit.dll stdcall delayload';
function ListTAPIModemsW(List, ErrorText: String): Integer;
  external 'ListTAPIModemsW@files:Dialkit.dll stdcall delayload';
function ListTAPIModemsQuietW(List, ErrorText: String): Integer;
  external 'ListTAPIModemsQuietW@files:Dialkit.dll stdcall delayload';

const
  BufferSize = 1024;

function CutAtNul(const Buffer: String): String;
var
  P: Integer;
begin
  P := Pos(#0, Buffer);
  if P > 0 then
    Result := Copy(Buffer, 1, P - 1)
  else
    Result := Buffer;
end;

// Logs each line of Text on its own.
procedure LogLines(Text: String);
var
  P: Integer;
begin
  StringChangeEx(Text, #13, '', True);
  while Text <> '' do begin
    P := Pos(#10, Text);
    if P = 0 then
      P := Length(Text) + 1;
    Log(Copy(Text, 1, P - 1));
    Delete(Text, 1, P);
  end;
end;

// The line of List (each ended by #10) that is Wanted, letter case aside,
// else the first one.
function ChooseListedModem(List, Wanted: String): String;
var
  P: Integer;
  Line: String;
begin
  Result := '';
  while List <> '' do begin
    P := Pos(#10, List);
    if P = 0 then
      P := Length(List) + 1;
    Line := Copy(List, 1, P - 1);
    Delete(List, 1, P);
    if Line <> '' then begin
      if Result = '' then
        Result := Line;
      if CompareText(Line, Wanted) = 0 then begin
        Result := Line;
        Exit;
      end;
    end;
  end;
end;

function Profile: String;
begin
  Result := ExpandConstant('{param:PROFILE|}');
  if Result = '' then
    Result := ExpandConstant('{app}\dialup.ini');
end;

// Modem chosen, or '' to keep what the profile holds.
function AskForModem: String;
var
  List, Report: String;
  Count: Integer;
  Wanted: String;
begin
  Result := '';
  List := StringOfChar(#0, BufferSize);
  Report := StringOfChar(#0, BufferSize);
  if WizardSilent then begin
    // No one to ask: no dialog. The number of data modems and their names,
    // each ended by #10, in the service's order; -1 without a telephony
    // service; else an error and its report.
    Count := ListTAPIModemsQuietW(List, Report);
    LogLines(Format('Modems (result %d):', [Count]) + #10 + CutAtNul(List) + CutAtNul(Report));
    if Count > 0 then begin
      Wanted := ExpandConstant('{param:MODEM|}');
      Result := ChooseListedModem(CutAtNul(List), Wanted);
      if (Wanted <> '') and (CompareText(Wanted, Result) <> 0) then
        Log('/MODEM=' + Wanted + ' is not listed');
      Log('Modem chosen: ' + Result);
    end;
  end else begin
    // The picker: 1 and the chosen name (or CANCEL); 0 without a modem;
    // -1 without a telephony service; else an error and its report.
    Count := ListTAPIModemsW(List, Report);
    Log(Format('Modem (result %d): %s%s', [Count, CutAtNul(List), CutAtNul(Report)]));
    if (Count = 1) and (CutAtNul(List) <> 'CANCEL') then
      Result := CutAtNul(List);
  end;
end;

// Stops Setup: the message is shown (when silent with /SUPPRESSMSGBOXES,
// only logged), and Abort ends the installation step.
procedure Fail(Text: String);
begin
  SuppressibleMsgBox(Text, mbCriticalError, MB_OK, IDOK);
  Abort;
end;

procedure RunKit;
var
  List, Report: String;
  Status, ExitCode: Integer;
  Modem, Source, Target: String;
begin
  Log('Kit unpacked into ' + ExpandConstant('{tmp}'));
  // 0 and the entries, each ended by #10; -1 without a remote-access
  // service; 621 without a phonebook; else an error and its report.
  List := StringOfChar(#0, BufferSize);
  Report := StringOfChar(#0, BufferSize);
  Status := ListRASConnectionsW(List, Report);
  LogLines(Format('Phonebook (result %d):', [Status]) + #10 + CutAtNul(List) + CutAtNul(Report));
  Modem := AskForModem;
  // The last call: unloading lets Setup delete its temporary folder.
  UnloadDLL(ExpandConstant('{tmp}\Dialkit.dll'));

  // Quote each path and give full ones: a bare file name would be looked
  // up in the Windows folder.
  ExtractTemporaryFile('profmerge.exe');
  ExtractTemporaryFile('dialup.ini');
  Source := ExpandConstant('{tmp}\dialup.ini');
  Target := Profile;
  if not Exec(ExpandConstant('{tmp}\profmerge.exe'), '-src:"' + Source + '" -target:"' + Target + '"',
              '', SW_HIDE, ewWaitUntilTerminated, ExitCode) then
    Fail(Format('profmerge could not be started: error %d, %s', [ExitCode, SysErrorMessage(ExitCode)]));
  Log(Format('Profile merged into %s (exit code %d)', [Target, ExitCode]));
  // A non-zero exit code is the Windows error of a source that could not be
  // read or of a write that the profile service refused: the merge did not
  // complete, so neither does Setup.
  if ExitCode <> 0 then
    Fail(Format('The profile %s could not be updated: error %d, %s', [Target, ExitCode, SysErrorMessage(ExitCode)]));

  if Modem <> '' then begin
    if not SetIniString('Modem', 'Name', Modem, Target) then
      Fail('The modem could not be recorded in ' + Target);
    Log('Recorded Modem/Name=' + Modem);
  end;
end;

// Abort here stops Setup before it installs anything.
procedure CurStepChanged(CurStep: TSetupStep);
begin
  if CurStep = ssInstall then begin
    // The default profile lives in the installation folder, which Setup
    // creates only later.
    ForceDirectories(ExpandConstant('{app}'));
    RunKit;
  end;
end;
