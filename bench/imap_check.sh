#!/usr/bin/env bash
# One IMAP check (connect, TLS, login, STATUS, logout) against a local Dovecot
# whose inbox holds MESSAGES messages (100,000 by default), in a running
# process under Wine, side by side with curl's IMAP STATUS of the same
# mailbox over TLS with the same CA in the same run.  Milliseconds.
#
#   bench/imap_check.sh [RUNS [MESSAGES]]
#
# The first check of a process is reported apart (Wine loads its root
# certificate store once per process, and the first check of an account has
# no UIDNEXT to compare with).  Needs scripts/build.sh windows, root
# (Dovecot), and port 995 free.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
. "$root/bench/lib.sh"
runs="${1:-20}"
messages="${2:-100000}"
build="$root/build/windows"
check="$build/pop3_check.exe"
trust="$build/trust_ca.exe"
[ -f "$check" ] && [ -f "$trust" ] || { echo "build the Windows side first (scripts/build.sh windows)" >&2; exit 1; }
command -v curl >/dev/null || { echo "curl is not installed (scripts/deps.sh)" >&2; exit 1; }
wine_run="$root/scripts/wine-run"

base="$(mktemp -d /tmp/vxib.XXXXXX)"
cleanup() {
  "$wine_run" "$trust" remove "$base/certs/ca.pem" >/dev/null 2>&1 || true
  "$root/tests/support/tls_servers.sh" stop "$base" >/dev/null 2>&1 || true
  rm -rf "$base"
}
trap cleanup EXIT
"$root/tests/support/tls_servers.sh" start "$base" 995 >/dev/null
"$wine_run" "$trust" add "$base/certs/ca.pem" >/dev/null 2>&1
good="$base/good"
imaps="$(cat "$good/port-imaps")"

# The messages straight into the Maildir (a copy per message would take
# minutes), owned as Dovecot wants them.
python3 - "$good/home/user01/Maildir/new" "$messages" <<'PY'
import os, sys
new, n = sys.argv[1], int(sys.argv[2])
for i in range(n):
    with open(os.path.join(new, "1700000000.M%dP1.vexilbench" % i), "w") as f:
        f.write("From: Ann <ann@example.org>\nSubject: Note %d\n\nHello %d.\n" % (i, i))
PY
chown -R 4242:4242 "$good/home/user01/Maildir"

status() {
  curl -s --cacert "$base/certs/ca.pem" -u user01:pw01 "imaps://localhost:$imaps/INBOX" \
    -X 'STATUS INBOX (MESSAGES UNSEEN UIDNEXT UIDVALIDITY)'
}
# The first login indexes the new mail: nobody pays that.
first="$(status)"
case "$first" in *"MESSAGES $messages "*) ;; *) echo "curl: $first" >&2; exit 1 ;; esac

vexil="$("$wine_run" "$check" localhost "$imaps" user01 pw01 "$runs" tls ids imap 2>/dev/null | tr -d '\r')"
case "$vexil" in *"count=$messages") ;; *) echo "pop3_check over IMAP: $vexil" >&2; exit 1 ;; esac
curls=()
for _ in $(seq 1 "$runs"); do curls+=("$(time_ms status)"); done

printf '%-58s %10s\n' "one IMAP check of $messages unseen messages, median of $runs" ms
printf '%-58s %10s\n' "vexil, first check of a process (root store, no UIDNEXT)" "$(echo "$vexil" | field first_ms)"
printf '%-58s %10s\n' "vexil, later checks in the running program" "$(echo "$vexil" | field median_ms)"
printf '%-58s %10s\n' "curl imaps STATUS, a process per check" "$(printf '%s\n' "${curls[@]}" | median)"
