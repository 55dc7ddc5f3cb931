#!/usr/bin/env bash
# vexil.exe from the ready-to-run folder under Wine and Xvfb: the shaped window
# at its position, pixel for pixel; a clean exit that writes the settings;
# and the fatal start-up messages for broken settings and skins.
# Usage: startup_test.sh DIST_DIR SCREEN_CHECK
set -uo pipefail
DIST="$(cd "$1" && pwd)"; CHECK="$2"
SCRIPTS="$(cd "$(dirname "$0")/../../scripts" && pwd)"
WORK="$(mktemp -d /tmp/vexil-e2e.XXXXXX)"
. "$(dirname "$0")/lib.sh"
trap 'stop_display' EXIT

start_display || exit 1

# 1. A fresh folder starts offline: window, outline, "DISCONNECTED" and "0".
dir=$(fresh_folder start)
set_ini "$dir/Vexil.ini" posX 37
set_ini "$dir/Vexil.ini" posY 63  # below the desktop's notification area (Wine draws one at the top left)
start_vexil "$dir"
if win=$(wait_window Vexil 90); then
  sleep 1.5
  import -window root -depth 8 "$WORK/start.ppm"
  if "$CHECK" shot "$dir" "$WORK/start.ppm" "$ROOT_COLOR"; then ok "window pixel-exact"; else fail "window differs from the rendering"; fi
  xdotool windowmove --sync "$win" 140 90 2>/dev/null || xdotool windowmove "$win" 140 90
  sleep 0.5
  xdotool windowfocus --sync "$win" key --window "$win" alt+F4 2>/dev/null || xdotool key --window "$win" alt+F4
  wait_exit 30
  if [ "$EXIT_CODE" = 0 ]; then ok "closed cleanly"; else fail "did not end cleanly after alt+F4 (${EXIT_CODE:-still running})"; fi
  if "$CHECK" ini "$dir/Vexil.ini" 140 90; then ok "settings written at exit"; else fail "Vexil.ini after exit"; fi
else
  fail "no window appeared"; cat "$WORK/vexil.log"
fi

# 2. Broken input: a message box named Vexil, then a clean end once it is dismissed.
expect_fatal() {  # expect_fatal LABEL FOLDER
  start_vexil "$2"
  if box=$(wait_window Vexil 60); then
    import -window "$box" "$WORK/$1.png" 2>/dev/null
    xdotool windowfocus --sync "$box" key --window "$box" Return 2>/dev/null || xdotool key --window "$box" Return
    wait_exit 20
    if [ -n "$EXIT_CODE" ] && [ "$EXIT_CODE" != 0 ]; then ok "$1: message, then end (exit $EXIT_CODE)"; else fail "$1: did not end after the message (${EXIT_CODE:-still running})"; fi
  else
    fail "$1: no message box"; cat "$WORK/vexil.log"
  fi
  [ -n "${VEXIL_PID:-}" ] && kill "$VEXIL_PID" 2>/dev/null; VEXIL_PID=""
}

dir=$(fresh_folder no-ini); rm "$dir/Vexil.ini"
expect_fatal "missing Vexil.ini" "$dir"
dir=$(fresh_folder no-skin-line); sed -i '/^current_skin/d' "$dir/Vexil.ini"
expect_fatal "no current_skin" "$dir"
dir=$(fresh_folder no-main); sed -i '/^main *=/Id' "$dir/skins/Default/skin.ini"
expect_fatal "skin without main" "$dir"
dir=$(fresh_folder broken-button)
btn=$(grep -i '^cnxbtnnormal' "$dir/skins/Default/skin.ini" | cut -d= -f2 | tr -d ' \r')
printf 'not a picture' > "$dir/skins/Default/$btn"
expect_fatal "broken button picture" "$dir"
dir=$(fresh_folder truncated-bmp)
main=$(grep -i '^main *=' "$dir/skins/Default/skin.ini" | cut -d= -f2 | tr -d ' \r')
head -c 300 "$DIST/skins/Default/$main" > "$dir/skins/Default/$main"
expect_fatal "truncated background" "$dir"

# 3. A broken skin picked from the Skins menu: its error box, then the skin on
#    view stays, pixel for pixel and working, and the exit keeps current_skin.
dir=$(fresh_folder broken-pick)
set_ini "$dir/Vexil.ini" posX 60
set_ini "$dir/Vexil.ini" posY 70
cp -r "$dir/skins/Default" "$dir/skins/0broken"  # sorts first in the Skins menu
main=$(grep -i '^main *=' "$dir/skins/Default/skin.ini" | cut -d= -f2 | tr -d ' \r')
head -c 300 "$DIST/skins/Default/$main" > "$dir/skins/0broken/$main"
read -r _ fx fy < <("$CHECK" points "$dir" | grep '^free')
start_vexil "$dir"
if win=$(wait_window Vexil 90); then
  sleep 1.5
  xdotool mousemove "$fx" "$fy" click 3
  sleep 1
  # Configure, Skins, into the submenu (Other Skins...), then the first skin.
  xdotool key Down key Down key Right
  sleep 0.5
  xdotool key Down key Return
  if box=$(wait_box "$win"); then
    ok "broken skin from the menu: an error box"
    import -window "$box" "$WORK/broken-pick.png" 2>/dev/null
    xdotool windowfocus --sync "$box" key --window "$box" Return 2>/dev/null || xdotool key --window "$box" Return
  else
    fail "broken skin from the menu: no error box"
  fi
  sleep 1
  xdotool mousemove 5 5
  sleep 0.3
  import -window root -depth 8 "$WORK/after-pick.ppm"
  if "$CHECK" shot "$dir" "$WORK/after-pick.ppm" "$ROOT_COLOR"; then ok "the skin on view stays, pixel-exact"; else fail "the window changed after the broken skin"; fi
  # Still working: the context menu opens and Exit ends the program cleanly.
  xdotool mousemove "$fx" "$fy" click 3
  sleep 1
  xdotool key Up key Return
  wait_exit 30
  if [ "$EXIT_CODE" = 0 ]; then ok "still working: Exit from the menu"; else fail "no clean exit after the broken skin (${EXIT_CODE:-still running})"; fi
  if grep -q "^current_skin = skins/Default/"$'\r'"\$" "$dir/Vexil.ini"; then ok "current_skin unchanged"; else fail "current_skin changed: $(grep current_skin "$dir/Vexil.ini")"; fi
