#!/bin/sh
# The kit's main job, shown end to end under Wine:
#  1. profmerge brings the example target profile up to date from the
#     example source, under a debugger that prints its debug strings;
#  2. a small Dialkit host lists the simulated phonebook and modems and
#     lets the picker choose one (answered automatically).
# Usage: run-demo.sh BUILD_DIR   (the x64 build)
set -e
build=$(cd "$1" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
work="$build/demo-run"
mkdir -p "$work"
export WINEPREFIX="$build/demo-prefix"
. "$here/../tools/wine-session.sh"

echo "== profmerge =="
cp "$here/example-source.ini" "$work/source.ini"
cp "$here/example-target.ini" "$work/target.ini"
echo "-- source.ini"; cat "$work/source.ini"
echo "-- target.ini before"; cat "$work/target.ini"
cp "$build/bin/profmerge.exe" "$build/bin/debugrun.exe" "$work/"
# ".\" because the profile service looks up a bare file name in the
# Windows directory, not in the current one.
printf '%s\n' '-- running: profmerge -src:.\source.ini -target:.\target.ini'
(cd "$work" && "$wine" debugrun.exe profmerge.exe '-src:.\source.ini' '-target:.\target.ini' </dev/null 2>&1 | tr -d '\r')
echo "-- target.ini after"; tr -d '\r' <"$work/target.ini"

if [ -f "$here/dialkit-demo.sh" ]; then
  . "$here/dialkit-demo.sh"
fi
