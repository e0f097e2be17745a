#!/bin/sh
# The kit's main job, shown end to end under Wine: the example installer
# (examples/nsis) lists the simulated phonebook, lets the user choose a modem
# in Dialkit's picker, merges its shipped profile into the user's with
# profmerge and records the modem there. It runs twice: interactively (the
# picker), then silently (/S /MODEM=..., no dialog at all).
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
  tr -d '\r' <"$work/Dialup Example/dialup-setup.log" | sed '/^$/d; s/^/  /'
  echo "-- profmerge's debug strings (one \"toto\" per value it overwrote)"
  sed -n 's/.*OutputDebugStringA "\(.*\)"$/  \1/p' "$work/installer.txt"
  echo "-- user's profile after"; tr -d '\r' <"$profile"
}

echo "== Interactive: the picker asks for the modem =="
run_installer yes
# /MODEM= takes the rest up to the next option, spaces included.
echo "== Silent (/S): no dialog, the modem named by /MODEM= =="
run_installer no /S /MODEM=ISDN Terminal Adapter
