#!/usr/bin/env bash
# The release a user downloads: scripts/package.sh makes the 64-bit and the
# 32-bit zip; each unpacks into one folder that holds the program of its
# width, the help page, the skins and fresh settings files (nothing of the
# developer's own dist/), and vexil.exe starts from there, pixel for pixel,
# and ends cleanly.  The 32-bit program is started where this machine runs
# 32-bit programs.
# Usage: package_test.sh DIST_DIR SCREEN_CHECK
set -uo pipefail
DIST="$(cd "$1" && pwd)"; CHECK="$2"
SCRIPTS="$(cd "$(dirname "$0")/../../scripts" && pwd)"
ROOT="$(cd "$SCRIPTS/.." && pwd)"
WORK="$(mktemp -d /tmp/vexil-e2e.XXXXXX)"
. "$(dirname "$0")/lib.sh"
cleanup() {
  VEXIL_WINE_WIDTH=32 "$SCRIPTS/wine-run" --server -k 2>/dev/null || true
  stop_display
  rm -rf "$WORK"
}
trap cleanup EXIT

version="$(head -1 "$ROOT/VERSION" | tr -d ' \r')"
if ! "$SCRIPTS/package.sh" "$WORK/release" >"$WORK/package.log" 2>&1; then
  fail "scripts/package.sh"; cat "$WORK/package.log"
  echo "$passed passed, $failed failed"; exit 1
fi
start_display || exit 1

# unpacked WIDTH BITS: unzips the release of WIDTH (win64, win32) and checks
# what it holds; prints the folder.
unpacked() {
  local name="vexil-$version-$1" zip="$WORK/release/vexil-$version-$1.zip" dir
  dir="$WORK/unzip-$1"
  mkdir -p "$dir"
  if ! unzip -q "$zip" -d "$dir" 2>"$WORK/unzip.log"; then
    fail "$1: $zip does not unpack"; return 1
  fi
  local top
  top="$(ls "$dir")"
  [ "$top" = "$name" ] && ok "$1: one folder, $name" || fail "$1: the zip holds '$top'"
  dir="$dir/$name"
  local missing="" f
  for f in vexil.exe vxhelp.html Vexil.ini Accounts.ini VxFilter.ini skins/Default/skin.ini skins/Amber/skin.ini; do
    [ -f "$dir/$f" ] || missing="$missing $f"
  done
  [ -z "$missing" ] && ok "$1: program, help page, skins and settings files" || fail "$1: lacks$missing"
  if [ ! -s "$dir/Accounts.ini" ] && [ ! -s "$dir/VxFilter.ini" ] &&
    cmp -s "$dir/Vexil.ini" "$ROOT/data/Vexil.ini"; then
    ok "$1: fresh settings (no accounts, no filters, the default options)"
  else
    fail "$1: the settings files are not the fresh ones"
  fi
  local extra
  extra="$(cd "$dir" && find . -type f ! -path './skins/*' | sort | tr '\n' ' ')"
  [ "$extra" = "./Accounts.ini ./Vexil.ini ./VxFilter.ini ./vexil.exe ./vxhelp.html " ] &&
    ok "$1: nothing else beside them" || fail "$1: holds $extra"
  local width
  width="$("$SCRIPTS/wine-run" --width-of "$dir/vexil.exe")"
  [ "$width" = "$2" ] && ok "$1: vexil.exe is a $2-bit program" || fail "$1: vexil.exe is '${width:-not a program}'"
  UNPACKED="$dir"
}

# starts LABEL FOLDER: the program starts from the folder, shows its window
# pixel for pixel, ends cleanly on alt+F4 and keeps where it stood.
starts() {
  local dir="$2"
  set_ini "$dir/Vexil.ini" posX 37
  set_ini "$dir/Vexil.ini" posY 63
  set_ini "$dir/Vexil.ini" min_scroll 0
  start_vexil "$dir"
  if win=$(wait_window Vexil 120); then
    sleep 1.5
    import -window root -depth 8 "$WORK/$1.ppm"
    keep_shot "package-$1"
    if "$CHECK" shot "$dir" "$WORK/$1.ppm" "$ROOT_COLOR"; then ok "$1: starts, window pixel-exact"; else fail "$1: window differs from the rendering"; fi
    xdotool windowmove --sync "$win" 150 95 2>/dev/null || xdotool windowmove "$win" 150 95
    sleep 0.5
    xdotool windowfocus --sync "$win" key --window "$win" alt+F4 2>/dev/null || xdotool key --window "$win" alt+F4
    wait_exit 30
    [ "$EXIT_CODE" = 0 ] && ok "$1: closed cleanly" || fail "$1: did not end cleanly (${EXIT_CODE:-still running})"
    "$CHECK" ini "$dir/Vexil.ini" 150 95 && ok "$1: settings written beside the program" || fail "$1: Vexil.ini after exit"
  else
    fail "$1: no window appeared"; cat "$WORK/vexil.log"
  fi
  [ -n "${VEXIL_PID:-}" ] && kill "$VEXIL_PID" 2>/dev/null; VEXIL_PID=""
}

if unpacked win64 64; then starts win64 "$UNPACKED"; fi
if unpacked win32 32; then
  if why="$("$SCRIPTS/wine-run" --can-run 32 2>&1)"; then
    starts win32 "$UNPACKED"
  else
    echo "skipped: starting the 32-bit program: $why"
  fi
fi
cmp -s <(cd "$WORK/release" && sha256sum -c SHA256SUMS 2>&1 | grep -c ': OK$') <(echo 2) &&
  ok "SHA256SUMS matches both archives" || fail "SHA256SUMS"

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
