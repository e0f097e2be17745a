#!/bin/sh
# Reproducible releases: builds the shipped files and the packages of both
# architectures twice, in separate trees and from two copies of the source
# at different paths, and compares their checksums. With DIST_DIR, the
# packages must also match that folder's SHA256SUMS (what `make dist` made).
# Usage: check-reproducible.sh [DIST_DIR]
set -e
root=$(cd "$(dirname "$0")/.." && pwd)
dist=${1:+$(cd "$1" && pwd)}
work="$root/build/reproducible"
rm -rf "$work"
mkdir -p "$work/source"

# The second source: what git would commit, copied elsewhere.
(cd "$root" && git ls-files --cached --others --exclude-standard) | while IFS= read -r f; do
  [ -f "$root/$f" ] && printf '%s\n' "$f"
done | tar -C "$root" -cf - -T - | tar -C "$work/source" -xf -
# The first build as `make dist` does it; the second is told the commit's
# time (its source is no checkout), which the linker would also take.
time=${SOURCE_DATE_EPOCH:-$(git -C "$root" log -1 --format=%ct)}

shipped="bin/profmerge.exe bin/Dialkit.dll lib/libDialkit.a"
for arch in x86 x64; do
  case $arch in x86) toolchain=mingw-i686.cmake ;; x64) toolchain=mingw-x86_64.cmake ;; esac
  for tree in one two; do
    src=$root
    stamp=""
    if [ $tree = two ]; then
      src="$work/source"
      stamp="SOURCE_DATE_EPOCH=$time"
    fi
    build="$work/$tree-$arch"
    env $stamp cmake -S "$src" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$src/cmake/$toolchain" \
      -DCMAKE_BUILD_TYPE=MinSizeRel >"$work/$tree-$arch.log" 2>&1
    env $stamp cmake --build "$build" -j2 --target kit_package >>"$work/$tree-$arch.log" 2>&1 ||
      { cat "$work/$tree-$arch.log"; exit 1; }
    (cd "$build" && sha256sum $shipped package/*.zip) >"$work/$tree-$arch.sums"
  done
  cat "$work/one-$arch.sums"
  if ! cmp -s "$work/one-$arch.sums" "$work/two-$arch.sums"; then
    echo "NOT REPRODUCIBLE ($arch): the second build gave"
    cat "$work/two-$arch.sums"
    exit 1
  fi
  if [ -n "$dist" ]; then
    grep ' package/' "$work/one-$arch.sums" | sed 's| package/| |' | while read -r sum name; do
      grep -qx "$sum  $name" "$dist/SHA256SUMS" || { echo "$name differs from $dist/SHA256SUMS"; exit 1; }
    done
  fi
done
echo "reproducible: both builds of x86 and x64 gave the same bytes${dist:+, as in $dist/SHA256SUMS}"
