#!/bin/sh
# The example installers (examples/nsis, examples/inno, examples/msi), run
# under Wine against the simulated services: interactively, their buttons
# and the picker answered from another process as a user would, or
# silently, when they list the modems without a dialog. Checks what the
# user saw, the merged profile, what the installer recorded, and that a
# refused merge fails the installation.
#
# Usage: installer_test.sh BUILDER CASE ARCH INSTALLER BIN_DIR SIM_DIR
#   BUILDER nsis, inno (Inno Setup, x86: INSTALLER is built first when it
#         is older than its inputs; ISCC names ISCC.exe) or msi (Windows
#         Installer: the package merges the profile only, without Dialkit).
#   CASE  interactive: ok: choose an item and press OK; cancel: press Cancel.
#         silent: no-modem: no telephony device; silent: the first modem
#         listed; silent-modem: /MODEM= names a listed one; silent-unlisted:
#         /MODEM= names one that is not listed (the first one is taken);
#         refused: silent, the profile to merge into is in a missing folder.
#   ARCH  x86 or x64, the installer's and the programs' in BIN_DIR.
# Environment: WINE (the command that runs this build's programs) and
# WINEPREFIX, whose wineserver is up (the test fixture).
set -eu
builder=$1 case=$2 arch=$3 installer=$4 bin=$5 sims=$6
here=$(cd "$(dirname "$0")" && pwd)
: "${WINE:?}" "${WINEPREFIX:?}"

work=$WINEPREFIX-installer/$builder-$case
rm -rf "$work"
mkdir -p "$work/Dialup Example"
windows_path() { printf 'Z:%s' "$1" | tr / '\\'; }

# Dialkit binds the services from the system folder only.
sh "$here/../tools/install-services.sh" "$arch" "$sims"

devices=4
[ "$case" = no-modem ] && devices=0
# The services' texts are UTF-8 here: a phonebook entry in another script
# must reach the installer's log as it is.
cat >"$work/services.ini" <<INI
[sim]
Utf8=1
[ras]
Entries=3
Entry1=Office VPN
Entry2=Home ISP
Entry3=Σύνδεση γραφείου
[tapi]
Devices=$devices
[device0]
Name=Standard 56000 bps Modem
[device1]
Name=Voice line
MediaModes=4
[device2]
Name=ISDN Terminal Adapter
[device3]
Name=Cellular Data Modem
INI
export SIMSERVICE_SCENARIO="$(windows_path "$work/services.ini")"

# What the user already has: the merge must keep what the shipped profile
# lacks and overwrite what it holds differently.
profile="$work/Dialup Example/dialup.ini"
printf '[Setup]\r\nLanguage=FRENCH\r\nUser=Marie\r\n[Modem]\r\nPort=COM1\r\nVolume=3\r\nName=Old modem\r\n' >"$profile"

# A temporary folder with spaces, as older Windows had, so that the paths
# of the plug-in folder (Dialkit, profmerge, the shipped profile) have them
# too. The user's settings go back afterwards: other tests share the prefix.
mkdir -p "$work/Local Settings/Temp"
$WINE reg export 'HKCU\Environment' "$(windows_path "$work/environment.reg")" /y >/dev/null 2>&1
trap '$WINE reg import "$(windows_path "$work/environment.reg")" >/dev/null 2>&1' EXIT
temp=$(windows_path "$work/Local Settings/Temp" | sed 's/\\/\\\\/g')
printf 'REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Environment]\r\n"TEMP"="%s"\r\n"TMP"="%s"\r\n' \
  "$temp" "$temp" >"$work/temp.reg"
$WINE reg import "$(windows_path "$work/temp.reg")" >/dev/null 2>&1

interactive=false
case $case in
  ok)              interactive=true; set -- --choose "ISDN Terminal Adapter" ;;
  cancel)          interactive=true; set -- --cancel ;;
  no-modem|silent) set -- /S ;;
  # Unquoted, like /D=: the value runs up to the next option.
  silent-modem)    set -- /S /MODEM=Cellular Data Modem ;;
  silent-unlisted) set -- /S /MODEM=Voice line ;;
  refused)         set -- /S ;;
esac
if [ "$builder" = inno ]; then
  sh "$here/../tools/inno-compile.sh" "$WINE" "${ISCC:?}" "$bin" "$installer"
fi
if $interactive; then
  case $builder in
    inno) set -- "$@" --installer "Setup - Dialup Example" --finish Finish ;;
    *)    set -- "$@" --installer "Dialup Example Setup" ;;
  esac
  $WINE "$bin/pickeranswer.exe" "$@" --timeout 60000 >"$work/answer.txt" 2>&1 &
  answerer=$!
  set --
