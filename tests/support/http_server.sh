#!/usr/bin/env bash
# A throw-away lighttpd for the tests and benchmarks: its own config, serving
# DIR/www on a loopback port.  The system's config and service are never
# touched.
#
#   http_server.sh start DIR [PORT]   PORT 0 or absent: a free port; the port
#                                     in use is written to DIR/port
#   http_server.sh stop DIR
set -euo pipefail

die() { echo "http_server.sh: $*" >&2; exit 1; }

free_port() {
  python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
}

start() {
  local dir=$1 port=${2:-0} i
  command -v lighttpd >/dev/null || die "lighttpd is not installed (scripts/deps.sh)"
  mkdir -p "$dir/www"
  dir="$(cd "$dir" && pwd)"
  [ -f "$dir/lighttpd.pid" ] && stop "$dir"
  [ "$port" = 0 ] && port="$(free_port)"
  cat >"$dir/lighttpd.conf" <<CONF
server.document-root = "$dir/www"
server.bind = "127.0.0.1"
server.port = $port
server.pid-file = "$dir/lighttpd.pid"
server.errorlog = "$dir/error.log"
server.modules = ( "mod_accesslog" )
accesslog.filename = "$dir/access.log"
mimetype.assign = ( ".txt" => "text/plain", "" => "application/octet-stream" )
CONF
  lighttpd -f "$dir/lighttpd.conf" </dev/null >/dev/null 2>>"$dir/start.err" || {
    cat "$dir/start.err" >&2; die "lighttpd did not start in $dir"; }
  for i in $(seq 1 100); do
    if (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; then
      echo "$port" >"$dir/port"
      return 0
    fi
    sleep 0.05
  done
  die "lighttpd does not answer on port $port"
}

stop() {
  local dir=$1 pid i
  [ -f "$dir/lighttpd.pid" ] || return 0
  pid="$(cat "$dir/lighttpd.pid")"
  kill "$pid" 2>/dev/null || true
  for i in $(seq 1 100); do
    [ -e "/proc/$pid" ] || break
    sleep 0.02
  done
  rm -f "$dir/lighttpd.pid" "$dir/port"
}

cmd=${1:-}
shift || true
case "$cmd" in
  start) [ $# -ge 1 ] || die "usage: start DIR [PORT]"; start "$@" ;;
  stop) [ $# -eq 1 ] || die "usage: stop DIR"; stop "$1" ;;
  *) die "usage: http_server.sh start|stop DIR" ;;
esac
