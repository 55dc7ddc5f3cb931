#!/usr/bin/env bash
# A bounded libFuzzer run of the message receiver (fuzz_message), seeded with
# the mail corpus.  Builds the target itself with clang in build/fuzz; skips
# with a message when clang or its fuzzer runtime is missing.  Inputs grow up
# to max_len bytes: large enough for faults that only size brings out.
#   tests/fuzz/run_short.sh [seconds] [max_len]    (defaults 20 and 1048576)
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
seconds="${1:-20}"
max_len="${2:-1048576}"
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
cmake --build "$build" --target fuzz_message -j2 >/dev/null

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
