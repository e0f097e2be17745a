#!/bin/sh
# The kit's main job, shown end to end under Wine: the example installer
# (examples/nsis) lists the simulated phonebook, lets the user choose a modem
# in Dialkit's picker, merges its shipped profile into the user's with
# profmerge and records the modem there. It runs twice: interactively (the
# picker), then silently (/S /MODEM=..., no dialog at all). Then the Inno
# Setup example does the same silently (x86 only: Inno Setup builds 32-bit
# setups), and the Windows Installer package merges the profile with a
# custom action and is removed again.
# Usage: run-demo.sh BUILD_DIR   (build/x86 or build/x64)
# On a display the interactive run waits for you; without one it is shown on
# a virtual screen, the picker saved as a picture, and pickeranswer clicks
# Install, OK and Close.
set -e
build=$(cd "$1" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
arch=$(basename "$build")
installer="$build/examples/nsis/dialup-setup-$arch.exe"
work="$build/demo-run"
rm -rf "$work"
mkdir -p "$work/Dialup Example"
export WINEPREFIX="$build/demo-prefix"
# Wine spells Windows file names in the locale's character set: a UTF-8 one
# whatever the machine's (the C locale has no letters outside ASCII).
export LANG=C.UTF-8 LC_ALL=C.UTF-8
. "$here/../tools/wine-session.sh"
windows_path() { printf 'Z:%s' "$1" | tr / '\\'; }

echo "== The example installer ($arch): $(basename "$installer") =="
cp "$here/services.ini" "$work/"
echo "-- services.ini (what the simulated phonebook and telephony answer)"
grep -v '^;' "$here/services.ini"
# Dialkit binds the services from the system folder only, and Wine's own
# tapi32 and rasapi32 would win over the stand-ins without the override.
sh "$here/../tools/install-services.sh" "$arch" "$build/sim/full"
export WINEDLLOVERRIDES="tapi32,rasapi32=n;mscoree,mshtml="
export SIMSERVICE_SCENARIO="$(windows_path "$work/services.ini")"

profile="$work/Dialup Example/dialup.ini"
echo "-- shipped profile (examples/nsis/dialup.ini)"; cat "$here/../examples/nsis/dialup.ini"

# Wine draws a caption only inside its own desktop window.
"$wine" reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
"$wine" reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 480x400 /f >/dev/null 2>&1

headless=false
if [ -z "$DISPLAY" ] || [ -n "$DIALKIT_DEMO_HEADLESS" ]; then
  headless=true
fi
target=$(windows_path "$work/Dialup Example")

# run_installer ANSWER ARGS...: one run of the installer with ARGS and
# /D=<target>, on the user's profile as it was at the start; ANSWER=yes
# (headless) has pickeranswer click through it and answer the picker.
run_installer() {
  answer=$1; shift
  cp "$here/example-target.ini" "$profile"
  rm -f "$work/answer.txt" "$work/picker.bmp" "$work/Dialup Example/dialup-setup.log"
  echo "-- user's profile before: $profile"; cat "$profile"
  # /D= comes last and unquoted (NSIS's rule): word splitting hands Wine the
  # path's words, which it joins back with single spaces. +debugstr shows
  # profmerge's OutputDebugStringA texts on the installer's error output.
  printf '%s\n' "-- running: $(basename "$installer") ${*:+$* }/D=$target"
  if ! $headless; then
    [ "$answer" = yes ] && echo "-- the installer opens on your display: press Install, choose a modem, then Close"
    WINEDEBUG=-all,+debugstr "$wine" "$installer" "$@" /D=$target </dev/null >"$work/installer.txt" 2>&1
  else
    [ "$answer" = yes ] && echo "-- no display: shown on a virtual screen, the picker saved and answered with OK"
    # A server started without a display keeps that desktop.
    stop_server
    (cd "$work" && xvfb-run -a -s "-screen 0 800x600x24" sh -c '
        wine=$1 server=$2 bin=$3 installer=$4 answer=$5; shift 5
        if [ "$answer" = yes ]; then
          "$wine" "$bin/pickeranswer.exe" --installer "Dialup Example Setup" --picture picker.bmp \
            --settle 1500 </dev/null >answer.txt 2>&1 &
        fi
        WINEDEBUG=-all,+debugstr "$wine" "$installer" "$@" </dev/null >installer.txt 2>&1
        wait
        "$server" -k 2>/dev/null; true' sh "$wine" "$server" "$build/bin" "$installer" "$answer" \
        "$@" /D=$target)
  fi
  if [ -f "$work/answer.txt" ]; then
    echo "-- the picker, as pickeranswer saw it (* selected)"
    tr -d '\r' <"$work/answer.txt" | sed -n 's/^item/  item/p'
  fi
  if [ -f "$work/picker.bmp" ]; then
    convert "$work/picker.bmp" "$work/picker.png"
    rm -f "$work/picker.bmp"
    echo "-- picture of the picker: $work/picker.png"
  fi
  echo "-- what the installer logged: $work/Dialup Example/dialup-setup.log"
  # UTF-16, so that names in any script survive.
  iconv -f UTF-16 -t UTF-8 <"$work/Dialup Example/dialup-setup.log" | tr -d '\r' | sed '/^$/d; s/^/  /'
  echo "-- profmerge's debug strings (one \"toto\" per value it overwrote)"
  sed -n 's/.*OutputDebugStringA "\(.*\)"$/  \1/p' "$work/installer.txt"
  echo "-- user's profile after"; tr -d '\r' <"$profile"
}

echo "== Interactive: the picker asks for the modem =="
run_installer yes
# /MODEM= takes the rest up to the next option, spaces included.
echo "== Silent (/S): no dialog, the modem named by /MODEM= =="
run_installer no /S /MODEM=ISDN Terminal Adapter

# in_display COMMAND...: runs a Wine command whose windows need a screen
# (Inno Setup's, even when it shows nothing): the display, or without one a
# virtual screen, with a server started there.
in_display() {
  if ! $headless; then
    "$@"
    return
  fi
  stop_server
  xvfb-run -a -s "-screen 0 800x600x24" sh -c \
    'server=$1; shift; "$@"; status=$?; "$server" -k 2>/dev/null; exit $status' sh "$server" "$@"
}
# What a setup logged, without Inno Setup's time stamps.
show_log() {
  tr -d '\r' <"$1" | sed 's/^[0-9]\{4\}-[0-9-]* [0-9:.]*   //' | sed -n "$2" | sed 's/^/  /'
}
show_debug_strings() {
  echo "-- profmerge's debug strings (one \"toto\" per value it overwrote)"
  sed -n 's/.*OutputDebugStringA "\(.*\)"$/  \1/p' "$1"
}

if [ "$arch" = x86 ]; then
  echo "== Inno Setup (x86), silent: no dialog, the modem named by /MODEM= =="
  inno="$build/examples/inno/dialup-setup-inno.exe"
  # ISCC.exe is a 32-bit program too: built here, under the same Wine.
  sh "$here/../tools/inno-compile.sh" "$wine" "$(cd "$here/.." && pwd)/node_modules/innosetup/bin/ISCC.exe" \
    "$build/bin" "$inno" >"$work/iscc.txt" 2>&1 || { cat "$work/iscc.txt"; exit 1; }
  echo "-- built from examples/inno/dialup-setup.iss: $inno"
  cp "$here/example-target.ini" "$profile"
  echo "-- user's profile before: $profile"; cat "$profile"
  set -- /VERYSILENT /SUPPRESSMSGBOXES "/MODEM=ISDN Terminal Adapter" "/DIR=$target" \
    "/LOG=$(windows_path "$work/inno-setup.log")"
  printf '%s' "-- running: $(basename "$inno")"; printf ' "%s"' "$@"; echo
  status=0
  WINEDEBUG=-all,+debugstr in_display "$wine" "$inno" "$@" </dev/null >"$work/inno.txt" 2>&1 || status=$?
  echo "-- exit code $status; what the setup logged about the kit: $work/inno-setup.log"
  show_log "$work/inno-setup.log" '/^Kit unpacked/,/^Recorded\|exit code [1-9]/p'
  show_debug_strings "$work/inno.txt"
  echo "-- user's profile after"; tr -d '\r' <"$profile"
fi

echo "== Windows Installer ($arch): msiexec /i, the merge as a deferred custom action =="
msi="$build/examples/msi/dialup-example-$arch.msi"
kit=$(windows_path "$work/Kit Files")
cp "$here/example-target.ini" "$profile"
echo "-- user's profile before: $profile"; cat "$profile"
set -- /i "$(windows_path "$msi")" /qn "INSTALLDIR=$kit" "PROFILE=$(windows_path "$profile")" \
  /l*v "$(windows_path "$work/msi.log")"
printf '%s' '-- running: msiexec'; printf ' "%s"' "$@"; echo
status=0
WINEDEBUG=-all,+debugstr "$wine" msiexec "$@" </dev/null >"$work/msi.txt" 2>&1 || status=$?
echo "-- exit code $status; installed into $work/Kit Files:"
ls "$work/Kit Files" | sed 's/^/  /'
echo "-- what Windows Installer logged about the merge: $work/msi.log"
show_log "$work/msi.log" '/Action ended.*MergeProfile/{p;q}'
show_debug_strings "$work/msi.txt"
echo "-- user's profile after"; tr -d '\r' <"$profile"
# Wine's msi looks for the files in the folders the command line names.
status=0
"$wine" msiexec /x "$(windows_path "$msi")" /qn "INSTALLDIR=$kit" </dev/null >/dev/null 2>&1 || status=$?
echo "-- removed again (msiexec /x, exit code $status): $(ls "$work/Kit Files" 2>/dev/null | wc -l) files left; the merged profile stays"
