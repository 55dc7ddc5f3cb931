#!/usr/bin/env bash
# Builds everything and runs every test: the native tests, the Windows-side
# tests under Wine, and the whole-program tests of vexil.exe under Xvfb.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"

"$root/scripts/deps.sh"
"$root/scripts/build.sh" all

export WINEPREFIX="${VEXIL_WINEPREFIX:-$HOME/.vexil-wine}"
unset http_proxy https_proxy HTTP_PROXY HTTPS_PROXY || true

status=0
echo "== native tests"
ctest --test-dir "$root/build/native" --output-on-failure -j2 || status=1

echo "== Windows tests under Wine"
xvfb-run -a -s "-screen 0 1024x768x24 -noreset" \
  ctest --test-dir "$root/build/windows" --output-on-failure || status=1

echo "== vexil.exe under Wine and Xvfb"
for t in "$root"/tests/e2e/*_test.sh; do
  bash "$t" "$root/dist" "$root/build/native/vexil_screen_check" || status=1
done

exit $status
