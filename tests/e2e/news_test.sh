#!/usr/bin/env bash
# The news ticker of vexil.exe against a real HTTP server (lighttpd) on
# loopback, pointed at by the tests' own news host: going online reads the
# source list and the news; the status line scrolls (screenshots over time
# show the text moving, and the next item at rest after the first has left);
# a click on an item with a link hands the address to the shell (a handler
# registered in this test's prefix writes it down); the News menu switches
# to another source and "Refresh List" reads the list again.
# Usage: news_test.sh DIST_DIR SCREEN_CHECK
set -uo pipefail
DIST="$(cd "$1" && pwd)"; CHECK="$2"
ROOT="$(cd "$(dirname "$0")/../.." && pwd)"
SCRIPTS="$ROOT/scripts"
SUPPORT="$ROOT/tests/support"
WORK="$(mktemp -d /tmp/vexil-e2e.XXXXXX)"
HTTP="$(mktemp -d /tmp/vxnews.XXXXXX)"
DOVECOT="$(mktemp -d /tmp/vxe2e.XXXXXX)"
bash "$SUPPORT/http_server.sh" start "$HTTP" >/dev/null || { echo "lighttpd did not start"; exit 1; }
http_port=$(cat "$HTTP/port")
export VEXIL_TEST_NEWS_HOST="127.0.0.1:$http_port"
. "$(dirname "$0")/lib.sh"
HTTP_KEY='HKLM\Software\Classes\http'
HTTP_SAVED=""
cleanup() {
  # The link handler belongs to this test only; the prefix's own comes back.
  if [ -n "$HTTP_SAVED" ]; then
    "$SCRIPTS/wine-run" reg delete "$HTTP_KEY" /f >/dev/null 2>&1
    [ -s "$WORK/http.reg" ] && "$SCRIPTS/wine-run" reg import "$(winpath "$WORK/http.reg")" >/dev/null 2>&1
  fi
  stop_display
  bash "$SUPPORT/http_server.sh" stop "$HTTP" >/dev/null 2>&1 || true
  bash "$SUPPORT/dovecot.sh" stop "$DOVECOT" >/dev/null 2>&1 || true
  rm -rf "$HTTP" "$DOVECOT"
}
trap cleanup EXIT
KEY_DELAY=80  # the menus here open slowly
# at_rest LABEL TEXT SECONDS: polls until the status line shows TEXT from its
# start (an item during its pause), with the count 1, online.
at_rest() {
  local i
  for i in $(seq $(($3 * 5))); do
    import -window root -depth 8 "$WORK/$1.ppm"
    "$CHECK" shot "$dir" "$WORK/$1.ppm" "$ROOT_COLOR" "$2" 1 online >/dev/null 2>&1 && break
    sleep 0.2
  done
  [ -n "$shots" ] && mkdir -p "$shots" && convert "$WORK/$1.ppm" -crop 320x80+50+50 +repage "$shots/$1.png" 2>/dev/null
  if "$CHECK" shot "$dir" "$WORK/$1.ppm" "$ROOT_COLOR" "$2" 1 online >/dev/null 2>&1; then ok "$1: \"$2\" at rest"; else fail "$1: \"$2\" never at rest"; fi
}
strip() {  # strip FILE: the status line on screen now
  import -window root -crop "${sw}x${sh}+${sx}+${sy}" +repage -depth 8 "$1"
}
requests() { grep -c " $1 " "$HTTP/access.log" 2>/dev/null || echo 0; }

# A news server that takes connections and never answers.
SILENT_PID=""
silent_port=$(free_port)
python3 - "$silent_port" <<'PY' &
import socket, sys, time
srv = socket.socket()
srv.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
srv.bind(("127.0.0.1", int(sys.argv[1])))
srv.listen(8)
held = []
srv.settimeout(120)
while True:
    try:
        conn, _ = srv.accept()
    except OSError:
        break
    held.append(conn)
PY
SILENT_PID=$!
trap 'kill "$SILENT_PID" 2>/dev/null; cleanup' EXIT

mkdir -p "$HTTP/www/Vexil"
{ printf 'Local|http://local.example.test/|Our own news|http://127.0.0.1:%s/Vexil/local.txt\r\n' "$http_port"
  printf 'Silent|http://silent.example.test/|Never answers|http://127.0.0.1:%s/news.txt\r\n' "$silent_port"
} > "$HTTP/www/Vexil/lstsrven.txt"
printf 'The first item of the news\nTwo with link###http://news.example.test/two\nThree\n' > "$HTTP/www/Vexil/vexilen.txt"
printf 'Local item\n' > "$HTTP/www/Vexil/local.txt"

start_display || exit 1
bash "$SUPPORT/dovecot.sh" start "$DOVECOT" 0 1 >/dev/null || { echo "Dovecot did not start"; exit 1; }
printf 'From: Ann <ann@example.org>\nSubject: Hi\n\nHello.\n' > "$WORK/msg"
bash "$SUPPORT/dovecot.sh" deliver "$DOVECOT" user01 "$WORK/msg" >/dev/null
"$SCRIPTS/wine-run" reg export "$HTTP_KEY" "$(winpath "$WORK/http.reg")" /y >/dev/null 2>&1
HTTP_SAVED=1
"$SCRIPTS/wine-run" reg add "$HTTP_KEY" /v "URL Protocol" /d "" /f >/dev/null 2>&1
"$SCRIPTS/wine-run" reg add "$HTTP_KEY\\shell\\open\\command" /ve \
  /d "C:\\windows\\system32\\cmd.exe /c echo %1>$(winpath "$WORK/opened.txt")" /f >/dev/null 2>&1

