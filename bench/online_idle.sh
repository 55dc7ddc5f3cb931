#!/usr/bin/env bash
# vexil.exe against a local Dovecot holding 3 messages: the time from the
# click on Connect to the count on screen (median of several runs), and the
# CPU the process uses while online and idle between checks.
# Run after scripts/build.sh.  Usage: bench/online_idle.sh [RUNS] [IDLE_SECONDS]
set -uo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
runs="${1:-5}"; idle="${2:-30}"
CHECK="$root/build/native/vexil_screen_check"
DIST="$root/dist"
SCRIPTS="$root/scripts"
WORK="$(mktemp -d /tmp/vexil-bench.XXXXXX)"
. "$root/tests/e2e/lib.sh"
DOVECOT="$(mktemp -d /tmp/vxbench.XXXXXX)"
trap 'stop_display; bash "$root/tests/support/dovecot.sh" stop "$DOVECOT" >/dev/null 2>&1; rm -rf "$DOVECOT"' EXIT
start_display >/dev/null
bash "$root/tests/support/dovecot.sh" start "$DOVECOT" 0 2 >/dev/null
port=$(cat "$DOVECOT/port")
for n in 1 2 3; do
  printf 'From: a@example.org\nSubject: %s\n\nBody.\n' "$n" > "$WORK/m$n"
  bash "$root/tests/support/dovecot.sh" deliver "$DOVECOT" user01 "$WORK/m$n" >/dev/null
done
dir=$(fresh_folder bench)
python3 - "$port" > "$dir/Accounts.ini" <<'PY'
import sys
pw = bytes(((2 * ord(c)) - 8) % 256 for c in "pw01")
sys.stdout.buffer.write(b"\r\n[Account1]\r\nacc_name = Demo\r\nhost_name = 127.0.0.1\r\nuser_name = user01\r\npassword = " + pw + b"\r\nport_number = " + sys.argv[1].encode() + b"\r\ninactive = 0\r\n")
PY
set_ini "$dir/Vexil.ini" autocheck 1
set_ini "$dir/Vexil.ini" minutes 1
set_ini "$dir/Vexil.ini" icon_tray 0
read -r _ cx cy < <("$CHECK" points "$dir" | grep '^connect')
eval "$(awk -F' = ' '/^posX/{printf "px=%d;", $2} /^posY/{printf "py=%d;", $2}' "$dir/Vexil.ini" | tr -d '\r')"
# The count area, from the skin.
area=$(sed -n '/^\[nbmsg\]/I,/^\[/p' "$dir/skins/Default/skin.ini" | grep -i '^position' | cut -d= -f2 | tr -d ' \r')
crop="40x20+$((px + ${area%,*}))+$((py + ${area#*,}))"

latencies=()
for r in $(seq "$runs"); do
  start_vexil "$dir"
  win=$(wait_window Vexil 60) || { echo "no window"; exit 1; }
  sleep 1
  import -window root -crop "$crop" "$WORK/before.ppm"
  t0=$(date +%s%N)
  xdotool mousemove "$cx" "$cy" click 1
  while :; do
    import -window root -crop "$crop" "$WORK/after.ppm"
    cmp -s "$WORK/before.ppm" "$WORK/after.ppm" || break
  done
  t1=$(date +%s%N)
  latencies+=($(((t1 - t0) / 1000000)))
  if [ "$r" -lt "$runs" ]; then
    xdotool key --window "$win" alt+F4; wait_exit 20
  fi
done
median=$(printf '%s\n' "${latencies[@]}" | sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}')

# CPU while online and idle: the program's own process and the Wine server.
# The Windows process keeps the pid that started it (Wine execs in place).
pid="$VEXIL_PID"
ws=$(pgrep -n "^wineserver")
ticks() { cut -d' ' -f14,15 "/proc/$1/stat" | awk '{print $1 + $2}'; }
xdotool mousemove 5 5
sleep 2
a=$(ticks "$pid"); b=$(ticks "$ws")
sleep "$idle"
a2=$(ticks "$pid"); b2=$(ticks "$ws")
hz=$(getconf CLK_TCK)
echo "click on Connect to the count on screen: median ${median} ms over $runs runs (${latencies[*]}; includes ~50 ms screen polling)"
echo "CPU while online and idle for ${idle} s: vexil.exe $(((a2 - a) * 1000 / hz)) ms, wineserver $(((b2 - b) * 1000 / hz)) ms"
