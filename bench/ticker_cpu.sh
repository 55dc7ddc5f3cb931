#!/usr/bin/env bash
# The news ticker's cost: the CPU time of vexil.exe and of the Wine server
# together while the ticker scrolls at speed 2 (5 ms ticks) for 30 seconds,
# against the same program online with its window in the tray (no ticker
# timer) and with min_scroll 0 (the timer stays off);
# then the ticks per second the ticker's timer delivers at each speed, and
# the wakes of the window's thread that deliver them (ticks faster than a
# screen's frame come several to a wake).
#
#   bench/ticker_cpu.sh [SECONDS]
#
# Needs scripts/build.sh (dist/ and build/windows), root (Dovecot) and
# lighttpd.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
. "$root/bench/lib.sh"
seconds="${1:-30}"
support="$root/tests/support"
work="$(mktemp -d /tmp/vxcpu.XXXXXX)"
http="$work/http"; dovecot="$(mktemp -d /tmp/vxcd.XXXXXX)"
xvfb_pid=""
cleanup() {
  "$root/scripts/wine-run" --server -k 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  "$support/http_server.sh" stop "$http" >/dev/null 2>&1 || true
  "$support/dovecot.sh" stop "$dovecot" >/dev/null 2>&1 || true
  rm -rf "$work" "$dovecot"
}
trap cleanup EXIT

"$support/http_server.sh" start "$http" >/dev/null
port="$(cat "$http/port")"
mkdir -p "$http/www/Vexil"
: >"$http/www/Vexil/lstsrven.txt"
for i in 1 2 3 4 5; do
  echo "News item number $i, long enough to scroll for a while across the status line"
done >"$http/www/Vexil/vexilen.txt"
"$support/dovecot.sh" start "$dovecot" 0 1 >/dev/null
printf 'From: a@example.org\nSubject: x\n\nhi\n' >"$work/msg"
"$support/dovecot.sh" deliver "$dovecot" user01 "$work/msg" >/dev/null

for n in $(seq 91 140); do [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] || break; done
export DISPLAY=":$n"
Xvfb "$DISPLAY" -screen 0 1024x768x24 -noreset -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
sleep 1
export VEXIL_TEST_NEWS_HOST="127.0.0.1:$port"

# The CPU seconds (user and system) of the processes so far.
cpu_of() {
  local total=0 pid t
  for pid in "$@"; do
    t=$(awk '{ print $14 + $15 }' "/proc/$pid/stat" 2>/dev/null || echo 0)
    total=$((total + t))
  done
  echo "$total"
}

# run MIN_SCROLL [HIDDEN]: percent of one core used by vexil.exe and
# wineserver.  Hidden (in the tray) the ticker's timer does not run at all.
run() {
  local hidden=${2:-0}
  local dir="$work/app$1" pids before after hz
  rm -rf "$dir"; cp -r "$root/dist" "$dir"
  printf '\r\n[Account1]\r\nacc_name = Demo\r\nhost_name = 127.0.0.1\r\nuser_name = user01\r\npassword = \330\346XZ\r\nport_number = %s\r\ninactive = 0\r\n' \
    "$(cat "$dovecot/port")" >"$dir/Accounts.ini"
  sed -i "s/^autoconnect.*/autoconnect = 1\r/; s/^autocheck.*/autocheck = 0\r/; s/^speed.*/speed = 2\r/; s/^min_scroll.*/min_scroll = $1\r/; s/^icon_tray.*/icon_tray = $hidden\r/; s/^hidden.*/hidden = $hidden\r/; s/^playsnd.*/playsnd = 0\r/" "$dir/Vexil.ini"
  (cd "$dir" && exec "$root/scripts/wine-run" ./vexil.exe) >/dev/null 2>&1 &
  for _ in $(seq 100); do xdotool search --name '^Vexil$' >/dev/null 2>&1 && break; sleep 0.3; done
  sleep 6   # online, news read, the first pause over
  pids="$(pgrep -f 'vexil.exe' | tr '\n' ' ') $(pgrep wineserver | tr '\n' ' ')"
  hz=$(getconf CLK_TCK)
  before=$(cpu_of $pids)
  sleep "$seconds"
  after=$(cpu_of $pids)
  "$root/scripts/wine-run" --server -k 2>/dev/null || true
  sleep 1
  awk -v t=$((after - before)) -v hz="$hz" -v s="$seconds" 'BEGIN { printf "%.2f\n", 100 * t / hz / s }'
}

scrolling=$(run 1)
still=$(run 0)
hidden=$(run 1 1)
printf '%-52s %8s\n' "CPU of vexil.exe and wineserver, $seconds s" "% core"
printf '%-52s %8s\n' "online, window in the tray (no ticker timer)" "$hidden"
printf '%-52s %8s\n' "online, min_scroll 0 (the timer stays off)" "$still"
printf '%-52s %8s\n' "online, ticker scrolling at speed 2 (5 ms)" "$scrolling"
awk -v a="$scrolling" -v b="$hidden" 'BEGIN { printf "%-52s %8.2f\n", "scrolling above the tray (goal: under 3)", a - b }'
echo
"$root/scripts/wine-run" "$root/build/windows/ticker_rate.exe" 2>/dev/null | tr -d '\r'
