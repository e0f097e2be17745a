#!/bin/sh
# Times profmerge against profile_floor, which makes only the profile-
# service calls any such merge needs, on generated profiles of growing
# size. The ratio is profmerge's own overhead; the aim is 1.1 at most.
# Both must leave the same target behind, or the figures mean nothing.
# Usage: run-bench.sh BUILD_DIR   (the x64 build)
#        BENCH_RUNS=N run-bench.sh ...   (best of N runs, 3 by default)
set -e
build=$(cd "$1" && pwd)
work="$build/bench-run"
mkdir -p "$work"
export WINEPREFIX="$build/bench-prefix"
# A persistent server and a booted prefix keep start-up out of the timings.
. "$(cd "$(dirname "$0")" && pwd)/../tools/wine-session.sh"

# 50 entries a section. Of the source keys, a half is new to the target,
# a quarter holds an old value there and a quarter the same value.
generate() { # entries
  awk -v n="$1" -v src="$work/source.ini" -v dst="$work/target.ini" 'BEGIN {
    for (i = 0; i < n; i++) {
      if (i % 50 == 0) {
        printf "[Section%04d]\n", i / 50 >src
        printf "[Section%04d]\n", i / 50 >dst
      }
      printf "Key%05d=value-%05d\n", i, i >src
      if (i % 4 == 2) printf "Key%05d=old-%05d\n", i, i >dst
      if (i % 4 == 3) printf "Key%05d=value-%05d\n", i, i >dst
    }
  }'
}

# Runs a program from the work folder, output dropped, and prints the
# wall-clock seconds it took.
timed() {
  start=$(date +%s.%N)
  (cd "$work" && "$wine" "$@" </dev/null >/dev/null 2>&1) || true
  end=$(date +%s.%N)
  awk -v a="$start" -v b="$end" 'BEGIN { printf "%.3f", b - a }'
}

# ".\" because a bare file name is looked up in the Windows directory.
time_profmerge() { timed "$build/bin/profmerge.exe" '-src:.\source.ini' '-target:.\merged.ini'; }
time_floor() { timed "$build/bin/profile_floor.exe" '.\source.ini' '.\floor.ini'; }

min() { awk -v a="$1" -v b="$2" 'BEGIN { print (a == "" || b < a) ? b : a }'; }

# Counts what a merged target must hold: every source key, no old value.
check() { # file entries
  keys=$(tr -d '\r' <"$1" | grep -c '^Key[0-9]*=value-' || true)
  old=$(grep -c '=old-' "$1" || true)
  [ "$keys" -eq "$2" ] && [ "$old" -eq 0 ]
}

# The first program after a server start pays for loading Wine itself.
timed "$build/bin/profmerge.exe" >/dev/null
timed "$build/bin/profile_floor.exe" >/dev/null

# Best of a few runs: the machine's other work only ever adds time.
runs=${BENCH_RUNS:-3}
status=0
over=
printf '%8s %12s %12s %7s\n' entries profmerge floor ratio
for n in 500 1000 5000; do
  generate "$n"
  merged="" floor="" r=0
  while [ "$r" -lt "$runs" ]; do
    r=$((r + 1))
    cp "$work/target.ini" "$work/merged.ini"
    cp "$work/target.ini" "$work/floor.ini"
    # The service re-reads a file younger than about 2 s on every call.
    touch -d '-1 min' "$work/source.ini" "$work/merged.ini" "$work/floor.ini"
    # Taking turns at going first evens out what one run leaves the next.
    if [ $((r % 2)) -eq 1 ]; then
      merged=$(min "$merged" "$(time_profmerge)")
      floor=$(min "$floor" "$(time_floor)")
    else
      floor=$(min "$floor" "$(time_floor)")
      merged=$(min "$merged" "$(time_profmerge)")
    fi
    if ! cmp -s "$work/merged.ini" "$work/floor.ini"; then
      echo "error: at $n entries profmerge and profile_floor left different targets" >&2
      status=1
    elif ! check "$work/merged.ini" "$n"; then
      echo "error: at $n entries the merged target lacks source values" >&2
      status=1
    fi
  done
  awk -v n="$n" -v p="$merged" -v f="$floor" 'BEGIN {
    printf "%8d %12.2f %12.2f %7.2f\n", n, p, f, p / f
    exit !(p > 1.1 * f)
  }' && over="$over $n"
done
[ -z "$over" ] || echo "ratio above 1.1 at:$over entries"
exit $status
