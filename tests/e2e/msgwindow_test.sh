#!/usr/bin/env bash
# The message window of vexil.exe against a local Dovecot: a double click on
# the mail picture opens it on the first message; the text area's contents
# (read from the window, not from pixels) show KOI8-R and base64 UTF-8 mail
# in its own script; next and previous wrap; Delete removes a message on the
# server; closing counts again.  Offline the same double click opens the
# notepad.  Screenshots go to $VEXIL_SCREENSHOTS when it is set.
# Usage: msgwindow_test.sh DIST_DIR SCREEN_CHECK
set -uo pipefail
DIST="$(cd "$1" && pwd)"; CHECK="$2"
SCRIPTS="$(cd "$(dirname "$0")/../../scripts" && pwd)"
SUPPORT="$(cd "$(dirname "$0")/../support" && pwd)"
PROBE="$(cd "$DIST/.." && pwd)/build/windows/text_probe.exe"
WORK="$(mktemp -d /tmp/vexil-e2e.XXXXXX)"
export WINEPREFIX="${VEXIL_WINEPREFIX:-$HOME/.vexil-wine}"
. "$(dirname "$0")/lib.sh"
DOVECOT="$(mktemp -d /tmp/vxe2e.XXXXXX)"
cleanup() {
  stop_display
  bash "$SUPPORT/dovecot.sh" stop "$DOVECOT" >/dev/null 2>&1 || true
  rm -rf "$DOVECOT"
}
trap cleanup EXIT
passed=0; failed=0
ok()   { echo "ok: $*"; passed=$((passed + 1)); }
fail() { echo "FAILED: $*"; failed=$((failed + 1)); }
click() { xdotool mousemove "$1" "$2" click 1; sleep 0.3; }
shots="${VEXIL_SCREENSHOTS:-}"
keep_shot() { [ -n "$shots" ] && mkdir -p "$shots" && import -window root "$shots/$1.png" 2>/dev/null; return 0; }
# shown TEXT [SECONDS]: waits until the message window's text holds TEXT.
shown() {
  local i
  for i in $(seq $((${2:-10} * 4))); do
    "$SCRIPTS/wine-run" "$PROBE" > "$WORK/text.txt" 2>/dev/null
    grep -qF -- "$1" "$WORK/text.txt" && return 0
    sleep 0.25
  done
  return 1
}
# opened [SECONDS]: waits until the message window is on screen.
opened() {
  local i
  for i in $(seq $((${1:-10} * 4))); do
    "$SCRIPTS/wine-run" "$PROBE" > "$WORK/text.txt" 2>/dev/null && return 0
    sleep 0.25
  done
  return 1
}
count() {  # the messages on the server
  python3 - "$(cat "$DOVECOT/port")" <<'PY'
import poplib, sys
p = poplib.POP3("127.0.0.1", int(sys.argv[1]), timeout=10)
p.user("user01"); p.pass_("pw01"); print(p.stat()[0]); p.quit()
PY
}

[ -x "$PROBE" ] || { echo "no $PROBE: build the Windows side first"; exit 1; }
start_display || exit 1
bash "$SUPPORT/dovecot.sh" start "$DOVECOT" 0 1 >/dev/null || { echo "Dovecot did not start"; exit 1; }
port=$(cat "$DOVECOT/port")
printf 'From: "Ivan Petrov" <ivan@example.org>\nSubject: =?UTF-8?B?0J/RgNC40LLQtdGC?=\nContent-Type: text/plain; charset=koi8-r\nContent-Transfer-Encoding: 8bit\n\n\xf0\xd2\xc9\xd7\xc5\xd4, \xcd\xc9\xd2!\n' > "$WORK/m1"
printf 'From: Aiko <aiko@example.jp>\nSubject: second\nContent-Type: text/plain; charset=UTF-8\nContent-Transfer-Encoding: base64\n\n5pel5pys6Kqe44Gu44OG44Kt44K544OIDQo=\n' > "$WORK/m2"
printf 'From: Bob <bob@example.org>\nSubject: third\n\nPlain text.\n' > "$WORK/m3"
# A second apart: the server lists its mail in the order the file names give.
for m in m1 m2 m3; do bash "$SUPPORT/dovecot.sh" deliver "$DOVECOT" user01 "$WORK/$m" >/dev/null; sleep 1.1; done

dir=$(fresh_folder msgwindow)
python3 - "$port" > "$dir/Accounts.ini" <<'PY'
import sys
scrambled = bytes(((2 * ord(c)) - 8) % 256 for c in "pw01")
sys.stdout.buffer.write(b"\r\n[Account1]\r\nacc_name = Demo\r\nhost_name = 127.0.0.1\r\nuser_name = user01\r\npassword = "
    + scrambled + b"\r\nport_number = " + sys.argv[1].encode() + b"\r\ninactive = 0\r\n")
PY
set_ini "$dir/Vexil.ini" autocheck 0
set_ini "$dir/Vexil.ini" playsnd 0
set_ini "$dir/Vexil.ini" filter 0
declare -A at
while read -r name x y; do at[$name]="$x $y"; done < <("$CHECK" points "$dir")

start_vexil "$dir"
if ! win=$(wait_window Vexil 90); then
  fail "no window appeared"; cat "$WORK/vexil.log"; echo "$passed passed, $failed failed"; exit 1
fi
sleep 1

# Offline: the notepad, without any network.
xdotool mousemove ${at[flag]} click --repeat 2 --delay 80 1
if opened 10 && [ ! -s "$WORK/text.txt" ]; then ok "offline: an empty notepad"; else fail "offline notepad: $(cat "$WORK/text.txt")"; fi
xdotool type --delay 20 "a note"
if shown "a note"; then ok "the notepad takes typing"; else fail "typing into the notepad"; fi
click ${at[msgclose]}
sleep 1

click ${at[connect]}
sleep 3
xdotool mousemove ${at[flag]} click --repeat 2 --delay 80 1
if shown "Subj : Привет"; then ok "message 1: encoded subject"; else fail "message 1: $(cat "$WORK/text.txt")"; fi
if grep -qF "Привет, мир!" "$WORK/text.txt"; then ok "KOI8-R text in its own script"; else fail "KOI8-R body: $(cat "$WORK/text.txt")"; fi
keep_shot msgwindow-default
click ${at[msgnext]}
if shown "日本語のテキスト"; then ok "next: base64 UTF-8 text"; else fail "message 2: $(cat "$WORK/text.txt")"; fi
click ${at[msgprev]}; click ${at[msgprev]}
if shown "Subj : third"; then ok "previous wraps to the last message"; else fail "wrap: $(cat "$WORK/text.txt")"; fi
click ${at[msgdelete]}
if shown "Subj : Привет"; then ok "delete shows the first message left"; else fail "after delete: $(cat "$WORK/text.txt")"; fi
if [ "$(count)" = 2 ]; then ok "the server holds 2 messages"; else fail "server count $(count)"; fi
click ${at[msgclose]}
sleep 2
import -window root -depth 8 "$WORK/after.ppm"
if "$CHECK" shot "$dir" "$WORK/after.ppm" "$ROOT_COLOR" "DEMO 2 MESSAGES" 2 online >/dev/null 2>&1; then ok "closing counts again"; else fail "main window after closing"; fi

# Exit, the last item of the context menu.
xdotool mousemove ${at[free]} click 3
sleep 1
xdotool key Up Return
wait_exit 30
if [ "$EXIT_CODE" = 0 ]; then ok "closed cleanly"; else fail "did not end cleanly (${EXIT_CODE:-still running})"; fi

echo "$passed passed, $failed failed"
[ "$failed" = 0 ]
