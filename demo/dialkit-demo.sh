# Sourced by run-demo.sh: a Dialkit host against the simulated services.
# Needs: $build $here $wine $server $work, WINEPREFIX and the running server.

echo
echo "== Dialkit =="
cp "$build/bin/Dialkit.dll" "$build/bin/dialkit_demo.exe" "$here/services.ini" "$work/"
# Dialkit binds the services from the system folder only.
cp "$build/sim/full/rasapi32.dll" "$build/sim/full/Tapi32.dll" "$WINEPREFIX/drive_c/windows/system32/"
echo "-- services.ini (what the simulated phonebook and telephony answer)"
grep -v '^;' "$here/services.ini"
# Wine's own tapi32 and rasapi32 would win over the stand-ins otherwise.
export WINEDLLOVERRIDES="tapi32,rasapi32=n;mscoree,mshtml="
export SIMSERVICE_SCENARIO='.\services.ini'

# Wine draws a caption only inside its own desktop window.
"$wine" reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
"$wine" reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 480x400 /f >/dev/null 2>&1

if [ -n "$DISPLAY" ] && [ -z "$DIALKIT_DEMO_HEADLESS" ]; then
  echo "-- the picker opens on your display: choose a modem"
  (cd "$work" && "$wine" dialkit_demo.exe </dev/null 2>&1 | tr -d '\r')
else
  # No display: a virtual one, the picker saved as a picture and answered.
  echo "-- no display: the picker is shown on a virtual screen, saved and answered with OK"
  stop_server
  rm -f "$work/picker.bmp" "$work/picker.png"
  (cd "$work" && xvfb-run -a -s "-screen 0 800x600x24" sh -c '
      "$1" dialkit_demo.exe --answer 1500 --picture picker.bmp </dev/null 2>&1 | tr -d "\r"
      "$2" -k 2>/dev/null; true' sh "$wine" "$server")
  if [ -f "$work/picker.bmp" ]; then
    convert "$work/picker.bmp" "$work/picker.png"
    rm -f "$work/picker.bmp"
    echo "-- picture of the picker: $work/picker.png"
  fi
fi
