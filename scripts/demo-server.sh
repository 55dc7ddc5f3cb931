#!/usr/bin/env bash
# The demo mailbox: a local Dovecot on 127.0.0.1:11110 holding a few sample
# messages for the user "demo" (password "demo"), and a "Demo" account for it
# in the ready-to-run folder when that folder has no accounts yet.
#   demo-server.sh start DIST_DIR     (again: restarts it, mail kept)
#   demo-server.sh stop
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
state=/tmp/vexil-demo
port=11110
dovecot="$root/tests/support/dovecot.sh"

case "${1:-}" in
stop)
  bash "$dovecot" stop "$state" >/dev/null 2>&1 || true
  exit 0 ;;
start) dist="$2" ;;
*) echo "usage: $0 start DIST_DIR | stop" >&2; exit 2 ;;
esac

bash "$dovecot" stop "$state" >/dev/null 2>&1 || true
fresh=""
[ -d "$state/home/demo" ] || { rm -rf "$state"; fresh=1; }
bash "$dovecot" start "$state" "$port" 0 >/dev/null
if [ -n "$fresh" ] || ! grep -q '^demo:' "$state/passwd" 2>/dev/null; then
  bash "$dovecot" add-user "$state" demo demo
  n=0
  for subject in "Welcome to Vexil" "Your skins, your window" "Lunch on Friday?"; do
    n=$((n + 1))
    printf 'From: Vexil Demo <demo@example.org>\nTo: you@example.org\nSubject: %s\nDate: Thu, 10 Dec 2026 09:0%d:00 +0000\n\nSample message %d of the demo mailbox.\n' \
      "$subject" "$n" "$n" > "$state/sample$n.eml"
    bash "$dovecot" deliver "$state" demo "$state/sample$n.eml" >/dev/null
  done
fi

# A folder without accounts gets the Demo account (password "demo", stored
# scrambled as Accounts.ini keeps passwords).
if [ ! -s "$dist/Accounts.ini" ]; then
  printf '\r\n[Account1]\r\nacc_name = Demo\r\nhost_name = 127.0.0.1\r\nuser_name = demo\r\npassword = \xc0\xc2\xd2\xd6\r\nport_number = %d\r\ninactive = 0\r\n' "$port" > "$dist/Accounts.ini"
fi
echo "Demo mailbox: 127.0.0.1:$port, user demo, password demo"
