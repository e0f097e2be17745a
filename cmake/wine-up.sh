#!/bin/sh
# Starts the test run's own wineserver and readies its private prefix.
# Usage: wine-up.sh WINE WINESERVER   (WINEPREFIX set by the caller, and
# WINEARCH=win32 for x86: the server that creates a prefix picks its kind)
# WINE is wine64, or tools/x86-wine/wine32 for the x86 build.
# The persistent server makes each program start take milliseconds instead
# of seconds. Our output goes to a log: a daemon holding ctest's pipe would
# make ctest wait for it forever.
set -e
wine=$1
server=$2
: "${WINEPREFIX:?}"
mkdir -p "$WINEPREFIX"
exec </dev/null >"$WINEPREFIX.log" 2>&1
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
"$server" -k 2>/dev/null || true
"$server" -p
"$wine" wineboot -i
# Dialogs without a display: Wine's null graphics driver.
"$wine" reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f
# Fill the bytes around heap blocks, so that a read past a buffer shows.
"$wine" reg add 'HKLM\System\CurrentControlSet\Control\Session Manager' /v GlobalFlag /t REG_DWORD /d 0x30 /f
# The desktop process that wineboot started keeps its first driver: start
# afresh so that the first dialog of a new prefix gets the null driver.
"$server" -k
"$server" -w
"$server" -p
# And start the new desktop process from here, with our log as its output:
# started by a test, it would hold ctest's pipe open.
"$wine" rundll32.exe user32.dll,GetDesktopWindow
