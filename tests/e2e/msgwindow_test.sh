#!/usr/bin/env bash
# The message window of vexil.exe against a local Dovecot, driven with the
# mouse and the keyboard, over plain, quoted-printable, base64 UTF-8
# (Cyrillic, Japanese), nested multipart, HTML-only and filtered mail.  Offline, a double click on the mail picture opens
# the notepad: typing, Save Memo as (".txt" added), clearing, Open Memo of a
# UTF-8 file and Save Memo.  Online it opens on the first message: the text
# area's contents (read from the window, not from pixels) show KOI8-R and
# base64 UTF-8 mail in its own script; Reply hands the sender's address to
# the mail handler; an attachment with a hostile name is proposed under its
# bare name and saved byte for byte; a message that matches a filter raises
# the alert, whose Ignore shows it and whose Delete removes it on the server;
# previous wraps; Delete removes a message; closing counts again.  Last, the
# other shipped skin's message window.  Screenshots go to $VEXIL_SCREENSHOTS
# when it is set.
# Usage: msgwindow_test.sh DIST_DIR SCREEN_CHECK
set -uo pipefail
DIST="$(cd "$1" && pwd)"; CHECK="$2"
SCRIPTS="$(cd "$(dirname "$0")/../../scripts" && pwd)"
SUPPORT="$(cd "$(dirname "$0")/../support" && pwd)"
WORK="$(mktemp -d /tmp/vexil-e2e.XXXXXX)"
. "$(dirname "$0")/lib.sh"
PROBE="$WINBUILD/text_probe.exe"
DOVECOT="$(mktemp -d /tmp/vxe2e.XXXXXX)"
MAILTO_KEY='HKLM\Software\Classes\mailto'
MAILTO_SAVED=""
cleanup() {
  # The mail handler belongs to this test only: the prefix's own comes back
  # while the display is still there (stop_display ends the Wine server).
  if [ -n "$MAILTO_SAVED" ]; then
    "$SCRIPTS/wine-run" reg delete "$MAILTO_KEY" /f >/dev/null 2>&1
    [ -s "$WORK/mailto.reg" ] && "$SCRIPTS/wine-run" reg import "$(winpath "$WORK/mailto.reg")" >/dev/null 2>&1
  fi
  stop_display
  bash "$SUPPORT/dovecot.sh" stop "$DOVECOT" >/dev/null 2>&1 || true
  rm -rf "$DOVECOT"
}
trap cleanup EXIT
click() { xdotool mousemove "$1" "$2" click 1; sleep 0.3; }
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
# menu N: the Nth item of the message window's context menu (separators do
# not count; 1 Read Mail, 2 Save attachments, 3 Open Memo, 4 Save Memo,
# 5 Save Memo as, 6 Close window).
menu() {
  xdotool mousemove ${at[msgfree]} click 3
  sleep 0.8
  local i; for i in $(seq "$1"); do xdotool key Down; sleep 0.1; done
  keys Return
}
# file_dialog TITLE PATH: types PATH into the file dialog so titled; before
# that the field's proposal goes to $WORK/proposed.txt.
file_dialog() {
  wait_window "$1" 20 >/dev/null || return 1
  sleep 0.5
  "$SCRIPTS/wine-run" "$PROBE" "$1" > "$WORK/proposed.txt" 2>/dev/null
  keys ctrl+a; xdotool type --delay 20 "$(winpath "$2")"; keys Return
}
# appears FILE: waits until FILE exists (a file dialog's work is done).
appears() { local i; for i in $(seq 40); do [ -e "$1" ] && { sleep 0.3; return 0; }; sleep 0.25; done; return 1; }
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
printf 'From: "Bob Jones" <bob@example.org>\nSubject: third\n\nPlain text.\n' > "$WORK/m3"
# Every byte value, a CR LF and a NUL: a file that only survives whole.
python3 - "$WORK" <<'PY'
import base64, sys
work = sys.argv[1]
data = bytes(range(256)) * 40 + b"\r\n\x00end"
open(work + "/report.bin", "wb").write(data)
body = base64.encodebytes(data).decode()
open(work + "/m4", "w").write(
    "From: Carol <carol@example.org>\nSubject: with file\nMIME-Version: 1.0\n"
    "Content-Type: multipart/mixed; boundary=\"XYZ\"\n\n"
    "--XYZ\nContent-Type: text/plain; charset=us-ascii\n\nSee the file.\n"
    "--XYZ\nContent-Type: application/octet-stream; name=\"report.bin\"\n"
    "Content-Transfer-Encoding: base64\n"
    "Content-Disposition: attachment; filename=\"..\\..\\Start Menu\\Programs\\Startup\\report.bin\"\n\n"
    + body + "--XYZ--\n")
