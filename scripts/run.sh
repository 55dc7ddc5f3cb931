#!/usr/bin/env bash
# Builds vexil.exe (the 64-bit program), lays out the ready-to-run folder
# dist/ and starts it under Wine's 64-bit loader (through scripts/wine-run).
# Without a display it starts Vexil on a virtual one, saves a screenshot once
# the window is up and ends Vexil cleanly.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/deps.sh"
"$root/scripts/build.sh" windows
cd "$root/dist"

# A local mailbox with a few messages, so that Vexil finds mail at once.
"$root/scripts/demo-server.sh" start "$root/dist"

if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  echo "Starting Vexil from $root/dist: click the plug button to connect."
  "$root/scripts/wine-run" ./vexil.exe || true
  "$root/scripts/demo-server.sh" stop
  exit 0
fi

WORK="$(mktemp -d /tmp/vexil-run.XXXXXX)"
SCRIPTS="$root/scripts"
DIST="$root/dist"
. "$root/tests/e2e/lib.sh"
trap 'stop_display; "$root/scripts/demo-server.sh" stop' EXIT
start_display
start_vexil "$root/dist"
if ! win=$(wait_window Vexil 120); then
  echo "Vexil did not show its window; its output:" >&2
  cat "$WORK/vexil.log" >&2
  exit 1
fi
sleep 2
# Click Connect, as a user would, and let the first check finish.
eval "$(xdotool getwindowgeometry --shell "$win")"
skin=$(grep -i -m1 '^current_skin' "$root/dist/Vexil.ini" | cut -d= -f2- | tr -d ' \r' | tr '\\' /)
case "$skin" in /* | [A-Za-z]:*) ;; *) skin="$root/dist/$skin" ;; esac
connect=$(sed -n '/^\[connect\]/I,/^\[/p' "$skin/skin.ini" 2>/dev/null | grep -i '^position' | head -1 | cut -d= -f2 | tr -d ' \r')
[ -n "$connect" ] || connect=0,0
xdotool mousemove $((X + ${connect%,*} + 10)) $((Y + ${connect#*,} + 10)) click 1
sleep 4
xdotool mousemove 5 5
sleep 0.5
shot="$root/dist/screenshot.png"
import -window root -crop 640x360+0+0 "$shot"
xdotool windowfocus --sync "$win" key --window "$win" alt+F4 2>/dev/null || true
wait_exit 30 || true
echo "Vexil ran on a virtual display; screenshot: $shot"
echo "To see the program for real, run this command from a desktop session"
echo "(DISPLAY set), or run dist/vexil.exe with Wine (or on Windows)."
