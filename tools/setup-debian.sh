#!/bin/sh
# Installs what building and testing the kit needs on Debian 12, if missing.
set -e
packages="cmake make g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix binutils-mingw-w64
  wine64 googletest xvfb xauth x11-apps imagemagick zip gcc nsis wixl msitools"
# The Inno Setup compiler comes from the npm registry (package.json): npm
# only where there is none (a nodesource Node.js brings its own).
command -v npm >/dev/null 2>&1 || packages="$packages npm"
missing=""
for p in $packages; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
if [ -n "$missing" ]; then
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
fi

# Inno Setup 6.4.1 (ISCC.exe and its files), exactly as package-lock.json
# pins it, into node_modules/ at the root (ignored by git); again only when
# the lockfile changed since.
root=$(cd "$(dirname "$0")/.." && pwd)
if ! cmp -s "$root/package-lock.json" "$root/node_modules/.kit-package-lock.json" ||
   [ ! -f "$root/node_modules/innosetup/bin/ISCC.exe" ]; then
  echo "Installing the Inno Setup compiler (npm ci)"
  (cd "$root" && npm ci --no-audit --no-fund --loglevel=error)
  cp "$root/package-lock.json" "$root/node_modules/.kit-package-lock.json"
fi
