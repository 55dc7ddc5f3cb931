#!/usr/bin/env bash
# Builds the native tests and the Windows program, and lays out the
# ready-to-run folder.
#
#   scripts/build.sh [native|windows|windows32|all]
#
#   native     the portable modules, their tests and benchmarks (build/native)
#   windows    the 64-bit program, its Wine tests and benchmarks
#              (build/windows), and the ready-to-run folder dist/
#   windows32  the same code as a 32-bit program (build/windows32, dist32/)
#   all        all three
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
what="${1:-all}"
jobs="$(nproc)"
# The test command builds with warnings as errors (VEXIL_WERROR=ON): a
# warning-free build on every toolchain is part of passing.  Unset, a build
# tree keeps the choice it was made with, so that a later build of the same
# tree (the release's, say) does not compile everything again.
werror=()
[ -n "${VEXIL_WERROR:-}" ] && werror=("-DVEXIL_WERROR=$VEXIL_WERROR")

case "$what" in native | windows | windows32 | all) ;;
*) echo "usage: $0 [native|windows|windows32|all]" >&2; exit 2 ;;
esac

if [ "$what" = native ] || [ "$what" = all ]; then
  cmake -S "$root" -B "$root/build/native" -DCMAKE_BUILD_TYPE=RelWithDebInfo ${werror[@]+"${werror[@]}"} >/dev/null
  cmake --build "$root/build/native" -j"$jobs"
fi

# windows_build TOOLCHAIN BUILD_DIR DIST_DIR
windows_build() {
  local build="$root/build/$2" dist="$root/$3"
  cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release ${werror[@]+"${werror[@]}"} \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/$1.cmake" -DVEXIL_DIST_DIR="$dist" >/dev/null
  cmake --build "$build" -j"$jobs"

  # The ready-to-run folder.  A Vexil.ini the user already has is kept.
  mkdir -p "$dist"
  cp "$build/vexil.exe" "$dist/"
  rm -rf "$dist/skins"
  cp -r "$root/skins" "$dist/skins"
  cp "$root/docs/vxhelp.html" "$dist/"
  [ -f "$dist/Vexil.ini" ] || cp "$root/data/Vexil.ini" "$dist/Vexil.ini"
  [ -f "$dist/Accounts.ini" ] || : > "$dist/Accounts.ini"
  [ -f "$dist/VxFilter.ini" ] || : > "$dist/VxFilter.ini"
}

if [ "$what" = windows ] || [ "$what" = all ]; then
  windows_build mingw-x86_64 windows dist
fi
if [ "$what" = windows32 ] || [ "$what" = all ]; then
  windows_build mingw-i686 windows32 dist32
fi
