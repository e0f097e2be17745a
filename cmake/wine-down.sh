#!/bin/sh
# Stops everything the test run started in its prefix.
: "${WINEPREFIX:?}"
exec </dev/null >>"$WINEPREFIX.log" 2>&1
"$1" -k
"$1" -w 2>/dev/null || true
exit 0
