#!/usr/bin/env bash
# Makes the release a user downloads: release/vexil-VERSION-win64.zip and
# release/vexil-VERSION-win32.zip, each a folder ready to run (vexil.exe, the
# help page, the skins, a default Vexil.ini and empty Accounts.ini and
# VxFilter.ini), and release/SHA256SUMS.  VERSION comes from the file
# VERSION.  The programs are built afresh from this tree; the user's own
# settings in dist/ never reach a release.
#
#   scripts/package.sh [OUT_DIR]
#
# Files carry the time of the last commit, so the same tree gives the same
# archives.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
out="$(mkdir -p "${1:-$root/release}" && cd "${1:-$root/release}" && pwd)"
version="$(head -1 "$root/VERSION" | tr -d ' \r')"
case "$version" in
  [0-9]*.[0-9]*.[0-9]*) ;;
  *) echo "VERSION holds '$version', not MAJOR.MINOR.PATCH" >&2; exit 1 ;;
esac

"$root/scripts/deps.sh"
"$root/scripts/build.sh" windows
"$root/scripts/build.sh" windows32

epoch="$(git -C "$root" log -1 --format=%ct 2>/dev/null || date +%s)"
stage="$(mktemp -d /tmp/vexil-package.XXXXXX)"
trap 'rm -rf "$stage"' EXIT

# package BUILD_DIR WIDTH WANTED_WIDTH_OF_HEADER
package() {
  local build="$root/build/$1" name="vexil-$version-$2" got
  got="$("$root/scripts/wine-run" --width-of "$build/vexil.exe")"
  [ "$got" = "$3" ] || { echo "$build/vexil.exe is '${got:-not a program}', not $3-bit" >&2; exit 1; }
  local dir="$stage/$name"
  mkdir -p "$dir"
  cp "$build/vexil.exe" "$dir/"
  cp "$root/docs/vxhelp.html" "$dir/"
  cp -r "$root/skins" "$dir/skins"
  cp "$root/data/Vexil.ini" "$dir/Vexil.ini"
  : > "$dir/Accounts.ini"
  : > "$dir/VxFilter.ini"
  find "$dir" -exec touch -h -d "@$epoch" {} +
  rm -f "$out/$name.zip"
  (cd "$stage" && find "$name" | LC_ALL=C sort | TZ=UTC zip -q -X -@ "$out/$name.zip")
  echo "$out/$name.zip"
}

package windows win64 64
package windows32 win32 32
(cd "$out" && sha256sum "vexil-$version-win64.zip" "vexil-$version-win32.zip" > SHA256SUMS)
echo "$out/SHA256SUMS"