PY
printf 'From: Anne <anne@example.fr>\nSubject: qp\nContent-Type: text/plain; charset=iso-8859-1\nContent-Transfer-Encoding: quoted-printable\n\nCaf=E9 cr=E8me, une tr=\n=E8s longue ligne.\n' > "$WORK/m3a"
printf 'From: Dan <dan@example.org>\nSubject: nested\nMIME-Version: 1.0\nContent-Type: multipart/mixed; boundary="out"\n\n--out\nContent-Type: multipart/alternative; boundary="in"\n\n--in\nContent-Type: text/plain; charset=utf-8\n\nTwo files, see below.\n--in\nContent-Type: text/html; charset=utf-8\n\n<p>Two files</p>\n--in--\n--out\nContent-Type: text/csv; name="list.csv"\nContent-Disposition: attachment; filename="list.csv"\n\na,b\n--out\nContent-Type: image/png; name="dot.png"\nContent-Transfer-Encoding: base64\n\niVBORw0KGgo=\n--out--\n' > "$WORK/m3b"
printf 'From: News <news@example.org>\nSubject: html only\nContent-Type: text/html; charset=utf-8\n\n<!DOCTYPE html>\n<html><body><p>Hello</p></body></html>\n' > "$WORK/m3c"
printf 'From: Prizes <win@example.com>\nSubject: You WIN A PRIZE today\n\nClick.\n' > "$WORK/m5"
# A second apart: the server lists its mail in the order the file names give.
for m in m1 m2 m3 m3a m3b m3c m4 m5; do bash "$SUPPORT/dovecot.sh" deliver "$DOVECOT" user01 "$WORK/$m" >/dev/null; sleep 1.1; done

dir=$(fresh_folder msgwindow)
python3 - "$port" > "$dir/Accounts.ini" <<'PY'
import sys
scrambled = bytes(((2 * ord(c)) - 8) % 256 for c in "pw01")
sys.stdout.buffer.write(b"\r\n[Account1]\r\nacc_name = Demo\r\nhost_name = 127.0.0.1\r\nuser_name = user01\r\npassword = "
    + scrambled + b"\r\nport_number = " + sys.argv[1].encode() + b"\r\ninactive = 0\r\n")
PY
printf '\r\n[Filter1]\r\nstring=prize\r\n\r\n[Misc]\r\nmax_size=0\r\nauth_fltr= 0\r\n' > "$dir/VxFilter.ini"
set_ini "$dir/Vexil.ini" autocheck 0
set_ini "$dir/Vexil.ini" playsnd 0
set_ini "$dir/Vexil.ini" filter 1
declare -A at
while read -r name x y; do at[$name]="$x $y"; done < <("$CHECK" points "$dir")

# The shell's mail handler writes down the address it got.
"$SCRIPTS/wine-run" reg export "$MAILTO_KEY" "$(winpath "$WORK/mailto.reg")" /y >/dev/null 2>&1
MAILTO_SAVED=1
"$SCRIPTS/wine-run" reg add "$MAILTO_KEY" /v "URL Protocol" /d "" /f >/dev/null 2>&1
"$SCRIPTS/wine-run" reg add "$MAILTO_KEY\\shell\\open\\command" /ve \
  /d "C:\\windows\\system32\\cmd.exe /c echo %1>$(winpath "$WORK/mailto.txt")" /f >/dev/null 2>&1

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
menu 5
if file_dialog "Save As" "$WORK/note" && appears "$WORK/note.txt" &&
   [ "$(od -An -c "$WORK/note.txt" | tr -s ' ')" = " a n o t e \r \n" ]; then
  ok "Save Memo as: note.txt holds the note"
else
  fail "Save Memo as: $(ls "$WORK"; od -c "$WORK/note.txt" 2>/dev/null)"
fi
click ${at[msgdelete]}
if opened && [ ! -s "$WORK/text.txt" ]; then ok "Delete clears the notepad"; else fail "after Delete: $(cat "$WORK/text.txt")"; fi
printf '\xd0\x97\xd0\xb0\xd0\xbc\xd0\xb5\xd1\x82\xd0\xba\xd0\xb0\r\n' > "$WORK/memo.txt"
cp "$WORK/memo.txt" "$WORK/memo.orig"
menu 3
file_dialog Open "$WORK/memo.txt"
if shown "Заметка"; then ok "Open Memo reads UTF-8"; else fail "Open Memo: $(cat "$WORK/text.txt")"; fi
xdotool key ctrl+End Return; xdotool type --delay 20 "more"
shown "more" >/dev/null
menu 4
for _ in $(seq 40); do cmp -s "$WORK/memo.txt" "$WORK/memo.orig" || break; sleep 0.25; done
if [ "$(cat "$WORK/memo.txt")" = "$(printf 'Заметка\r\nmore\r')" ]; then ok "Save Memo writes the opened file in UTF-8"; else fail "Save Memo: $(od -c "$WORK/memo.txt" | head -3)"; fi
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
click ${at[msgnext]}
shown "Subj : third" >/dev/null
click ${at[msgreply]}
for _ in $(seq 40); do [ -s "$WORK/mailto.txt" ] && break; sleep 0.25; done
if [ "$(tr -d '\r\n ' < "$WORK/mailto.txt" 2>/dev/null)" = "mailto:bob@example.org" ]; then ok "Reply: the mail handler got mailto:bob@example.org"; else fail "Reply: the handler got '$(cat "$WORK/mailto.txt" 2>/dev/null)'"; fi

