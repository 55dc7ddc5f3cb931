#!/usr/bin/env bash
# The cost of judging new mail by message identity: one check of a mailbox of
# 100,000 messages keeping the listing's unique ids (as the program does),
# side by side with the same check that only counts the listing's lines.
# Native build, a local Dovecot, runs interleaved; medians in milliseconds.
#
#   bench/uidl_ids.sh [BUILD_DIR [RUNS [MESSAGES]]]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
. "$root/bench/lib.sh"
build="${1:-$root/build/native}"
runs="${2:-11}"
messages="${3:-100000}"
check="$build/pop3_check"
[ -x "$check" ] || { echo "no $check: build the pop3_check target first" >&2; exit 1; }

dovecot_sh="$root/tests/support/dovecot.sh"
dir="$(mktemp -d /tmp/vxids.XXXXXX)"
trap '"$dovecot_sh" stop "$dir"; rm -rf "$dir"' EXIT
"$dovecot_sh" start "$dir" 0 1
port="$(cat "$dir/port")"

# The mailbox written straight into Maildir/cur: delivering 100,000 messages
# one by one would take longer than everything else.
python3 - "$dir/home/user01/Maildir/cur" "$messages" <<'PY'
import os, sys
cur, count = sys.argv[1], int(sys.argv[2])
for i in range(count):
    with open(os.path.join(cur, "1700000000.M%07dP1.bench:2," % i), "w") as f:
        f.write("From: list@example.org\nSubject: Number %d\n\nMessage %d.\n" % (i, i))
PY
chown -R 4242:4242 "$dir/home/user01/Maildir"

# Dovecot indexes the mailbox at its first login; neither figure pays that.
"$check" 127.0.0.1 "$port" user01 pw01 1 none count >/dev/null

ids=() counts=()
for _ in $(seq 1 "$runs"); do
  out="$("$check" 127.0.0.1 "$port" user01 pw01 1 none ids)"
  case "$out" in *"count=$messages") ;; *) echo "pop3_check: $out" >&2; exit 1 ;; esac
  ids+=("$(echo "$out" | field median_ms)")
  out="$("$check" 127.0.0.1 "$port" user01 pw01 1 none count)"
  counts+=("$(echo "$out" | field median_ms)")
done
with_ids="$(printf '%s\n' "${ids[@]}" | median)"
count_only="$(printf '%s\n' "${counts[@]}" | median)"
printf '%-44s %10s\n' "one check of $messages messages, median of $runs" ms
printf '%-44s %10s\n' "counting the listing's lines" "$count_only"
printf '%-44s %10s\n' "keeping the unique ids (the program)" "$with_ids"
awk -v a="$with_ids" -v b="$count_only" 'BEGIN { printf "%-44s %10.2f\n", "ratio (goal: within 1.2)", a / b }'
