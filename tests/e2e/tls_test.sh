#!/usr/bin/env bash
# vexil.exe checking mailboxes over TLS: Dovecot servers with certificates of
# a test CA that only this test's Wine prefix trusts, for as long as it runs.
# An account added through the settings dialog with Security "TLS" (the port
# follows to 995), an account on "auto" on port 995, and an account whose
# server shows a certificate of a CA nobody trusts: its reason on the status
# line, and the count on view kept.
# Usage: tls_test.sh DIST_DIR SCREEN_CHECK
set -uo pipefail
DIST="$(cd "$1" && pwd)"; CHECK="$2"
ROOT="$(cd "$(dirname "$0")/../.." && pwd)"
SCRIPTS="$ROOT/scripts"
SUPPORT="$ROOT/tests/support"
WORK="$(mktemp -d /tmp/vexil-e2e.XXXXXX)"
. "$(dirname "$0")/lib.sh"
TRUST="$WINBUILD/trust_ca.exe"
TLS="$(mktemp -d /tmp/vxt.XXXXXX)"
cleanup() {
  [ -f "$TLS/certs/ca.pem" ] && "$SCRIPTS/wine-run" "$TRUST" remove "$TLS/certs/ca.pem" >/dev/null 2>&1
  stop_display
  bash "$SUPPORT/tls_servers.sh" stop "$TLS" >/dev/null 2>&1 || true
  rm -rf "$TLS"
}
trap cleanup EXIT
deliver() {  # deliver SERVER USER COUNT
  local n
  for n in $(seq "$3"); do
    printf 'From: Ann <ann@example.org>\nSubject: Secure %s\n\nHello %s.\n' "$n" "$n" > "$WORK/msg"
    bash "$SUPPORT/dovecot.sh" deliver "$TLS/$1" "$2" "$WORK/msg" >/dev/null
  done
}
account() {  # account N NAME HOST PORT USER PASSWORD SECURITY
  python3 - "$@" <<'PY'
import sys
n, name, host, port, user, password, security = sys.argv[1:8]
scrambled = bytes(((2 * ord(c)) - 8) % 256 for c in password)
sys.stdout.buffer.write(("\r\n[Account%s]\r\nacc_name = %s\r\nhost_name = %s\r\nuser_name = %s\r\n"
    % (n, name, host, user)).encode() + b"password = " + scrambled +
    ("\r\nport_number = %s\r\ninactive = 0\r\nsecurity = %s\r\n" % (port, security)).encode())
PY
}

start_display || exit 1
bash "$SUPPORT/tls_servers.sh" start "$TLS" 995 >/dev/null || { echo "the TLS servers did not start"; exit 1; }
"$SCRIPTS/wine-run" "$TRUST" add "$TLS/certs/ca.pem" >/dev/null 2>&1 || { echo "the test CA could not be trusted"; exit 1; }
deliver good user01 3
deliver good user02 2

# 1. Automatic security on port 995, then a server whose CA nobody trusts.
dir=$(fresh_folder tls)
{ account 1 Auto localhost 995 user02 pw02 auto
  account 2 Bad localhost "$(cat "$TLS/untrusted/port-tls")" user01 pw01 tls; } > "$dir/Accounts.ini"
set_ini "$dir/Vexil.ini" posX 60
set_ini "$dir/Vexil.ini" posY 60
set_ini "$dir/Vexil.ini" autocheck 0
set_ini "$dir/Vexil.ini" icon_tray 0
set_ini "$dir/Vexil.ini" playsnd 0
read -r _ cx cy < <("$CHECK" points "$dir" | grep '^connect')
read -r _ kx ky < <("$CHECK" points "$dir" | grep '^check')
read -r _ fx fy < <("$CHECK" points "$dir" | grep '^free')
start_vexil "$dir"
if win=$(wait_window Vexil 90); then
  sleep 1
  xdotool mousemove "$cx" "$cy" click 1
  wait_status auto-995 "AUTO 2 MESSAGES" 2
  xdotool mousemove "$kx" "$ky" click 1
  wait_status untrusted "BAD CERTIFICATE NOT TRUSTED" 2
  xdotool mousemove "$kx" "$ky" click 1
  wait_status back-to-auto "AUTO 2 MESSAGES" 2
  xdotool key --window "$win" alt+F4
  wait_exit 30
else
  fail "no window appeared"; cat "$WORK/vexil.log"
fi

# 2. A new user's way: the account typed into the settings dialog, which
# starts a new account on Security "TLS" and port 995.
dir=$(fresh_folder dialog)
: > "$dir/Accounts.ini"
set_ini "$dir/Vexil.ini" posX 60
set_ini "$dir/Vexil.ini" posY 60
set_ini "$dir/Vexil.ini" autocheck 0
set_ini "$dir/Vexil.ini" icon_tray 0
set_ini "$dir/Vexil.ini" playsnd 0
start_vexil "$dir"
if win=$(wait_window Vexil 90); then
  sleep 1
  xdotool mousemove "$fx" "$fy" click 3
  sleep 1
  keys Down Return
  if dialog=$(wait_window "Vexil Configuration" 20); then
    sleep 0.5
    keys Tab space   # the Accounts page
    keys alt+n; typed "Secure"
    keys alt+h; typed "localhost"
    keys alt+l; typed "user01"
    keys alt+w; typed "pw01"
    keep_shot dialog-tls "$dialog"
    keys alt+a
    sleep 0.5
    if accounts_has "port_number = 995" && accounts_has "security = tls"; then
      ok "a new account in the dialog starts on TLS and port 995, both written"
    else
      fail "Accounts.ini after Add"; cat "$dir/Accounts.ini"
    fi
    keys Return
    sleep 1.5
    xdotool mousemove "$cx" "$cy" click 1
    wait_status dialog-account "SECURE 3 MESSAGES" 3
  else
    fail "no settings dialog"
  fi
  xdotool key --window "$win" alt+F4
  wait_exit 30
else
  fail "no window appeared (dialog)"; cat "$WORK/vexil.log"
fi

echo "$passed passed, $failed failed"
[ "$failed" = 0 ]
