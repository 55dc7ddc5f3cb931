#!/usr/bin/env bash
# Bounded libFuzzer runs of the message receiver (fuzz_message), seeded with
# the mail corpus, and of the IMAP response reader (fuzz_imap), seeded with
# server conversations written below.  Builds the targets itself with clang
# in build/fuzz; skips with a message when clang or its fuzzer runtime is
# missing.  Message inputs grow up to max_len bytes: large enough for faults
# that only size brings out.
#   tests/fuzz/run_short.sh [seconds] [max_len] [imap_seconds]
#   (defaults 20, 1048576 and 15)
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
seconds="${1:-20}"
max_len="${2:-1048576}"
imap_seconds="${3:-15}"
build="$root/build/fuzz"

if ! command -v clang++ >/dev/null 2>&1; then
  echo "fuzz_message: skipped (clang++ not installed)"
  exit 0
fi
if ! echo 'extern "C" int LLVMFuzzerTestOneInput(const char*, unsigned long) { return 0; }' |
     clang++ -x c++ -fsanitize=fuzzer - -o /dev/null 2>/dev/null; then
  echo "fuzz_message: skipped (clang's libFuzzer runtime not installed)"
  exit 0
fi

cmake -S "$root" -B "$build" -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVEXIL_FUZZ=ON -DVEXIL_BENCH=OFF >/dev/null
cmake --build "$build" --target fuzz_message fuzz_imap -j2 >/dev/null

