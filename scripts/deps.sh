#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing Vexil need.
# Safe to run again: only missing packages are installed.
set -euo pipefail

packages=(
  cmake g++ make python3 googletest libgtest-dev libgmock-dev libbenchmark-dev
  g++-mingw-w64-i686-posix mingw-w64-i686-dev wine wine32:i386
  xvfb xauth xdotool x11-xserver-utils x11-utils imagemagick
  dovecot-core dovecot-pop3d openssl curl ripmime lighttpd
  clang libclang-rt-14-dev
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
if ! dpkg --print-foreign-architectures | grep -qx i386; then
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
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${missing[@]}" >/dev/null
[ -n "$made_policy" ] && $SUDO rm -f "$policy"
true
