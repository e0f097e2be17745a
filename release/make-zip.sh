#!/bin/sh
# Zips what `cmake --install` lays out, the same bytes from every build of one
# commit: files in byte order, no folder entries, no owners, fixed modes and
# one time for every file (SOURCE_DATE_EPOCH, else the commit's time).
# Usage: make-zip.sh BUILD_DIR ZIP
set -e
build=$1
zip=$2
here=$(cd "$(dirname "$0")" && pwd)
stage="$build/package/stage"

if [ -z "$SOURCE_DATE_EPOCH" ]; then
  SOURCE_DATE_EPOCH=$(git -C "$here" log -1 --format=%ct 2>/dev/null || true)
fi
# Without either: a fixed date, never the clock.
[ -n "$SOURCE_DATE_EPOCH" ] || SOURCE_DATE_EPOCH=1767225600

rm -rf "$stage" "$(dirname "$zip")"/*.zip
mkdir -p "$stage" "$(dirname "$zip")"
cmake --install "$build" --prefix "$stage" >/dev/null
cd "$stage"
find . -type f -exec chmod 644 {} +
# Zip keeps local time (in two-second steps): UTC, whatever the machine's zone.
find . -type f -exec env TZ=UTC touch -d "@$SOURCE_DATE_EPOCH" {} +
find . -type f | sed 's|^\./||' | LC_ALL=C sort >../files.txt
# -X: no owner or extra time fields; -D: no folder entries.
TZ=UTC zip -X -D -q -9 "$zip" -@ <../files.txt
echo "$zip"