# New inputs go to a scratch corpus; the checked-in messages only seed it.
work="$build/message-corpus"
mkdir -p "$work" "$build/artifacts"
seeds="$build/message-seeds"
rm -rf "$seeds" && mkdir -p "$seeds"
# The input goes to the receiver as it is, and the reply's lines end with
# CR LF: the stored messages (LF) seed it in that form.
for eml in "$root"/tests/data/mail/*.eml; do
  sed 's/\r\{0,1\}$/\r/' "$eml" > "$seeds/$(basename "$eml")"
done
# Large seeds, so that the size-driven paths are reached from the start: many
# named parts, deep nesting with long boundaries, and lines without end.
python3 - "$seeds" <<'PY'
import sys
out = sys.argv[1]
def write(name, text):
    with open(f"{out}/{name}", "wb") as f:
        f.write(text.replace("\n", "\r\n").encode("latin-1"))
parts = ["Content-Type: multipart/mixed; boundary=p\n\n"]
for i in range(3000):
    parts.append(f'--p\nContent-Type: application/octet-stream\nContent-Disposition: attachment; filename="f{i}"\nContent-Transfer-Encoding: base64\n\nTWFu\n')
parts.append("--p--\n")
write("big_named_parts.eml", "".join(parts))
deep = []
for level in range(70):
    b = f"level{level}-".ljust(70, "x")
    deep.append(f"Content-Type: multipart/mixed; boundary=\"{b}\"\n\n--{b}\n")
deep.append("Content-Type: text/plain\n\n" + "text line\n" * 2000)
write("big_deep_nesting.eml", "".join(deep))
write("big_long_lines.eml", "Subject: " + "s" * 200000 + "\n\n" + ("b" * 100000 + "\n") * 5)
PY

echo "fuzz_message: ${seconds} s, inputs up to ${max_len} bytes"
log="$build/fuzz_message.log"
set +e
# -len_control=0: inputs may take any length up to max_len at once, instead of
# growing to it slowly over hours.
"$build/fuzz_message" -max_total_time="$seconds" -max_len="$max_len" -len_control=0 -timeout=10 -rss_limit_mb=2048 \
  -artifact_prefix="$build/artifacts/" -print_final_stats=1 "$work" "$seeds" >"$log" 2>&1
status=$?
set -e
grep -E '^(Done|stat::number_of_executed_units|stat::peak_rss_mb)' "$log" || true
if [ "$status" -ne 0 ]; then
  grep -E -A30 '^==[0-9]+==' "$log" | head -60 || tail -40 "$log"
  echo "fuzz_message: FAILED (exit $status; log $log, inputs in $build/artifacts)"
  exit "$status"
fi
echo "fuzz_message: no findings"

# ---- the IMAP response reader
work="$build/imap-corpus"
seeds="$build/imap-seeds"
mkdir -p "$work"
rm -rf "$seeds" && mkdir -p "$seeds"
# Conversations as servers hold them: greetings, a SELECT, listings, fetches
# with literals (CR LF, NUL and an announcement inside), continuations, and
# some that break the rules.
python3 - "$seeds" <<'PY'
import sys
out = sys.argv[1]
def write(name, *lines):
    with open(f"{out}/{name}", "wb") as f:
        f.write(b"".join(line if isinstance(line, bytes) else line.encode("latin-1") for line in lines))
header = b"From: a@example.org\r\nSubject: hello\r\n\r\n"
write("greeting", "* OK [CAPABILITY IMAP4rev1 STARTTLS AUTH=PLAIN LITERAL+] ready\r\n",
      "* PREAUTH logged in\r\n", "+ \r\n", "+ YGgGCSqGSIb3EgECAgIBAAD/////6jcyG4GE3KkTzmeTxuE1ZQ8=\r\n")
write("select", "* 172 EXISTS\r\n* 1 RECENT\r\n* OK [UNSEEN 12] first unseen\r\n",
      "* OK [UIDVALIDITY 3857529045] UIDs valid\r\n* OK [UIDNEXT 4392] next\r\n",
      "* FLAGS (\\Answered \\Flagged \\Deleted \\Seen \\Draft)\r\n",
      "* OK [PERMANENTFLAGS (\\Deleted \\Seen \\*)] Limited\r\nA142 OK [READ-WRITE] SELECT completed\r\n")
write("lists", '* LIST (\\Noselect) "/" ""\r\n* LIST () "." #news.comp\r\n* LIST () "/" {5+}\r\nINBOX\r\n',
      '* STATUS {5}\r\nINBOX (MESSAGES 231 UNSEEN 5 UIDNEXT 44292 UIDVALIDITY 1)\r\n',
      '* STATUS "Sent \\"x\\"" (UNSEEN 5)\r\n* NAMESPACE (("" "/")) NIL NIL\r\n')
write("search", "* SEARCH " + " ".join(str(i * 7) for i in range(1, 3000)) + "\r\n",
      '* ESEARCH (TAG "A1") UID ALL 1:3,5,17:20 COUNT 5\r\n* ENABLED CONDSTORE\r\nA1 OK done\r\n')
write("fetch", b"* 12 FETCH (UID 5 FLAGS (\\Seen) BODY[HEADER] {%d}\r\n" % len(header), header,
      b" BODY[HEADER.FIELDS (FROM SUBJECT)]<0> {9}\r\na\r\n\0{3}\r\n BODY[] {0}\r\n)\r\n",
      b'* 13 FETCH (ENVELOPE ("Wed, 17 Jul 1996" "subject" (("Terry" NIL "gray" "example.org")) NIL NIL '
      b'NIL NIL NIL NIL "<id@x>") BODY (("TEXT" "PLAIN" ("CHARSET" "US-ASCII") NIL NIL "7BIT" 30 2)'
      b'("TEXT" "HTML" NIL NIL NIL "7BIT" 10 1) "ALTERNATIVE") BINARY[] ~{3}\r\na\0b)\r\n')
# Each of these ends the reading at once, so each goes in a seed of its own.
hostile = ["* X " + "(" * 17 + ")" * 17, "* 1 FETCH (BODY[] {99999999999999999999}\r\nabc)",
           "* 1 FETCH (BODY[] {67108865}\r\nabc)", '* X "unterminated', "* X 18446744073709551616",
           "* X a)", "A1 OK done {3}\r\nabc", "* OK [ALERT", "* 1 FETCH (BODY[HEADER"]
for i, text in enumerate(hostile):
    write(f"hostile{i}", "* OK fine\r\n", text + "\r\n", "* BYE going\r\n")
PY

echo "fuzz_imap: ${imap_seconds} s"
log="$build/fuzz_imap.log"
set +e
"$build/fuzz_imap" -max_total_time="$imap_seconds" -max_len=65536 -timeout=10 -rss_limit_mb=2048 \
  -artifact_prefix="$build/artifacts/" -print_final_stats=1 "$work" "$seeds" >"$log" 2>&1
status=$?
set -e
grep -E '^(Done|stat::number_of_executed_units|stat::peak_rss_mb)' "$log" || true
if [ "$status" -ne 0 ]; then
  grep -E -A30 '^==[0-9]+==' "$log" | head -60 || tail -40 "$log"
  echo "fuzz_imap: FAILED (exit $status; log $log, inputs in $build/artifacts)"
  exit "$status"
fi
echo "fuzz_imap: no findings"
