#!/usr/bin/env bash
# vexil.exe checking a real mailbox: a local Dovecot holding 3 messages for a
# configured account, and clicks sent with xdotool at the skin's buttons.
# Connect, a rise to 5, the server gone, Disconnect, and Exit from the
# context menu, each checked on screen pixel for pixel.  Then a server that
# answers every command after 3 seconds: the window must still move while
# the check waits.
# Usage: checkcycle_test.sh DIST_DIR SCREEN_CHECK
set -uo pipefail
DIST="$(cd "$1" && pwd)"; CHECK="$2"
SCRIPTS="$(cd "$(dirname "$0")/../../scripts" && pwd)"
SUPPORT="$(cd "$(dirname "$0")/../support" && pwd)"
WORK="$(mktemp -d /tmp/vexil-e2e.XXXXXX)"
. "$(dirname "$0")/lib.sh"
DOVECOT="$(mktemp -d /tmp/vxe2e.XXXXXX)"
SLOW_PID=""
cleanup() {
  stop_display
  bash "$SUPPORT/dovecot.sh" stop "$DOVECOT" >/dev/null 2>&1 || true
  [ -n "$SLOW_PID" ] && kill "$SLOW_PID" 2>/dev/null
  rm -rf "$DOVECOT"
}
trap cleanup EXIT

message() {  # message N: a small mail as Maildir keeps it (LF line ends)
  printf 'From: Ann <ann@example.org>\nTo: demo@example.org\nSubject: Note %s\n\nHello number %s.\n' "$1" "$1"
}
deliver() {  # deliver FROM TO
  local n
  for n in $(seq "$1" "$2"); do
    message "$n" > "$WORK/msg$n"
    bash "$SUPPORT/dovecot.sh" deliver "$DOVECOT" user01 "$WORK/msg$n" >/dev/null
  done
}
account() {  # account NAME PORT PASSWORD: Accounts.ini text
  python3 - "$@" <<'PY'
import sys
name, port, password = sys.argv[1:4]
scrambled = bytes(((2 * ord(c)) - 8) % 256 for c in password)
sys.stdout.buffer.write(b"\r\n[Account1]\r\nacc_name = " + name.encode() +
    b"\r\nhost_name = 127.0.0.1\r\nuser_name = user01\r\npassword = " + scrambled +
    b"\r\nport_number = " + port.encode() + b"\r\ninactive = 0\r\n")
PY
}
click() { xdotool mousemove "$1" "$2" click 1; }
# shot LABEL STATUS COUNT: the window shows STATUS and COUNT, online.
shot() {
  away
  import -window root -depth 8 "$WORK/$1.ppm"
  if "$CHECK" shot "$dir" "$WORK/$1.ppm" "$ROOT_COLOR" "$2" "$3" online; then ok "$1: \"$2\" and $3"; else fail "$1"; fi
}

start_display || exit 1
bash "$SUPPORT/dovecot.sh" start "$DOVECOT" 0 2 >/dev/null || { echo "Dovecot did not start"; exit 1; }
port=$(cat "$DOVECOT/port")
deliver 1 3

dir=$(fresh_folder check)
account Demo "$port" pw01 > "$dir/Accounts.ini"
set_ini "$dir/Vexil.ini" posX 60
set_ini "$dir/Vexil.ini" posY 50
set_ini "$dir/Vexil.ini" autocheck 0
set_ini "$dir/Vexil.ini" icon_tray 0
set_ini "$dir/Vexil.ini" playsnd 0
read -r _ cx cy < <("$CHECK" points "$dir" | grep '^connect')
read -r _ kx ky < <("$CHECK" points "$dir" | grep '^check')
read -r _ dx dy < <("$CHECK" points "$dir" | grep '^disconnect')
read -r _ fx fy < <("$CHECK" points "$dir" | grep '^free')

start_vexil "$dir"
if win=$(wait_window Vexil 90); then
  sleep 1
  click "$cx" "$cy"
  wait_status connect "DEMO 3 MESSAGES" 3
  deliver 4 5
  click "$kx" "$ky"
  wait_status rise "DEMO 5 MESSAGES" 5
  bash "$SUPPORT/dovecot.sh" stop "$DOVECOT" >/dev/null 2>&1
  click "$kx" "$ky"
  wait_status server-gone "DEMO ACCESS ERROR TO POP SERVER" 0
  click "$dx" "$dy"
  wait_status disconnect "DISCONNECTED" 0 offline
  # Exit from the context menu: its last item.
  xdotool mousemove "$fx" "$fy" click 3
  sleep 1
  xdotool key Up key Return
  wait_exit 30
  if [ "$EXIT_CODE" = 0 ]; then ok "Exit from the context menu"; else fail "Exit from the context menu (${EXIT_CODE:-still running})"; fi
  if "$CHECK" ini "$dir/Vexil.ini" 60 50; then ok "settings written at exit"; else fail "Vexil.ini after exit"; fi
else
  fail "no window appeared"; cat "$WORK/vexil.log"
fi

# A server that takes 3 seconds over every answer: while the check waits,
# the window is dragged and must follow.
slow_port=$(free_port)
python3 - "$slow_port" <<'PY' &
import socket, sys, time
srv = socket.socket()
srv.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
srv.bind(("127.0.0.1", int(sys.argv[1])))
srv.listen(4)
srv.settimeout(60)
for _ in range(2):
    try:
        conn, _ = srv.accept()
    except OSError:
        break
    conn.settimeout(30)
    f = conn.makefile("rb")
    time.sleep(3); conn.sendall(b"+OK slow server\r\n")
    for reply in (b"-ERR no capabilities\r\n", b"+OK\r\n", b"+OK\r\n", b"+OK\r\n1 a\r\n.\r\n"):
        if not f.readline():
            break
        time.sleep(3); conn.sendall(reply)
    f.readline()
    conn.close()
PY
SLOW_PID=$!
dir=$(fresh_folder slow)
account Slow "$slow_port" pw01 > "$dir/Accounts.ini"
set_ini "$dir/Vexil.ini" posX 60
set_ini "$dir/Vexil.ini" posY 50
read -r _ cx cy < <("$CHECK" points "$dir" | grep '^connect')
read -r _ fx fy < <("$CHECK" points "$dir" | grep '^free')
start_vexil "$dir"
if win=$(wait_window Vexil 90); then
  sleep 1
  click "$cx" "$cy"
  sleep 1.5   # now waiting for the greeting
  xdotool mousemove "$fx" "$fy" mousedown 1
  for step in $(seq 1 10); do xdotool mousemove "$((fx + step * 8))" "$((fy + step * 6))"; sleep 0.05; done
  xdotool mouseup 1
  sleep 0.5
  eval "$(xdotool getwindowgeometry --shell "$win")"
  if [ "$X" -ge 130 ] && [ "$Y" -ge 100 ]; then ok "window dragged while the check waited (now at $X,$Y)"; else fail "window did not move during the check (at $X,$Y)"; fi
  # The check itself still completes (greeting and four slow answers).
  sleep 15
  wmx=$X; wmy=$Y
  xdotool windowfocus --sync "$win" key --window "$win" alt+F4 2>/dev/null || xdotool key --window "$win" alt+F4
  wait_exit 30
  if "$CHECK" ini "$dir/Vexil.ini" "$wmx" "$wmy"; then ok "the moved position is saved"; else fail "position after the drag"; fi
else
  fail "no window appeared (slow server)"; cat "$WORK/vexil.log"
fi

echo "$passed passed, $failed failed"
[ "$failed" = 0 ]
