#!/usr/bin/env bash
# The settings dialog of vexil.exe, driven from the keyboard and the mouse as
# a user would: Configure from the context menu; an account added for a local
# Dovecot, then checked; modified, made inactive and removed; the tray icon
# switched off; a skin previewed then dropped with Close, previewed then kept
# with OK; and Help handed to the shell.  Screenshots of the five pages are
# left in $VEXIL_SCREENSHOTS when it is set.
# Usage: configure_test.sh DIST_DIR SCREEN_CHECK
set -uo pipefail
DIST="$(cd "$1" && pwd)"; CHECK="$2"
SCRIPTS="$(cd "$(dirname "$0")/../../scripts" && pwd)"
SUPPORT="$(cd "$(dirname "$0")/../support" && pwd)"
WORK="$(mktemp -d /tmp/vexil-e2e.XXXXXX)"
. "$(dirname "$0")/lib.sh"
DOVECOT="$(mktemp -d /tmp/vxe2e.XXXXXX)"
HTML_KEY='HKLM\Software\Classes\.html'
HANDLER_KEY='HKLM\Software\Classes\VexilTestPage'
HTML_WAS=""
cleanup() {
  # The page handler belongs to this test only.  Taken away while the display
  # is still there: stop_display then ends the Wine server with everything
  # that this test's Wine processes started.
  [ -n "$HTML_WAS" ] || "$SCRIPTS/wine-run" reg delete "$HTML_KEY" /f >/dev/null 2>&1 || true
  "$SCRIPTS/wine-run" reg delete "$HANDLER_KEY" /f >/dev/null 2>&1 || true
  stop_display
  bash "$SUPPORT/dovecot.sh" stop "$DOVECOT" >/dev/null 2>&1 || true
  rm -rf "$DOVECOT"
}
trap cleanup EXIT


# open_dialog: Configure, the first item of the window's context menu.
open_dialog() {
  xdotool mousemove "$fx" "$fy" click 3
  sleep 1
  keys Down Return
  dialog=$(wait_window "Vexil Configuration" 20) || { fail "no settings dialog"; return 1; }
  sleep 0.5
}
# The page buttons come first in the Tab order: Tab n times, then Space.
page() { local i; for i in $(seq "$1"); do keys Tab; done; keys space; }
# tray_icons: how many colours the notification area's first icon holds.
tray_colours() { import -window root -crop 20x20+3+22 "$WORK/tray.png" 2>/dev/null; convert "$WORK/tray.png" -format %k info:; }
main_size() { xdotool getwindowgeometry "$win" | sed -n 's/.*Geometry: //p'; }

start_display || exit 1
bash "$SUPPORT/dovecot.sh" start "$DOVECOT" 0 1 >/dev/null || { echo "Dovecot did not start"; exit 1; }
port=$(cat "$DOVECOT/port")
for n in 1 2 3; do
  printf 'From: Ann <ann@example.org>\nSubject: Note %s\n\nHello %s.\n' "$n" "$n" > "$WORK/msg$n"
  bash "$SUPPORT/dovecot.sh" deliver "$DOVECOT" user01 "$WORK/msg$n" >/dev/null
done

# The shell's "open" of a page runs a handler that writes down what it got.
opened_unix="$WORK/opened.txt"
opened_win="Z:${opened_unix//\//\\}"
# (A prefix that already knows .html pages keeps its own handler.)
HTML_WAS=$("$SCRIPTS/wine-run" reg query "$HTML_KEY" /ve 2>/dev/null | grep -i 'REG_SZ' | grep -vi VexilTestPage || true)
[ -n "$HTML_WAS" ] || "$SCRIPTS/wine-run" reg add "$HTML_KEY" /ve /d VexilTestPage /f >/dev/null 2>&1
"$SCRIPTS/wine-run" reg add "$HANDLER_KEY\\shell\\open\\command" /ve \
  /d "C:\\windows\\system32\\cmd.exe /c echo %1>$opened_win" /f >/dev/null 2>&1

dir=$(fresh_folder configure)
: > "$dir/Accounts.ini"
set_ini "$dir/Vexil.ini" posX 60
set_ini "$dir/Vexil.ini" posY 60
set_ini "$dir/Vexil.ini" autocheck 0
set_ini "$dir/Vexil.ini" icon_tray 1
set_ini "$dir/Vexil.ini" playsnd 0
read -r _ cx cy < <("$CHECK" points "$dir" | grep '^connect')
read -r _ fx fy < <("$CHECK" points "$dir" | grep '^free')

start_vexil "$dir"
if ! win=$(wait_window Vexil 90); then
  fail "no window appeared"; cat "$WORK/vexil.log"
  echo "$passed passed, $failed failed"; exit 1
fi
sleep 1
default_size=$(main_size)