click ${at[msgnext]}
if shown "Café crème, une très longue ligne."; then ok "quoted-printable Latin-1 text, soft break joined"; else fail "quoted-printable: $(cat "$WORK/text.txt")"; fi
click ${at[msgnext]}
if shown "Two files, see below." && grep -qF "File(s) : list.csv dot.png" "$WORK/text.txt" && ! grep -qF "a,b" "$WORK/text.txt"; then
  ok "nested multipart: its text and both files"
  keep_shot msgwindow-nested
else
  fail "nested multipart: $(cat "$WORK/text.txt")"
fi
click ${at[msgnext]}
if shown "=HTML EMAIL=" && ! grep -qF "<p>Hello" "$WORK/text.txt"; then ok "an HTML-only message says so"; else fail "HTML only: $(cat "$WORK/text.txt")"; fi
click ${at[msgnext]}
if shown "Subj : with file"; then ok "the next message shows its file"; else fail "message with a file: $(cat "$WORK/text.txt")"; fi
menu 2
if file_dialog "Save As" "$WORK/saved.bin" && appears "$WORK/saved.bin" && cmp -s "$WORK/saved.bin" "$WORK/report.bin"; then
  ok "the attachment is saved byte for byte"
else
  fail "saving the attachment: $(ls -l "$WORK")"
fi
if [ "$(cat "$WORK/proposed.txt")" = report.bin ]; then ok "the hostile name is proposed as report.bin"; else fail "proposed '$(cat "$WORK/proposed.txt")'"; fi

click ${at[msgnext]}
if alert=$(wait_window "Vexil Filter !" 15); then
  ok "a filtered message raises the alert"
  keep_shot filter-alert
  keys alt+i
  if shown "Subj : You WIN A PRIZE today"; then ok "Ignore shows the message"; else fail "after Ignore: $(cat "$WORK/text.txt")"; fi
else
  fail "no filter alert"
fi
click ${at[msgprev]}
shown "Subj : with file" >/dev/null
click ${at[msgnext]}
if wait_window "Vexil Filter !" 15 >/dev/null; then
  keys alt+d
  if shown "Subj : Привет"; then ok "the alert's Delete shows the first message"; else fail "after the alert's Delete: $(cat "$WORK/text.txt")"; fi
  if [ "$(count)" = 7 ]; then ok "the alert's Delete removed the message on the server"; else fail "server count $(count) after the alert's Delete"; fi
else
  fail "no filter alert the second time"
fi
click ${at[msgprev]}
if shown "Subj : with file"; then ok "previous wraps to the last message"; else fail "wrap: $(cat "$WORK/text.txt")"; fi
click ${at[msgdelete]}
if shown "Subj : Привет"; then ok "delete shows the first message left"; else fail "after delete: $(cat "$WORK/text.txt")"; fi
if [ "$(count)" = 6 ]; then ok "the server holds 6 messages"; else fail "server count $(count)"; fi
click ${at[msgclose]}
sleep 2
import -window root -depth 8 "$WORK/after.ppm"
if "$CHECK" shot "$dir" "$WORK/after.ppm" "$ROOT_COLOR" "DEMO 6 MESSAGES" 6 online >/dev/null 2>&1; then ok "closing counts again"; else fail "main window after closing"; fi

# Exit, the last item of the context menu.
xdotool mousemove ${at[free]} click 3
sleep 1
xdotool key Up Return
wait_exit 30
if [ "$EXIT_CODE" = 0 ]; then ok "closed cleanly"; else fail "did not end cleanly (${EXIT_CODE:-still running})"; fi

# The other shipped skin: its message window opens where its buttons are
# and takes text.
set_ini "$dir/Vexil.ini" current_skin 'skins/Amber/'
unset at; declare -A at
while read -r name x y; do at[$name]="$x $y"; done < <("$CHECK" points "$dir")
start_vexil "$dir"
if wait_window Vexil 60 >/dev/null; then
  sleep 1
  xdotool mousemove ${at[flag]} click --repeat 2 --delay 80 1
  opened 10 >/dev/null
  xdotool type --delay 20 "amber note"
  if shown "amber note"; then ok "the Amber skin's notepad takes typing"; else fail "Amber notepad: $(cat "$WORK/text.txt")"; fi
  keep_shot msgwindow-amber
  click ${at[msgclose]}
  sleep 1
  if ! "$SCRIPTS/wine-run" "$PROBE" >/dev/null 2>&1; then ok "the Amber skin's close button closes it"; else fail "Amber: the window stayed open"; fi
  xdotool mousemove ${at[free]} click 3
  sleep 1
  xdotool key Up Return
  wait_exit 30
else
  fail "no window with the Amber skin"
fi

echo "$passed passed, $failed failed"
[ "$failed" = 0 ]
