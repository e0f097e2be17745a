#!/bin/sh
# Puts the simulated services of FOLDER (Tapi32.dll, rasapi32.dll) into the
# system folder of the Wine prefix $WINEPREFIX, the only place Dialkit binds
# them from; without FOLDER, leaves the services missing there.
# Usage: install-services.sh ARCH [FOLDER]
# x86 programs in a 64-bit prefix use syswow64. Wine's own copies go first,
# in whatever letter case: the prefix's file system tells case apart, and a
# lookup could still find them.
set -e
: "${WINEPREFIX:?}"
arch=$1 folder=${2:-}
system=$WINEPREFIX/drive_c/windows/system32
if [ "$arch" = x86 ] && [ -d "$WINEPREFIX/drive_c/windows/syswow64" ]; then
  system=$WINEPREFIX/drive_c/windows/syswow64
fi
for f in "$system"/[Tt][Aa][Pp][Ii]32.[Dd][Ll][Ll] "$system"/[Rr][Aa][Ss][Aa][Pp][Ii]32.[Dd][Ll][Ll]; do
  rm -f "$f"
done
[ -z "$folder" ] || cp "$folder/Tapi32.dll" "$folder/rasapi32.dll" "$system/"