# 1. A first account, typed in through the "&" shortcuts; Enter is OK.
if open_dialog; then
  keep_shot options "$dialog"
  for n in 2 3 4 5; do page 1; keep_shot "page$n" "$dialog"; done
  keys shift+Tab shift+Tab shift+Tab space   # back from About to Accounts
  keys alt+n; typed "Local"
  keys alt+h; typed "127.0.0.1"
  keys alt+l; typed "user01"
  keys alt+w; typed "pw01"
  keys alt+p ctrl+a; typed "$port"
  keys alt+s Up   # a new account starts on TLS; this local server has none: Automatic
  keys alt+a
  sleep 0.5
  if accounts_has "acc_name = Local" && accounts_has "port_number = $port"; then ok "Add wrote the account at once"; else fail "Accounts.ini after Add"; cat "$dir/Accounts.ini"; fi
  keys Return
  if closed; then ok "Enter closes the dialog with OK"; else fail "Enter did not close the dialog"; fi
  sleep 1   # the window takes its skin again after OK
  xdotool mousemove "$cx" "$cy" click 1
  wait_status added "LOCAL 3 MESSAGES" 3
fi

# 2. Rename it, make it inactive, then Escape: both stay written.
if open_dialog; then
  page 1
  keys alt+n ctrl+a; typed "Work"
  keys alt+m
  sleep 0.3
  keys alt+i
  sleep 0.3
  if accounts_has "acc_name = Work" && accounts_has "inactive = 1"; then ok "Modify and Inactive written at once"; else fail "Accounts.ini after Modify"; cat "$dir/Accounts.ini"; fi
  keys Escape
  if closed; then ok "Escape closes the dialog"; else fail "Escape did not close the dialog"; fi
fi

# 3. Remove it.
if open_dialog; then
  page 1
  keys alt+r
  sleep 0.3
  if [ ! -s "$dir/Accounts.ini" ]; then ok "Remove emptied Accounts.ini"; else fail "Accounts.ini after Remove"; cat "$dir/Accounts.ini"; fi
  keys Escape; closed
fi

# 4. The tray icon off.
before=$(tray_colours)
if open_dialog; then
  keys alt+y Return
  closed || fail "the dialog stayed open"
  # Wine takes a few seconds to take its notification area away.
  for _ in $(seq 40); do after=$(tray_colours); [ "$after" -le 2 ] && break; sleep 0.25; done
  if [ "$before" -gt 2 ] && [ "$after" -le 2 ]; then ok "tray icon gone ($before colours, then $after)"; else fail "tray icon ($before colours, then $after)"; fi
  sleep 1
fi

# 5. A skin previewed on the window: Close puts the old one back, OK keeps it.
preview_amber() {
  page 3
  keys alt+c
  if box=$(wait_window Open 20); then
    sleep 0.5
    keys ctrl+a; typed 'Amber\skin.ini'; keys Return
    sleep 1.5
  else
    fail "no file dialog"
  fi
}
if open_dialog; then
  preview_amber
  for _ in $(seq 40); do previewed=$(main_size); [ "$previewed" != "$default_size" ] && break; sleep 0.25; done
  if [ "$previewed" != "$default_size" ]; then ok "preview shows the other skin ($previewed)"; else fail "preview did not change the window ($previewed)"; fi
  keys Escape; closed
  for _ in $(seq 40); do [ "$(main_size)" = "$default_size" ] && break; sleep 0.25; done
  if [ "$(main_size)" = "$default_size" ]; then ok "Close puts the old skin back"; else fail "after Close the window is $(main_size)"; fi
fi
if open_dialog; then
  preview_amber
  keys Return; closed
  for _ in $(seq 40); do [ "$(main_size)" = "$previewed" ] && break; sleep 0.25; done
  if [ "$(main_size)" = "$previewed" ]; then ok "OK keeps the previewed skin"; else fail "after OK the window is $(main_size)"; fi
  if tr -d '\r' < "$dir/Vexil.ini" | grep -q '^current_skin = .*Amber\\$'; then ok "current_skin written"; else fail "current_skin: $(grep current_skin "$dir/Vexil.ini")"; fi
fi

# 6. Help: the help page goes to the shell.
rm -f "$opened_unix"
xdotool mousemove "$fx" "$fy" click 3
sleep 1
keys h
for _ in $(seq 40); do [ -s "$opened_unix" ] && break; sleep 0.25; done
if grep -qi 'vxhelp.html' "$opened_unix" 2>/dev/null; then ok "Help opened vxhelp.html"; else fail "Help: the shell got '$(cat "$opened_unix" 2>/dev/null)'"; fi

# Exit, the last item of the context menu.
xdotool mousemove "$fx" "$fy" click 3
sleep 1
keys Up Return
wait_exit 30
if [ "$EXIT_CODE" = 0 ]; then ok "closed cleanly"; else fail "did not end cleanly (${EXIT_CODE:-still running})"; fi
if tr -d '\r' < "$dir/Vexil.ini" | grep -qx 'icon_tray =0'; then ok "icon_tray =0 kept at exit"; else fail "icon_tray at exit"; fi

echo "$passed passed, $failed failed"
[ "$failed" = 0 ]
