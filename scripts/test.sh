#!/usr/bin/env bash
# Builds everything and runs every test: the native tests, the Windows-side
# tests under Wine, and the whole-program tests of vexil.exe under Xvfb.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"

"$root/scripts/deps.sh"
VEXIL_WERROR=ON "$root/scripts/build.sh" all

export WINEPREFIX="${VEXIL_WINEPREFIX:-$HOME/.vexil-wine}"
unset http_proxy https_proxy HTTP_PROXY HTTPS_PROXY || true

status=0
echo "== the generated skins and icons match their generators"
python3 "$root/tools/make_skins.py" --check && python3 "$root/tools/make_icons.py" --check || status=1

echo "== native tests"
ctest --test-dir "$root/build/native" --output-on-failure -j2 || status=1

echo "== native tests under AddressSanitizer and UndefinedBehaviorSanitizer"
cmake -S "$root" -B "$root/build/sanitize" -DCMAKE_BUILD_TYPE=Debug -DVEXIL_SANITIZE=ON \
  -DVEXIL_BENCH=OFF -DVEXIL_WERROR=ON >/dev/null
cmake --build "$root/build/sanitize" -j"$(nproc)" --target vexil_tests >/dev/null
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir "$root/build/sanitize" --output-on-failure -j2 || status=1

echo "== Windows tests under Wine"
xvfb-run -a -s "-screen 0 1024x768x24 -noreset" \
  ctest --test-dir "$root/build/windows" --output-on-failure || status=1

echo "== a short fuzzing run of the message receiver"
bash "$root/tests/fuzz/run_short.sh" 20 || status=1

echo "== vexil.exe under Wine and Xvfb"
for t in "$root"/tests/e2e/*_test.sh; do
  bash "$t" "$root/dist" "$root/build/native/vexil_screen_check" || status=1
done

exit $status
