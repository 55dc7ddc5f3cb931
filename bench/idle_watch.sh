#!/usr/bin/env bash
# IMAP accounts watched through IDLE in the running vexil.exe, against a
# local Dovecot:
#  - delivery to notification: a message delivered while online, to the new
#    count on screen (no click, no tick: `minutes` is 30), RUNS times;
#  - ten idling accounts: the CPU the program and the Wine server use while
#    nothing arrives, and the program's memory beside one idling account.
# Run after scripts/build.sh.  Usage: bench/idle_watch.sh [RUNS] [IDLE_SECONDS]
set -uo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
runs="${1:-20}"; idle="${2:-30}"
CHECK="$root/build/native/vexil_screen_check"
DIST="$root/dist"
SCRIPTS="$root/scripts"
WORK="$(mktemp -d /tmp/vexil-bench.XXXXXX)"
. "$root/tests/e2e/lib.sh"
DOVECOT="$(mktemp -d /tmp/vxbench.XXXXXX)"
trap 'stop_display; bash "$root/tests/support/dovecot.sh" stop "$DOVECOT" >/dev/null 2>&1; rm -rf "$DOVECOT"' EXIT
start_display >/dev/null
bash "$root/tests/support/dovecot.sh" start "$DOVECOT" 0 12 >/dev/null
port=$(cat "$DOVECOT/port-imap")
deliver() {  # deliver USER N
  printf 'From: a@example.org\nSubject: %s\n\nBody.\n' "$2" > "$WORK/m"
  bash "$root/tests/support/dovecot.sh" deliver "$DOVECOT" "$1" "$WORK/m" >/dev/null
}
accounts() {  # accounts N: Accounts.ini with IMAP accounts user01..userN
  python3 - "$port" "$1" <<'PY'
import sys
port, n = sys.argv[1], int(sys.argv[2])
out = b""
for i in range(1, n + 1):
    pw = bytes(((2 * ord(c)) - 8) % 256 for c in "pw%02d" % i)
    out += (b"\r\n[Account%d]\r\nacc_name = Box%d\r\nhost_name = 127.0.0.1\r\nuser_name = user%02d\r\npassword = "
            % (i, i, i)) + pw + (b"\r\nport_number = %s\r\ninactive = 0\r\nsecurity = none\r\nprotocol = imap\r\n"
            % port.encode())
sys.stdout.buffer.write(out)
PY
}
# start N [AUTOCONNECT]: vexil.exe with N IMAP accounts, online and idling
# unless AUTOCONNECT is 0; sets dir, win.
start() {
  dir=$(fresh_folder "bench$1")
  accounts "$1" > "$dir/Accounts.ini"
  set_ini "$dir/Vexil.ini" autoconnect "${2:-1}"
  set_ini "$dir/Vexil.ini" autocheck 1
  set_ini "$dir/Vexil.ini" minutes 30
  set_ini "$dir/Vexil.ini" icon_tray 0
  set_ini "$dir/Vexil.ini" playsnd 0
  start_vexil "$dir"
  win=$(wait_window Vexil 60) || { echo "no window"; exit 1; }
  sleep 4   # online, each watch idling
}
# open_sessions: IDLE sessions the server holds.
idling() { ps -o args= --ppid "$(cat "$DOVECOT/run/master.pid")" | grep -c "IDLE\]" || true; }
ticks() { cut -d' ' -f14,15 "/proc/$1/stat" | awk '{print $1 + $2}'; }
rss_kb() { awk '/^VmRSS/ {print $2}' "/proc/$1/status"; }

# Delivery to notification, one account.
deliver user01 0
start 1
latencies=()
for n in $(seq "$runs"); do
  deliver user01 "$n"
  t0=$(date +%s%N)
  while :; do
    import -window root -depth 8 "$WORK/s.ppm"
    "$CHECK" shot "$dir" "$WORK/s.ppm" "$ROOT_COLOR" "BOX1 $((n + 1)) MESSAGES" $((n + 1)) online >/dev/null 2>&1 && break
    [ $(( ($(date +%s%N) - t0) / 1000000 )) -gt 10000 ] && { echo "message $n never shown"; break; }
  done
  latencies+=($((($(date +%s%N) - t0) / 1000000)))
  sleep 0.5
done
# The next start gets a Wine server of its own, for a clean measurement.
kill "$VEXIL_PID" 2>/dev/null; VEXIL_PID=""
"$SCRIPTS/wine-run" --server -k 2>/dev/null || true
sleep 1
sorted=$(printf '%s\n' "${latencies[@]}" | sort -n)
median=$(echo "$sorted" | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}')
slowest=$(echo "$sorted" | tail -1)

# Ten idling accounts, nothing arriving; the memory they take is what the
# process holds online beyond what it held offline before.
start 10 0
offline_rss=$(rss_kb "$VEXIL_PID")
read -r _ cx cy < <("$CHECK" points "$dir" | grep '^connect')
xdotool mousemove "$cx" "$cy" click 1
xdotool mousemove 5 5
sleep 6
sessions=$(idling)
pid="$VEXIL_PID"
# The Wine server of this prefix is the one the program talks to: the newest.
ws=$(pgrep -n "^wineserver")
a=$(ticks "$pid"); b=$(ticks "$ws")
sleep "$idle"
a2=$(ticks "$pid"); b2=$(ticks "$ws")
online_rss=$(rss_kb "$pid")
hz=$(getconf CLK_TCK)
cpu() { awk -v t="$1" -v hz="$hz" -v s="$idle" 'BEGIN { printf "%.2f", 100 * t / hz / s }'; }
echo "delivery to the count on screen, $runs messages: median ${median} ms, slowest ${slowest} ms (screen polling included)"
[ -n "$b2" ] && ws_cpu="$(cpu $((b2 - b)))%" || ws_cpu="n/a (the server changed)"
echo "ten idling accounts ($sessions IDLE sessions at the server), ${idle} s: vexil.exe $(cpu $((a2 - a)))% of a core, wineserver $ws_cpu"
echo "memory: $((online_rss - offline_rss)) KB more online with ten idling accounts than offline, $(((online_rss - offline_rss) / 10)) KB each"
