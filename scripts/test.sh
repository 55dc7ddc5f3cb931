#!/usr/bin/env bash
# Builds everything and runs every test: the native tests, the Windows-side
# tests under Wine, and whole-program tests of vexil.exe under Xvfb.
#
# The 64-bit program is the one tested whole.  The 32-bit program is built
# too, with warnings as errors, so that neither width rots; its Wine tests
# run where this machine can run 32-bit programs, and are reported skipped
# where it cannot.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"

"$root/scripts/deps.sh"
VEXIL_WERROR=ON "$root/scripts/build.sh" all

unset http_proxy https_proxy HTTP_PROXY HTTPS_PROXY || true

status=0
echo "== the generated skins and icons match their generators"
python3 "$root/tools/make_skins.py" --check && python3 "$root/tools/make_icons.py" --check || status=1

echo "== the program files: dist/ holds the 64-bit program, dist32/ the 32-bit one"
for pair in dist:64 dist32:32; do
  folder="${pair%%:*}" want="${pair##*:}"
  got="$("$root/scripts/wine-run" --width-of "$root/$folder/vexil.exe")"
  if [ "$got" = "$want" ]; then
    echo "ok: $folder/vexil.exe is a $want-bit program"
  else
    echo "FAILED: $folder/vexil.exe is '${got:-not a program}', not $want-bit"; status=1
  fi
done

echo "== native tests"
ctest --test-dir "$root/build/native" --output-on-failure -j2 || status=1

echo "== native tests under AddressSanitizer and UndefinedBehaviorSanitizer"
cmake -S "$root" -B "$root/build/sanitize" -DCMAKE_BUILD_TYPE=Debug -DVEXIL_SANITIZE=ON \
  -DVEXIL_BENCH=OFF -DVEXIL_WERROR=ON >/dev/null
cmake --build "$root/build/sanitize" -j"$(nproc)" --target vexil_tests >/dev/null
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir "$root/build/sanitize" --output-on-failure -j2 || status=1

echo "== Windows tests of the 64-bit program under Wine (wine64)"
xvfb-run -a -s "-screen 0 1024x768x24 -noreset" \
  ctest --test-dir "$root/build/windows" --output-on-failure || status=1

echo "== Windows tests of the 32-bit program under Wine (the 32-bit loader)"
if why="$("$root/scripts/wine-run" --can-run 32 2>&1)"; then
  xvfb-run -a -s "-screen 0 1024x768x24 -noreset" \
    ctest --test-dir "$root/build/windows32" --output-on-failure || status=1
else
  echo "skipped: ${why:-the 32-bit loader cannot run here}"
  echo "(the 32-bit program was compiled with warnings as errors above)"
fi

echo "== short fuzzing runs of the message receiver and the IMAP response reader"
bash "$root/tests/fuzz/run_short.sh" 20 || status=1

echo "== vexil.exe under Wine and Xvfb"
for t in "$root"/tests/e2e/*_test.sh; do
  bash "$t" "$root/dist" "$root/build/native/vexil_screen_check" || status=1
done

exit $status
