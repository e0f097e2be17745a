# Sourced by the demo and the benchmark: a private Wine prefix (WINEPREFIX,
# set by the caller) with its own persistent wineserver, so that each
# program starts in milliseconds; the server is stopped when the caller
# exits. Sets $wine, $server and stop_server.
# $arch (x64 when unset) picks the Wine: the system's 64-bit one, or for x86
# the project's emulated 32-bit one (tools/x86-wine) in a win32 prefix, served
# by the system's 64-bit server. KIT_WINE names another command that runs the
# programs.
server=/usr/lib/wine/wineserver64
[ -x "$server" ] || server=$(command -v wineserver)
if [ "${arch:-x64}" = x86 ]; then
  # Our callers live one folder below the project's root.
  wine=${KIT_WINE:-$(cd "$(dirname "$0")/.." && pwd)/tools/x86-wine/wine32}
  export WINEARCH=win32
else
  wine=${KIT_WINE:-/usr/lib/wine/wine64}
  [ -x "$wine" ] || wine=$(command -v wine64)
fi
: "${WINEPREFIX:?}"
export WINEDEBUG=-all WINESERVER="$server"
mkdir -p "$WINEPREFIX"

stop_server() { "$server" -k >/dev/null 2>&1 || true; }
trap stop_server EXIT
stop_server
# The daemon must not hold our caller's output open.
"$server" -p </dev/null >"$WINEPREFIX.log" 2>&1
WINEDLLOVERRIDES="mscoree,mshtml=" "$wine" wineboot -i </dev/null >>"$WINEPREFIX.log" 2>&1
