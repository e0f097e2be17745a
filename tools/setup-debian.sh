#!/bin/sh
# Installs what building and testing the kit needs on Debian 12, if missing.
set -e
packages="cmake make g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix binutils-mingw-w64
  wine64 googletest xvfb xauth x11-apps imagemagick zip gcc nsis"
missing=""
for p in $packages; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
[ -z "$missing" ] && exit 0
echo "Installing:$missing"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo=sudo
# A suite whose index fails to update (a mirror in mid-sync) need not stop
# us: the install below says so if a package cannot be found.
$sudo apt-get update -qq || echo "apt-get update failed for some suites; going on with the others" >&2
# wine32 is left out on purpose: this kernel cannot run it, and with it
# installed `wine` would pick the 32-bit loader. tools/x86-wine unpacks a
# private copy (gcc builds its small i386 library), run through qemu.
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends $missing