else
  fail "no window appeared (broken skin)"; cat "$WORK/vexil.log"
fi

# 4. A message box has an owner: once it is closed, the keys reach the main
#    window again with no click (Connect without an account says so; then
#    Alt+F4 goes to the window and ends the program).
dir=$(fresh_folder owned-box)
: > "$dir/Accounts.ini"
set_ini "$dir/Vexil.ini" posX 60
set_ini "$dir/Vexil.ini" posY 70
read -r _ cx cy < <("$CHECK" points "$dir" | grep '^connect')
start_vexil "$dir"
if win=$(wait_window Vexil 90); then
  sleep 1.5
  xdotool mousemove "$cx" "$cy" click 1
  if box=$(wait_box "$win"); then
    xdotool windowfocus --sync "$box" key --window "$box" Return 2>/dev/null || xdotool key --window "$box" Return
    sleep 1
    xdotool key alt+F4
    wait_exit 20
    if [ "$EXIT_CODE" = 0 ]; then ok "after a message box the keys reach the main window"; else fail "Alt+F4 after a message box reached nothing (${EXIT_CODE:-still running})"; fi
  else
    fail "Connect without an account showed no message"
  fi
else
  fail "no window appeared (owned box)"; cat "$WORK/vexil.log"
fi
[ -n "${VEXIL_PID:-}" ] && kill "$VEXIL_PID" 2>/dev/null; VEXIL_PID=""

# 5. A folder named in two scripts at once, which no code page holds: the
#    program starts there, OK in the settings dialog writes Vexil.ini whole
#    (a sound file named in both scripts kept as it was), the exit writes it
#    again, and the program starts again from what it wrote.
dir=$(fresh_folder "Почта Ωmega")
set_ini "$dir/Vexil.ini" posX 60
set_ini "$dir/Vexil.ini" posY 70
set_ini "$dir/Vexil.ini" playsnd 0
set_ini "$dir/Vexil.ini" autocheck 0
sound="$(winpath "$dir")\\звук Ωμέγα.wav"
sed -i '/^wavsnd *=/d' "$dir/Vexil.ini"
printf 'wavsnd = %s\r\n' "$sound" >> "$dir/Vexil.ini"
read -r _ fx fy < <("$CHECK" points "$dir" | grep '^free')
written() { tr -d '\r' < "$dir/Vexil.ini" | grep -qxF "$1"; }
for round in 1 2; do
  away   # the window must not come up under the pointer: its button would show the hover
  start_vexil "$dir"
  if ! win=$(wait_window Vexil 90); then
    fail "no window from a folder named in two scripts (start $round)"; cat "$WORK/vexil.log"; break
  fi
  sleep 1.5
  if [ "$round" = 1 ]; then
    away
    import -window root -depth 8 "$WORK/scripts.ppm"
    if "$CHECK" shot "$dir" "$WORK/scripts.ppm" "$ROOT_COLOR"; then ok "started from a folder named in two scripts"; else fail "window from a folder named in two scripts"; fi
    keep_shot two-scripts
    xdotool mousemove "$fx" "$fy" click 3; sleep 1
    keys Down Return
    if dialog=$(wait_window "Vexil Configuration" 20); then
      sleep 0.5
      xdotool windowfocus --sync "$dialog" 2>/dev/null
      keys alt+o; keep_shot two-scripts-dialog; keys Return   # headers only, then OK
      sleep 1
      if written "header_only =1" && written "wavsnd = $sound"; then
        ok "OK wrote the settings beside the program"
      else
        fail "Vexil.ini after OK: $(tr -d '\r' < "$dir/Vexil.ini" | grep -E '^(header_only|wavsnd)' | tr '\n' ' ')"
      fi
    else
      fail "no settings dialog"
    fi
  fi
  xdotool mousemove "$fx" "$fy"; xdotool windowfocus --sync "$win" key --window "$win" alt+F4 2>/dev/null || xdotool key --window "$win" alt+F4
  wait_exit 30
  if [ "$EXIT_CODE" = 0 ] && "$CHECK" ini "$dir/Vexil.ini" 60 70 && written "header_only =1"; then
    ok "exit $round wrote the settings"
  else
    fail "exit $round (${EXIT_CODE:-still running})"
  fi
done
leftovers=$(find "$dir" -maxdepth 1 -name '*.tmp' | wc -l)
if [ "$leftovers" = 0 ]; then ok "no temporary file left beside the settings"; else fail "$leftovers temporary files left"; fi
[ -n "${VEXIL_PID:-}" ] && kill "$VEXIL_PID" 2>/dev/null; VEXIL_PID=""

echo "$passed passed, $failed failed"
[ "$failed" = 0 ]