fi
missing=$(windows_path "$work/Missing/dialup.ini")
status=0
case $builder in
  nsis)
    # NSIS takes /D= unquoted and last, spaces included: word splitting turns
    # the path into separate arguments that Wine joins back with single spaces.
    timeout 120 $WINE "$installer" "$@" /D=$(windows_path "$work/Dialup Example") >"$work/installer.txt" 2>&1 || status=$?
    log="$work/Dialup Example/dialup-setup.log" ;;
  inno)
    # Silent: Inno Setup's /SILENT, its message boxes answered by their
    # default. The script reads /MODEM= and /PROFILE= as {param:...}.
    case $case in
      silent-modem) set -- /SILENT /SUPPRESSMSGBOXES "/MODEM=Cellular Data Modem" ;;
      refused)      set -- /SILENT /SUPPRESSMSGBOXES "/PROFILE=$missing" ;;
    esac
    timeout 120 $WINE "$installer" "$@" \
      "/DIR=$(windows_path "$work/Dialup Example")" "/LOG=$(windows_path "$work/setup.log")" \
      >"$work/installer.txt" 2>&1 || status=$?
    log="$work/setup.log" ;;
  msi)
    # msiexec's exit code does not fit in a Unix one: debugrun reads it.
    # The installation folder and the profile are public properties.
    profile_property="$(windows_path "$work/Dialup Example/dialup.ini")"
    [ "$case" = refused ] && profile_property=$missing
    timeout 120 $WINE "$bin/debugrun.exe" msiexec /i "$(windows_path "$installer")" /qn \
      "INSTALLDIR=$(windows_path "$work/Kit Files")" "PROFILE=$profile_property" \
      /l*v "$(windows_path "$work/msi.log")" >"$work/installer.txt" 2>&1 || status=$?
    status=$(tr -d '\r' <"$work/installer.txt" | sed -n 's/^exit code: //p')
    log="$work/msi.log" ;;
esac
if $interactive; then
  # With the installer gone there is nothing left to answer: a pickeranswer
  # still waiting for the picker would only wait out its timeout.
  kill $answerer 2>/dev/null || true
  wait $answerer 2>/dev/null || true
  tr -d '\r' <"$work/answer.txt"
fi

failures=0
expect() {
  if [ "$2" != "$3" ]; then
    printf '%s: got "%s", expected "%s"\n' "$1" "$2" "$3"
    failures=$((failures + 1))
  fi
}
# A profile value as the file holds it ("(absent)" when missing).
value() {
  tr -d '\r' <"$profile" | awk -v section="[$1]" -v key="$2" '
    /^\[/ { inside = ($0 == section); next }
    inside && index($0, key "=") == 1 { print substr($0, length(key) + 2); found = 1; exit }
    END { if (!found) print "(absent)" }'
}
# The installer's log in UTF-8, without the time stamps Inno Setup puts
# first. The NSIS example writes UTF-16, Inno Setup UTF-8, each with a
# byte-order mark.
logtext() {
  if [ -n "$log" ] && [ -f "$log" ]; then
    if [ "$builder" = nsis ]; then iconv -f UTF-16 -t UTF-8 <"$log"; else cat "$log"; fi |
      tr -d '\r' | sed 's/^[0-9]\{4\}-[0-9-]* [0-9:.]*   //'
  fi
}
logged() { logtext | grep -c -x -F "$1" || true; }

refused=false
[ "$case" = refused ] && refused=true
expected_status=0
case $builder-$case in
  inno-refused) expected_status=3 ;;      # Inno Setup: stopped before installing
  msi-refused)  expected_status=1627 ;;   # Wine's code; 1603 on Windows
esac
expect "installer exit code" "$status" $expected_status
if [ "$builder" != msi ]; then
  # Unpacked under the temporary folder with spaces, and gone at the end.
  plugins=$(logtext | sed -n 's/^Kit unpacked into //p')
  expect "plug-in folder" "${plugins%\\*}" "$(windows_path "$work/Local Settings/Temp")"
  expect "plug-in folder left behind" "$(ls "$work/Local Settings/Temp")" ""
  expect "phonebook in the log" "$(logged 'Phonebook (result 0):')$(logged 'Office VPN')$(logged 'Home ISP')$(logged 'Σύνδεση γραφείου')" 1111
fi
modems="Standard 56000 bps Modem|ISDN Terminal Adapter|Cellular Data Modem|"
if $interactive; then
  # The data modems only, sorted, the first one selected.
  expect "picker items" "$(tr -d '\r' <"$work/answer.txt" | grep '^item' | tr '\n' '|')" \
    "item*: Cellular Data Modem|item: ISDN Terminal Adapter|item: Standard 56000 bps Modem|"
  expect "installer's buttons" "$(tr -d '\r' <"$work/answer.txt" | grep -c '^installer: pressing')" 2
elif [ "$case" != no-modem ] && [ "$builder" != msi ]; then
  # The data modems only, in the service's order.
  expect "modems in the log" "$(logged 'Modems (result 3):')$(logtext | grep -x -F \
    -e 'Standard 56000 bps Modem' -e 'ISDN Terminal Adapter' -e 'Cellular Data Modem' -e 'Voice line' |
    tr '\n' '|')" "1$modems"
