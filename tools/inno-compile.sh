#!/bin/sh
# Builds the Inno Setup example (examples/inno) around the kit of BIN_DIR
# into SETUP, unless SETUP is newer than all of its inputs. ISCC.exe is a
# 32-bit program: WINE (tools/x86-wine/wine32) runs it in $WINEPREFIX, so
# it is built where it is run (the x86 tests, the demo), not by CMake.
# Usage: inno-compile.sh WINE ISCC BIN_DIR SETUP   (absolute paths)
set -e
wine=$1 iscc=$2 bin=$3 setup=$4
root=$(cd "$(dirname "$0")/.." && pwd)
script=$root/examples/inno/dialup-setup.iss
if [ ! -f "$iscc" ]; then
  echo "inno-compile: no $iscc (tools/setup-debian.sh installs it with npm ci)" >&2
  exit 1
fi
fresh=true
for input in "$script" "$root/examples/nsis/dialup.ini" "$bin/Dialkit.dll" "$bin/profmerge.exe" "$iscc"; do
  [ "$setup" -nt "$input" ] || fresh=false
done
$fresh && exit 0
windows_path() { printf 'Z:%s' "$1" | tr / '\\'; }
mkdir -p "$(dirname "$setup")"
rm -f "$setup"
"$wine" "$iscc" /Q "/DKIT_BIN=$(windows_path "$bin")" "/O$(windows_path "$(dirname "$setup")")" \
  "/F$(basename "$setup" .exe)" "$(windows_path "$script")"
[ -f "$setup" ]
