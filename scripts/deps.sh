#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing Vexil need.
# Safe to run again: only missing packages are installed.
#
# The 64-bit program needs nothing of the i386 architecture: the x86-64
# cross compiler and Wine's 64-bit loader (wine64) are amd64 packages.  The
# 32-bit program is compiled by an amd64 package too; only running it under
# Wine needs wine32 from the i386 architecture, and that is installed only
# where the kernel runs 32-bit programs at all (scripts/can-run-32).
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"

packages=(
  cmake g++ make python3 googletest libgtest-dev libgmock-dev libbenchmark-dev
  g++-mingw-w64-x86-64-posix mingw-w64-x86-64-dev
  g++-mingw-w64-i686-posix mingw-w64-i686-dev
  wine wine64
  xvfb xauth xdotool x11-xserver-utils x11-utils imagemagick
  dovecot-core dovecot-pop3d dovecot-imapd openssl curl ripmime lighttpd zip unzip
  clang libclang-rt-14-dev
)
want_i386=""
if "$here/can-run-32" 2>/dev/null; then
  want_i386=1
  packages+=(wine32:i386)
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
if [ -n "$want_i386" ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
  $SUDO dpkg --add-architecture i386
fi
echo "Installing: ${missing[*]}"
$SUDO apt-get update -qq
# The tests start Dovecot and lighttpd themselves from configs of their own;
# keep the packages from starting the system's services while they install.
policy=/usr/sbin/policy-rc.d
made_policy=""
if [ ! -e "$policy" ]; then
  printf '#!/bin/sh\nexit 101\n' | $SUDO tee "$policy" >/dev/null
  $SUDO chmod +x "$policy"
  made_policy=1
fi
# wine64 recommends wine32: without the i386 architecture apt passes over it.
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${missing[@]}" >/dev/null
[ -n "$made_policy" ] && $SUDO rm -f "$policy"
true
