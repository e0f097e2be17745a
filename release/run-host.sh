#!/bin/sh
# Runs the README's host example, built against an unpacked package, under
# Wine against the simulated services, as an installer would run it: the
# package's Dialkit.dll beside the host, the services in the system folder.
# Usage: run-host.sh WINE ARCH UNPACKED HOST_DIR SIM_DIR ANSWER_EXE
#   WINE runs ARCH's programs (wine64 for x64, the emulated wine32 for x86)
#   in WINEPREFIX, whose server the test fixture keeps up.
set -e
wine=$1 arch=$2 unpacked=$3 hostdir=$4 sim=$5 answer=$6
here=$(cd "$(dirname "$0")" && pwd)
: "${WINEPREFIX:?}"

# Dialkit binds the services from the system folder only.
run="$hostdir/run"
rm -rf "$run"
mkdir -p "$run"
sh "$here/../tools/install-services.sh" "$arch" "$sim"
cp "$hostdir/host.exe" "$unpacked/bin/Dialkit.dll" "$answer" "$run/"
answer_exe=$(basename "$answer")
export WINEDLLOVERRIDES="tapi32,rasapi32=n"

failures=0
# check NAME PICKER EXPECTED SCENARIO: runs the host once against SCENARIO and
# compares its output (UTF-8); PICKER=yes when the host shows the picker (answered
# with OK from another process: the published example cannot be hooked).
check() {
  printf '%s' "$4" >"$run/services.ini"
  answering=""
  if [ "$2" = yes ]; then
    (cd "$run" && "$wine" "$answer_exe" </dev/null >answer.txt 2>&1) &
    answering=$!
  fi
  status=0
  (cd "$run" && SIMSERVICE_SCENARIO='.\services.ini' timeout 120 "$wine" host.exe \
    </dev/null >host.txt 2>&1) || status=$?
  [ -z "$answering" ] || wait $answering || true
  got=$(tr -d '\r' <"$run/host.txt")
  if [ "$got" = "$3" ] && [ $status -eq 0 ]; then
    echo "ok: $1"
  else
    failures=$((failures + 1))
    printf 'FAILED: %s (exit code %s)\n-- got:\n%s\n-- expected:\n%s\n' "$1" $status "$got" "$3"
  fi
}

check "phonebook and picker" yes "Phonebook entries:
Office VPN
Home ISP
Backup line
Σύνδεση γραφείου
東京 VPN
Data modems:
Standard 56000 bps Modem
ISDN Terminal Adapter
Cellular Data Modem
Chosen modem: Cellular Data Modem" "$(cat "$here/../demo/services.ini")"

check "error reports" no "RAS ERROR : Access is denied.
TAPI ERROR : Simulated line error: invalid device identifier.
TAPI ERROR : Simulated line error: invalid device identifier." "[ras]
EnumResult=5
ErrorText.5=Access is denied.
[tapi]
Devices=2
[device0]
Name=First
[device1]
Name=Second
Caps=0x80000012
"

# Neither service present: the host prints nothing and ends normally.
sh "$here/../tools/install-services.sh" "$arch"
check "no services" no "" ""
exit $failures
