#!/usr/bin/env bash
# Start-up time under Wine: from launch to the first painted window, for
# vexil.exe from the ready-to-run folder and for an empty Win32 window (the
# floor that Wine itself sets), side by side.  Run after scripts/build.sh.
# Usage: bench/startup.sh [RUNS] [FOLDER]   (FOLDER: dist, the default, or dist32)
set -uo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
runs="${1:-10}"
DIST="$(cd "${2:-$root/dist}" && pwd)"
WORK="$(mktemp -d /tmp/vexil-bench.XXXXXX)"
SCRIPTS="$root/scripts"
. "$root/tests/e2e/lib.sh"
trap 'stop_display' EXIT
# A Wine server started without this display (by a program that showed no
# window) would keep its desktop without one: start afresh on ours.
"$SCRIPTS/wine-run" --server -k 2>/dev/null || true
start_display >/dev/null
"$SCRIPTS/wine-run" cmd /c exit 0 >/dev/null 2>&1   # the prefix exists, the server runs
"$SCRIPTS/wine-run" --server -p 2>/dev/null   # keep the Wine server up between runs, as on a desktop

# time_start FOLDER EXE NAME: milliseconds from launch until a visible window NAME
# whose pixels are no longer the desktop's.
time_start() {
  local t0 t1 id
  t0=$(date +%s%N)
  (cd "$1" && exec "$SCRIPTS/wine-run" "$2") >/dev/null 2>&1 &
  VEXIL_PID=$!
  while :; do
    id=$(xdotool search --onlyvisible --name "^$3\$" 2>/dev/null | head -1)
    [ -n "$id" ] && break
    if [ $(($(date +%s%N) - t0)) -gt 60000000000 ]; then
      echo "$2 showed no window $3 within 60 s" >&2
      exit 1
    fi
    sleep 0.005
  done
  t1=$(date +%s%N)
  kill "$VEXIL_PID" 2>/dev/null; wait "$VEXIL_PID" 2>/dev/null; VEXIL_PID=""
  sleep 0.3
  echo $(((t1 - t0) / 1000000))
}

median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }

folder="$WORK/app"; cp -r "$DIST" "$folder"
cp "$WINBUILD/empty_window.exe" "$WORK/"
time_start "$folder" ./vexil.exe Vexil >/dev/null   # warm the caches once
v=$(for _ in $(seq "$runs"); do time_start "$folder" ./vexil.exe Vexil; done | median)
e=$(for _ in $(seq "$runs"); do time_start "$WORK" ./empty_window.exe EmptyWindow; done | median)
printf '%-28s %8s\n' "program" "median ms"
printf '%-28s %8s\n' "vexil.exe (Default skin)" "$v"
printf '%-28s %8s\n' "empty Win32 window" "$e"
