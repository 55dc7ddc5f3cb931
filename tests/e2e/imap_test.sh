#!/usr/bin/env bash
# vexil.exe with an IMAP account: added in the settings dialog as a user
# would (Protocol IMAP, its port, Automatic security), it shows the unseen
# count of a local Dovecot's inbox; a message delivered while online shows the
# got-mail picture and the new count within 2 seconds, with no click (IDLE);
# Disconnect ends the watch (the server sees the connection go).
# Usage: imap_test.sh DIST_DIR SCREEN_CHECK
set -uo pipefail
DIST="$(cd "$1" && pwd)"; CHECK="$2"
SCRIPTS="$(cd "$(dirname "$0")/../../scripts" && pwd)"
SUPPORT="$(cd "$(dirname "$0")/../support" && pwd)"
WORK="$(mktemp -d /tmp/vexil-e2e.XXXXXX)"
. "$(dirname "$0")/lib.sh"
DOVECOT="$(mktemp -d /tmp/vxe2e.XXXXXX)"
cleanup() {
  stop_display
  bash "$SUPPORT/dovecot.sh" stop "$DOVECOT" >/dev/null 2>&1 || true
  rm -rf "$DOVECOT"
}
trap cleanup EXIT

deliver() {  # deliver N: one small mail into user01's inbox
  printf 'From: Ann <ann@example.org>\nTo: demo@example.org\nSubject: Note %s\n\nHello number %s.\n' "$1" "$1" > "$WORK/msg$1"
  bash "$SUPPORT/dovecot.sh" deliver "$DOVECOT" user01 "$WORK/msg$1" >/dev/null
}
# IMAP logins of user01 that this test's server still holds open (its
# processes' titles name user and state: "…/imap [user01 127.0.0.1 IDLE]").
open_sessions() {
  ps -o args= --ppid "$(cat "$DOVECOT/run/master.pid")" | grep -c "/imap \[user01 " || true
}

start_display || exit 1
bash "$SUPPORT/dovecot.sh" start "$DOVECOT" 0 2 >/dev/null || { echo "Dovecot did not start"; exit 1; }
port=$(cat "$DOVECOT/port-imap")
for n in 1 2 3; do deliver "$n"; done

dir=$(fresh_folder imap)
: > "$dir/Accounts.ini"
set_ini "$dir/Vexil.ini" posX 60
set_ini "$dir/Vexil.ini" posY 60
set_ini "$dir/Vexil.ini" autocheck 1
set_ini "$dir/Vexil.ini" minutes 30
set_ini "$dir/Vexil.ini" icon_tray 0
set_ini "$dir/Vexil.ini" playsnd 0
read -r _ cx cy < <("$CHECK" points "$dir" | grep '^connect')
read -r _ dx dy < <("$CHECK" points "$dir" | grep '^disconnect')
read -r _ fx fy < <("$CHECK" points "$dir" | grep '^free')

start_vexil "$dir"
if ! win=$(wait_window Vexil 90); then
  fail "no window appeared"; cat "$WORK/vexil.log"
  echo "$passed passed, $failed failed"; exit 1
fi
sleep 1

# 1. The account, typed in: Protocol IMAP proposes 993, the port is typed over.
xdotool mousemove "$fx" "$fy" click 3; sleep 1
keys Down Return
if dialog=$(wait_window "Vexil Configuration" 20); then
  sleep 0.5
  xdotool windowfocus --sync "$dialog" 2>/dev/null
  keys Tab space   # the Accounts page
  keys alt+n; typed "Kept"
  keys alt+h; typed "127.0.0.1"
  keys alt+l; typed "user01"
  keys alt+w; typed "pw01"
  keys alt+t Down   # IMAP
  keep_shot imap-account "$dialog"
  keys alt+p ctrl+a; typed "$port"
  keys alt+s Up     # a new account starts on TLS; this local server has none: Automatic
  keys alt+a
  sleep 0.5
  if accounts_has "protocol = imap" && accounts_has "port_number = $port"; then
    ok "Add wrote an IMAP account"
  else
    fail "Accounts.ini after Add"; cat "$dir/Accounts.ini"
  fi
  keys Return
  closed || fail "the dialog did not close"
else
  fail "no settings dialog"
fi

# 2. Online: the unseen count.
sleep 1
xdotool mousemove "$cx" "$cy" click 1
wait_status unseen "KEPT 3 MESSAGES" 3

# 3. Mail delivered while online: on screen within 2 s, no click.
sleep 2   # the watch idles by now
deliver 4
start=$(date +%s%N)
seen=""
while [ $(( ($(date +%s%N) - start) / 1000000 )) -lt 2000 ]; do
  import -window root -depth 8 "$WORK/idle.ppm"
  if "$CHECK" shot "$dir" "$WORK/idle.ppm" "$ROOT_COLOR" "KEPT 4 MESSAGES" 4 online >/dev/null 2>&1; then
    seen=$(( ($(date +%s%N) - start) / 1000000 )); break
  fi
done
keep_shot idle-news
if [ -n "$seen" ]; then ok "new mail on screen $seen ms after delivery, no click"; else fail "new mail not on screen within 2 s"; wait_status idle-late "KEPT 4 MESSAGES" 4; fi

# 4. Disconnect ends the watch: the server sees no session of ours left.
idling=$(open_sessions)
if [ "$idling" -ge 1 ]; then ok "online, the server holds $idling idling session"; else fail "no IMAP session while online"; fi
xdotool mousemove "$dx" "$dy" click 1
gone=""
for _ in $(seq 10); do
  sleep 0.2
  [ "$(open_sessions)" = 0 ] && { gone=1; break; }
done
if [ -n "$gone" ]; then ok "Disconnect ended the IDLE session"; else fail "IMAP sessions left after Disconnect: $(open_sessions)"; fi

xdotool mousemove "$fx" "$fy"
xdotool key --window "$win" alt+F4 2>/dev/null
wait_exit 30
if [ "$EXIT_CODE" = 0 ]; then ok "closed cleanly"; else fail "did not end cleanly (${EXIT_CODE:-still running})"; fi

echo "$passed passed, $failed failed"
[ "$failed" = 0 ]
