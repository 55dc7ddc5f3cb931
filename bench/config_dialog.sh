#!/usr/bin/env bash
# From Configure to the painted settings dialog under Wine, side by side with
# a bare dialog of the same controls.  Run after scripts/build.sh.
# Usage: bench/config_dialog.sh [RUNS]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
runs="${1:-30}"
work="$(mktemp -d /tmp/vexil-bench.XXXXXX)"
trap 'rm -rf "$work"' EXIT
cp -r "$root/dist/." "$work/"
cp "$root/build/windows/config_open.exe" "$work/"
cd "$work"
xvfb-run -a -s "-screen 0 1024x768x24 -noreset" \
  "$root/scripts/wine-run" ./config_open.exe "$runs" "Z:${work//\//\\}\\"
