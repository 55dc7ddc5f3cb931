#!/usr/bin/env bash
# One message with a text part and a 20 MiB base64 attachment, extracted by
# ripmime from a file and received by Vexil's message receiver from the same
# file (vexil_decode_file), both as whole processes writing the attachment to
# disk; median of several runs, side by side.  Also checks that both produce
# the same attachment bytes.
#   bench/mime_vs_ripmime.sh [runs] [MiB]      (defaults 9 and 20)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
runs="${1:-9}"
mib="${2:-20}"
build="$root/build/bench"

command -v ripmime >/dev/null || { echo "ripmime is not installed (apt-get install ripmime)"; exit 1; }
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DVEXIL_BENCH=ON >/dev/null
cmake --build "$build" --target vexil_decode_file -j2 >/dev/null

work="$(mktemp -d "${TMPDIR:-/tmp}/vexil-mime-bench.XXXXXX")"
trap 'rm -rf "$work"' EXIT
msg="$work/message.eml"
"$build/vexil_decode_file" --make "$msg" "$mib"
size=$(stat -c %s "$msg")

# Same output bytes from both.
mkdir -p "$work/rip" "$work/vexil"
ripmime -i "$msg" -d "$work/rip"
TMPDIR="$work" "$build/vexil_decode_file" "$msg" "$work/vexil" >/dev/null
cmp "$work/rip/measurements.dat" "$work/vexil/measurements.dat"

python3 - "$runs" "$size" "$msg" "$work" "$build/vexil_decode_file" <<'PY'
import os, shutil, statistics, subprocess, sys, time
runs, size, msg, work, decoder = int(sys.argv[1]), int(sys.argv[2]), sys.argv[3], sys.argv[4], sys.argv[5]
env = dict(os.environ, TMPDIR=work)
times = {"ripmime": [], "vexil": []}
inside = []
for _ in range(runs):
    out = os.path.join(work, "out")
    shutil.rmtree(out, ignore_errors=True)
    os.mkdir(out)
    t = time.perf_counter()
    subprocess.run(["ripmime", "-i", msg, "-d", out], check=True)
    times["ripmime"].append(time.perf_counter() - t)
    t = time.perf_counter()
    r = subprocess.run([decoder, msg], check=True, env=env, capture_output=True, text=True)
    times["vexil"].append(time.perf_counter() - t)
    inside.append(float(r.stdout.split(" in ")[1].split(" ms")[0]))
print(f"message: {size / 1e6:.1f} MB on the wire, median of {runs} runs (whole process, attachment written to disk)")
print(f"{'extractor':<34}{'ms':>9}{'MB/s':>9}")
for name, label in (("ripmime", "ripmime -i file -d dir"), ("vexil", "vexil_decode_file (receiver)")):
    ms = statistics.median(times[name]) * 1000
    print(f"{label:<34}{ms:>9.1f}{size / ms / 1000:>9.1f}")
ms = statistics.median(inside)
print(f"{'  of which receiving and decoding':<34}{ms:>9.1f}{size / ms / 1000:>9.1f}")
PY