fi
case $builder-$case in
  msi-*)           line=""; name="Old modem" ;;
  *-ok)            line="Modem (result 1): ISDN Terminal Adapter"; name="ISDN Terminal Adapter" ;;
  *-cancel)        line="Modem (result 1): CANCEL"; name="Old modem" ;;
  *-no-modem)      line="Modems (result 0):"; name="Old modem" ;;
  *-silent-modem)  line="Modem chosen: Cellular Data Modem"; name="Cellular Data Modem" ;;
  *-refused)       line="Modem chosen: Standard 56000 bps Modem"; name="Old modem" ;;
  *-silent|*-silent-unlisted)
                   line="Modem chosen: Standard 56000 bps Modem"; name="Standard 56000 bps Modem" ;;
esac
[ -z "$line" ] || expect "modem in the log" "$(logged "$line")" 1
expect "unlisted /MODEM= in the log" "$(logged "/MODEM=Voice line is not listed")" \
  "$([ "$case" = silent-unlisted ] && echo 1 || echo 0)"
expect "Modem/Name" "$(value Modem Name)" "$name"
if $refused; then
  # The merge went to a folder that does not exist: nothing was written,
  # and the installer says why.
  expect "missing folder" "$(ls -d "$work/Missing" 2>/dev/null || true)" ""
  expect "Modem/Port" "$(value Modem Port)" COM1
  expect "Modem/Speed" "$(value Modem Speed)" "(absent)"
  if [ "$builder" = msi ]; then
    # The first action that did not end in success (1): Windows logs 3 for
    # a failure, Wine 0.
    expect "failed action in the log" "$(logtext | sed -n 's/^Action ended .*: \([^ ]*\)\. Return value \([0-9]*\)\.$/\1 \2/p' |
      awk '$2 != 1 { print $1; exit }')" MergeProfile
  fi
  if [ "$builder" = inno ]; then
    expect "refused merge in the log" "$(logtext | grep -c 'dialup.ini (exit code 3)$' || true)" 1
    expect "error in the log" "$(logtext | grep -c -F 'could not be updated: error 3, ' || true)" 1
  fi
else
  # The merge: shipped values win, the user's others stay; a value that
  # differs only in case (Language) and one shipped empty (Volume) are kept.
  expect "Modem/Port" "$(value Modem Port)" COM2
  expect "Modem/Speed" "$(value Modem Speed)" 57600
  expect "Modem/Volume" "$(value Modem Volume)" 3
  expect "Setup/Language" "$(value Setup Language)" FRENCH
  expect "Setup/User" "$(value Setup User)" Marie
  expect "Setup/Directory" "$(value Setup Directory)" "C:\\Program Files\\Dialer"
  expect "Phonebook/Default" "$(value Phonebook Default)" "Office VPN"
  [ "$builder" = msi ] ||
    expect "merge in the log" "$(logtext | grep -c 'dialup.ini (exit code 0)$' || true)" 1
fi
if [ "$builder" = msi ]; then
  # An elevated per-machine installation hands a command-line property to
  # its deferred actions only when the property is secure.
  msiinfo export "$installer" Property | tr -d '\r' >"$work/property.idt"
  msiinfo export "$installer" CustomAction | tr -d '\r' >"$work/customaction.idt"
  secure=";$(awk -F '\t' '$1 == "SecureCustomProperties" { print $2 }' "$work/property.idt");"
  used=$(awk -F '\t' 'NR > 3 && int($2 / 1024) % 2 { print $4 }' "$work/customaction.idt" |
    grep -o '\[[A-Z_][A-Z0-9_.]*\]' | tr -d '[]' | sort -u | tr '\n' ' ')
  expect "properties of the deferred actions" "$used" "PROFILE "
  for property in $used; do
    case $secure in
      *";$property;"*) ;;
      *) expect "SecureCustomProperties (between semicolons)" "$secure" "...;$property;..." ;;
    esac
  done
  # The rollback of a failed installation removes what it installed; a
  # good one is removed again, which leaves the merged profile alone.
  kit="$work/Kit Files"
  if $refused; then
    expect "files left by the rollback" "$(ls "$kit" 2>/dev/null || true)" ""
  else
    expect "installed files" "$(ls "$kit" 2>/dev/null | tr '\n' ' ')" "dialup.ini profmerge.exe "
    # Windows removes the files where they were installed; Wine's msi looks
    # for them in the folders as the command line gives them again.
    timeout 120 $WINE "$bin/debugrun.exe" msiexec /x "$(windows_path "$installer")" /qn \
      "INSTALLDIR=$(windows_path "$kit")" >"$work/uninstall.txt" 2>&1 || true
    expect "uninstall exit code" "$(tr -d '\r' <"$work/uninstall.txt" | sed -n 's/^exit code: //p')" 0
    expect "files left by the uninstall" "$(ls "$kit" 2>/dev/null || true)" ""
    expect "Modem/Port after the uninstall" "$(value Modem Port)" COM2
  fi
fi

if [ $failures -ne 0 ]; then
  echo "-- profile"; tr -d '\r' <"$profile"
  echo "-- installer's output"; tr -d '\r' <"$work/installer.txt"
  [ -z "$log" ] || { echo "-- installer log"; logtext; }
  exit 1
fi
echo "installer $builder $case: passed"
