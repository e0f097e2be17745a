# Sourced by the demo and the benchmark: a private Wine prefix (WINEPREFIX,
# set by the caller) with its own persistent wineserver, so that each
# program starts in milliseconds; the server is stopped when the caller
# exits. Sets $wine, $server and stop_server.
wine=/usr/lib/wine/wine64
server=/usr/lib/wine/wineserver
[ -x "$wine" ] || wine=$(command -v wine64)
[ -x "$server" ] || server=$(command -v wineserver)
: "${WINEPREFIX:?}"
export WINEDEBUG=-all WINESERVER="$server"
mkdir -p "$WINEPREFIX"

stop_server() { "$server" -k >/dev/null 2>&1 || true; }
trap stop_server EXIT
stop_server
# The daemon must not hold our caller's output open.
"$server" -p </dev/null >"$WINEPREFIX.log" 2>&1
WINEDLLOVERRIDES="mscoree,mshtml=" "$wine" wineboot -i </dev/null >>"$WINEPREFIX.log" 2>&1