dir=$(fresh_folder news)
printf '\r\n[Account1]\r\nacc_name = Demo\r\nhost_name = 127.0.0.1\r\nuser_name = user01\r\npassword = \330\346X\\\r\nport_number = %s\r\ninactive = 0\r\n' \
  "$(cat "$DOVECOT/port")" > "$dir/Accounts.ini"
sed -i 's/\\\r$/Z\r/' "$dir/Accounts.ini"   # the scrambled "pw01"
set_ini "$dir/Vexil.ini" posX 60
set_ini "$dir/Vexil.ini" posY 60
set_ini "$dir/Vexil.ini" autocheck 0
set_ini "$dir/Vexil.ini" icon_tray 0
set_ini "$dir/Vexil.ini" playsnd 0
set_ini "$dir/Vexil.ini" min_scroll 1
set_ini "$dir/Vexil.ini" speed 2
read -r _ cx cy < <("$CHECK" points "$dir" | grep '^connect')
read -r _ fx fy < <("$CHECK" points "$dir" | grep '^free')
read -r _ stx sty < <("$CHECK" points "$dir" | grep '^status ')
read -r _ sx sy sw sh < <("$CHECK" points "$dir" | grep '^statusrect')

start_vexil "$dir"
if win=$(wait_window Vexil 90); then
  sleep 1
  xdotool mousemove "$cx" "$cy" click 1
  away
  at_rest first-item " The first item of the news " 20
  if [ "$(requests /Vexil/lstsrven.txt)" -ge 1 ] && [ "$(requests /Vexil/vexilen.txt)" -ge 1 ]; then
    ok "going online read the source list and the news"
  else
    fail "requests after going online: $(cat "$HTTP/access.log")"
  fi
  # After its 3 second pause the text moves a pixel every 5 ms: two looks
  # at the status line 0.2 s apart differ.
  moved=0
  strip "$WORK/m1.ppm"
  for _ in $(seq 40); do
    sleep 0.2; strip "$WORK/m2.ppm"
    moved=$(compare -metric AE "$WORK/m1.ppm" "$WORK/m2.ppm" null: 2>&1 | cut -d' ' -f1)
    [ "${moved%.*}" -gt 20 ] 2>/dev/null && break
    cp "$WORK/m2.ppm" "$WORK/m1.ppm"
  done
  [ -n "$shots" ] && convert "$WORK/m1.ppm" "$WORK/m2.ppm" -append "$shots/moving.png" 2>/dev/null
  if [ "${moved%.*}" -gt 20 ] 2>/dev/null; then ok "the status line scrolls ($moved pixels changed in 0.2 s)"; else fail "the status line stands still ($moved)"; fi
  at_rest next-item " Two with link" 20
  # A click on the item with the link while it is on view.
  rm -f "$WORK/opened.txt"
  xdotool mousemove "$stx" "$sty" click 1
  for _ in $(seq 40); do [ -s "$WORK/opened.txt" ] && break; sleep 0.25; done
  if [ "$(tr -d '\r\n ' < "$WORK/opened.txt" 2>/dev/null)" = "http://news.example.test/two" ]; then
    ok "a click on the link item opened http://news.example.test/two"
  else
    fail "the link handler got '$(cat "$WORK/opened.txt" 2>/dev/null)'"
  fi
  away
  # News > the second source ("Local"): its news come.
  xdotool mousemove "$fx" "$fy" click 3; sleep 1
  keys Down Down Down Right Down Down Return
  away
  at_rest other-source " Local item " 20
  if [ "$(requests /Vexil/local.txt)" -ge 1 ]; then ok "the News menu switched to the Local source"; else fail "no request for the Local news"; fi
  # News > Refresh List: the list is read again.
  before=$(requests /Vexil/lstsrven.txt)
  xdotool mousemove "$fx" "$fy" click 3; sleep 1
  keys Down Down Down Right Return
  for _ in $(seq 20); do [ "$(requests /Vexil/lstsrven.txt)" -gt "$before" ] && break; sleep 0.25; done
  if [ "$(requests /Vexil/lstsrven.txt)" -gt "$before" ]; then ok "Refresh List read the list again"; else fail "Refresh List: no new request"; fi
  away
  # News > "Silent": its download waits; the window still answers (a drag)
  # and Exit ends the program at once.
  xdotool mousemove "$fx" "$fy" click 3; sleep 1
  keys Down Down Down Right Down Down Down Return
  sleep 1.5
  xdotool mousemove "$fx" "$fy" mousedown 1
  for step in $(seq 1 8); do xdotool mousemove "$((fx + step * 8))" "$((fy + step * 6))"; sleep 0.05; done
  xdotool mouseup 1
  sleep 0.5
  eval "$(xdotool getwindowgeometry --shell "$win")"
  if [ "$X" -ge 110 ]; then ok "the window moves while a download waits (at $X,$Y)"; else fail "the window did not move during the download (at $X,$Y)"; fi
  t0=$(date +%s%N)
  xdotool key --window "$win" alt+F4
  wait_exit 30
  t1=$(date +%s%N)
  ms=$(( (t1 - t0) / 1000000 ))
  if [ "$EXIT_CODE" = 0 ] && [ "$ms" -lt 5000 ]; then ok "Exit during the download ($ms ms)"; else fail "Exit during the download (${EXIT_CODE:-still running} after $ms ms)"; fi
  if tr -d '\r' < "$dir/Vexil.ini" | grep -qx 'srv_news =2\|srv_news = 2'; then ok "the chosen source is kept"; else fail "srv_news after exit: $(grep -a srv_news "$dir/Vexil.ini")"; fi
else
  fail "no window appeared"; cat "$WORK/vexil.log"
fi

echo "$passed passed, $failed failed"
[ "$failed" = 0 ]
