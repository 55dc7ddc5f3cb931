# Shared pieces of the whole-program tests: a private X display, a private
# Wine prefix, starting vexil.exe from a folder and finding its windows.
# Sourced by the test scripts; expects $WORK (a temporary directory) and
# $SCRIPTS, and $DIST (the ready-to-run folder under test) where there is one.

# The folder under test decides the width: Wine's built-ins (reg) run in the
# prefix of its vexil.exe, and the helper programs come from the build tree
# of the same width (build/windows for dist/, build/windows32 for dist32/).
if [ -n "${DIST:-}" ]; then
  VEXIL_WINE_WIDTH="$("$SCRIPTS/wine-run" --width-of "$DIST/vexil.exe")"
  export VEXIL_WINE_WIDTH
  case "$VEXIL_WINE_WIDTH" in
    32) WINBUILD="$(cd "$SCRIPTS/.." && pwd)/build/windows32" ;;
    *) WINBUILD="$(cd "$SCRIPTS/.." && pwd)/build/windows" ;;
  esac
fi

ROOT_COLOR=204060   # the desktop colour: every pixel cut out of the window shows it

# The tally of the checks.
passed=0; failed=0
ok()   { echo "ok: $*"; passed=$((passed + 1)); }
fail() { echo "FAILED: $*"; failed=$((failed + 1)); }

# Input through the X server; KEY_DELAY is the pause between keys (ms).
away()  { xdotool mousemove 5 5; sleep 0.3; }
keys()  { xdotool key --delay "${KEY_DELAY:-60}" "$@"; sleep 0.4; }
typed() { xdotool type --delay 30 "$1"; sleep 0.2; }

# free_port: a loopback port nothing listens on now.
free_port() {
  python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
}

# winpath PATH: the path as Windows programs see it (Wine's Z: drive).
winpath() { local p="$1"; echo "Z:${p//\//\\}"; }

# Screenshots are kept for a person to look at when VEXIL_SCREENSHOTS names
# a folder.  keep_shot NAME [WINDOW]: the window, or the whole screen.
shots="${VEXIL_SCREENSHOTS:-}"
keep_shot() {
  [ -n "$shots" ] || return 0
  mkdir -p "$shots"
  import -window "${2:-root}" "$shots/$1.png" 2>/dev/null
  return 0
}

start_display() {
  local n
  for n in $(seq 91 140); do
    [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] || break
  done
  export DISPLAY=":$n"
  Xvfb "$DISPLAY" -screen 0 1024x768x24 -noreset -nolisten tcp >"$WORK/xvfb.log" 2>&1 &
  XVFB_PID=$!
  for _ in $(seq 50); do xsetroot -solid "#$ROOT_COLOR" 2>/dev/null && return 0; sleep 0.1; done
  echo "Xvfb did not start" >&2
  return 1
}

stop_display() {
  [ -n "${VEXIL_PID:-}" ] && kill "$VEXIL_PID" 2>/dev/null
  "$SCRIPTS/wine-run" --server -k 2>/dev/null || true
  [ -n "${XVFB_PID:-}" ] && kill "$XVFB_PID" 2>/dev/null
  wait 2>/dev/null || true
}

# The news come from a port where nothing listens unless a test serves its
# own: a program under test never reaches out to the product's host.
export VEXIL_TEST_NEWS_HOST="${VEXIL_TEST_NEWS_HOST:-127.0.0.1:9}"

# start_vexil FOLDER: runs FOLDER/vexil.exe in the background.
start_vexil() {
  (cd "$1" && exec "$SCRIPTS/wine-run" ./vexil.exe) >"$WORK/vexil.log" 2>&1 &
  VEXIL_PID=$!
}

# wait_window NAME [SECONDS]: prints the id of the first visible window so named.
wait_window() {
  local name="$1" limit="${2:-60}" id
  for _ in $(seq $((limit * 5))); do
    id=$(xdotool search --onlyvisible --name "^$name\$" 2>/dev/null | head -1)
    [ -n "$id" ] && { echo "$id"; return 0; }
    if ! kill -0 "$VEXIL_PID" 2>/dev/null; then return 1; fi
    sleep 0.2
  done
  return 1
}

# wait_box WINDOW: prints the id of a visible window named Vexil other than
# WINDOW (a message box of the program), waiting up to 10 s.
wait_box() {
  local id
  for _ in $(seq 50); do
    id=$(xdotool search --onlyvisible --name '^Vexil$' 2>/dev/null | grep -vx "$1" | head -1)
    [ -n "$id" ] && { echo "$id"; return 0; }
    sleep 0.2
  done
  return 1
}

# wait_exit SECONDS: waits for vexil.exe to end and sets EXIT_CODE (empty
# while it still runs).  Not for a subshell: the wait needs the parent.
wait_exit() {
  local limit="$1"
  EXIT_CODE=""
  for _ in $(seq $((limit * 10))); do
    if ! kill -0 "$VEXIL_PID" 2>/dev/null; then
      wait "$VEXIL_PID"; EXIT_CODE=$?; VEXIL_PID=""; return 0
    fi
    sleep 0.1
  done
  return 1
}

# fresh_folder NAME: a copy of the ready-to-run folder.  The news ticker is
# still (min_scroll 0), so that the status line shows the status text for
# the screenshots; the ticker's own test sets it again.
fresh_folder() {
  local dir="$WORK/$1"
  rm -rf "$dir"; mkdir -p "$dir"
  cp -r "$DIST/." "$dir/"
  sed -i "s|^min_scroll *=.*\r\$|min_scroll = 0\r|" "$dir/Vexil.ini"
  echo "$dir"
}

# closed: the settings dialog went away (waits up to 5 s).
closed() {
  local i
  for i in $(seq 20); do
    xdotool search --onlyvisible --name '^Vexil Configuration$' >/dev/null 2>&1 || return 0
    sleep 0.25
  done
  return 1
}

# accounts_has LINE: the folder $dir's Accounts.ini holds LINE (CR dropped).
accounts_has() { tr -d '\r' < "$dir/Accounts.ini" | grep -qx "$1"; }

set_ini() {  # set_ini FILE KEY VALUE: replaces the line that starts with KEY
  sed -i "s|^$2 *=.*\r\$|$2 = $3\r|" "$1"
}

# wait_status LABEL STATUS COUNT [STATE]: polls (15 s at most) until the main
# window of the folder $dir shows STATUS and COUNT, and STATE (online unless
# given), then checks it.
wait_status() {
  local i state="${4:-online}"
  for i in $(seq 30); do
    sleep 0.5; away
    import -window root -depth 8 "$WORK/$1.ppm"
    "$CHECK" shot "$dir" "$WORK/$1.ppm" "$ROOT_COLOR" "$2" "$3" "$state" >/dev/null 2>&1 && break
  done
  [ -n "$shots" ] && mkdir -p "$shots" && convert "$WORK/$1.ppm" "$shots/$1.png" 2>/dev/null
  if "$CHECK" shot "$dir" "$WORK/$1.ppm" "$ROOT_COLOR" "$2" "$3" "$state"; then
    ok "$1: \"$2\" and $3"
  else
    fail "$1"
  fi
}
