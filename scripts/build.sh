#!/usr/bin/env bash
# Builds the native tests and the Windows program, and lays out the
# ready-to-run folder dist/.  Usage: scripts/build.sh [native|windows|all]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
what="${1:-all}"
jobs="$(nproc)"
# The test command builds with warnings as errors: a warning-free build on
# both toolchains is part of passing.
werror="-DVEXIL_WERROR=${VEXIL_WERROR:-OFF}"

if [ "$what" = native ] || [ "$what" = all ]; then
  cmake -S "$root" -B "$root/build/native" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$werror" >/dev/null
  cmake --build "$root/build/native" -j"$jobs"
fi

if [ "$what" = windows ] || [ "$what" = all ]; then
  cmake -S "$root" -B "$root/build/windows" -DCMAKE_BUILD_TYPE=Release "$werror" \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" >/dev/null
  cmake --build "$root/build/windows" -j"$jobs"

  # The ready-to-run folder.  A Vexil.ini the user already has is kept.
  dist="$root/dist"
  mkdir -p "$dist"
  cp "$root/build/windows/vexil.exe" "$dist/"
  rm -rf "$dist/skins"
  cp -r "$root/skins" "$dist/skins"
  cp "$root/docs/vxhelp.html" "$dist/"
  [ -f "$dist/Vexil.ini" ] || cp "$root/data/Vexil.ini" "$dist/Vexil.ini"
  [ -f "$dist/Accounts.ini" ] || : > "$dist/Accounts.ini"
  [ -f "$dist/VxFilter.ini" ] || : > "$dist/VxFilter.ini"
fi
