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
cp "$root"/tests/data/mail/*.eml "$seeds"/

echo "fuzz_message: ${seconds} s, inputs up to ${max_len} bytes"
log="$build/fuzz_message.log"
set +e
"$build/fuzz_message" -max_total_time="$seconds" -max_len="$max_len" -timeout=10 -rss_limit_mb=2048 \
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
