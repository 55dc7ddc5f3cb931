#!/usr/bin/env bash
# A throw-away Dovecot POP3 and IMAP server for the tests and benchmarks: its
# own config, passwd-file users and Maildirs inside one state directory,
# listening on loopback ports.  The system's config and service are never
# touched.
#
#   dovecot.sh start DIR [PORT [USERS]]   PORT 0 or absent: a free port; the
#                                         port in use is written to DIR/port.
#                                         USERS pool mailboxes user01..userNN
#                                         (password "pw" + number), default 40.
#                                         With VEXIL_DOVECOT_TLS=CERTDIR (holding
#                                         cert.pem and key.pem) the server offers
#                                         STLS on PORT and listens for POP3S on
#                                         VEXIL_DOVECOT_TLS_PORT (0 or unset: a free
#                                         port), written to DIR/port-tls.
#                                         IMAP listens on a free port written to
#                                         DIR/port-imap (STARTTLS offered with
#                                         TLS), and with TLS also implicit TLS on
#                                         one written to DIR/port-imaps.
#   dovecot.sh stop DIR
#   dovecot.sh add-user DIR USER PASSWORD
#   dovecot.sh deliver DIR USER FILE [COUNT]   FILE into USER's Maildir/new,
#                                              COUNT times (default 1)
#
# Mail is owned by uid/gid 4242: Dovecot refuses to touch mail as root, and no
# system account is needed for a numeric id.  DIR should stay short (socket
# paths) and sit where uid 4242 can reach it, e.g. under /tmp.
set -euo pipefail

readonly MAIL_ID=4242

die() { echo "dovecot.sh: $*" >&2; exit 1; }

free_port() {
  python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
}

# Waits until the server greets on the port (at most about 10 s).
wait_greeting() {
  local port=$1 i line
  for i in $(seq 1 200); do
    if exec 3<>"/dev/tcp/127.0.0.1/$port" 2>/dev/null; then
      line=""
      read -r -t 2 line <&3 || true
      exec 3<&- 3>&-
      [[ "$line" == "+OK"* ]] && return 0
    fi
    sleep 0.05
  done
  return 1
}

add_user() {
  local dir=$1 user=$2 pass=$3 home
  home="$dir/home/$user"
  mkdir -p "$home/Maildir/new" "$home/Maildir/cur" "$home/Maildir/tmp"
  chown -R "$MAIL_ID:$MAIL_ID" "$home"
  chmod 755 "$dir/home" "$home"
  # Dovecot notices a changed passwd-file by itself.
  printf '%s:{PLAIN}%s:%d:%d::%s::\n' "$user" "$pass" "$MAIL_ID" "$MAIL_ID" "$home" >>"$dir/passwd"
  chmod 644 "$dir/passwd"
}

deliver() {
  local dir=$1 user=$2 file=$3 count=${4:-1} new i stamp
  new="$dir/home/$user/Maildir/new"
  [ -d "$new" ] || die "no mailbox for $user"
  stamp="$(date +%s)"
  for ((i = 0; i < count; i++)); do
    # A Maildir name of our own: unique, no colon.
    cp "$file" "$new/$stamp.V1I$$M$RANDOM$i.vexiltest"
  done
  chown "$MAIL_ID:$MAIL_ID" "$new"/*
}

write_config() {
  local dir=$1 port=$2 tlsport=${3:-0} imapport=${4:-0} imapsport=${5:-0} ssl=no
  [ -n "${VEXIL_DOVECOT_TLS:-}" ] && ssl=yes
  cat >"$dir/dovecot.conf" <<EOF
protocols = pop3 imap
listen = 127.0.0.1
base_dir = $dir/run
state_dir = $dir/state
instance_name = vexiltest
log_path = $dir/dovecot.log
# Process titles name the user and state ("dovecot/imap [user01 127.0.0.1 IDLE]").
verbose_proctitle = yes
ssl = $ssl
disable_plaintext_auth = no
auth_mechanisms = plain
auth_failure_delay = 0
mail_location = maildir:~/Maildir
first_valid_uid = $MAIL_ID
last_valid_uid = $MAIL_ID
first_valid_gid = $MAIL_ID
last_valid_gid = $MAIL_ID
pop3_uidl_format = %08Xu%08Xv
passdb {
  driver = passwd-file
  args = scheme=PLAIN username_format=%u $dir/passwd
}
userdb {
  driver = passwd-file
  args = username_format=%u $dir/passwd
}
service pop3-login {
  inet_listener pop3 {
    address = 127.0.0.1
    port = $port
  }
  inet_listener pop3s {
    address = 127.0.0.1
    port = $tlsport
  }
}
service imap-login {
  inet_listener imap {
    address = 127.0.0.1
    port = $imapport
  }
  inet_listener imaps {
    address = 127.0.0.1
    port = $imapsport
  }
}
$(tls_config)
# No delay after a wrong password, neither for this login nor the next.
service anvil {
  unix_listener anvil-auth-penalty {
    mode = 0
  }
}
EOF
}

tls_config() {
  [ -n "${VEXIL_DOVECOT_TLS:-}" ] || return 0
  printf 'ssl_cert = <%s/cert.pem\nssl_key = <%s/key.pem\nssl_min_protocol = TLSv1.2\n' \
    "$VEXIL_DOVECOT_TLS" "$VEXIL_DOVECOT_TLS"
}

start() {
  local dir=$1 port=${2:-0} users=${3:-40} i
  command -v dovecot >/dev/null || die "dovecot is not installed (scripts/deps.sh)"
  [ "$(id -u)" -eq 0 ] || die "needs root: Dovecot switches to uid $MAIL_ID for the mail"
  mkdir -p "$dir"
  dir="$(cd "$dir" && pwd)"
  [ ${#dir} -le 70 ] || die "state directory path too long for Dovecot's sockets: $dir"
  [ -f "$dir/run/master.pid" ] && stop "$dir"
  chmod 755 "$dir"
  # Every start begins with empty mailboxes.
  rm -rf "$dir/home" "$dir/state"
  mkdir -p "$dir/run" "$dir/state" "$dir/home"
  : >"$dir/passwd"
  for ((i = 1; i <= users; i++)); do
    add_user "$dir" "$(printf 'user%02d' "$i")" "$(printf 'pw%02d' "$i")"
  done
  local attempt
  for attempt in 1 2 3 4 5; do
    local p=$port tp=0 ip isp=0
    [ "$p" = 0 ] && p="$(free_port)"
    ip="$(free_port)"
    if [ -n "${VEXIL_DOVECOT_TLS:-}" ]; then
      tp=${VEXIL_DOVECOT_TLS_PORT:-0}
      [ "$tp" = 0 ] && tp="$(free_port)"
      isp="$(free_port)"
    fi
    write_config "$dir" "$p" "$tp" "$ip" "$isp"
    # The daemon must not hold on to our caller's output (a test runner
    # waits for it to close).
    if dovecot -c "$dir/dovecot.conf" </dev/null >/dev/null 2>>"$dir/start.err" && wait_greeting "$p"; then
      echo "$p" >"$dir/port"
      echo "$ip" >"$dir/port-imap"
      rm -f "$dir/port-tls" "$dir/port-imaps"
      [ "$tp" = 0 ] || echo "$tp" >"$dir/port-tls"
      [ "$isp" = 0 ] || echo "$isp" >"$dir/port-imaps"
      return 0
    fi
    stop "$dir" || true
    # A chosen port is not retried; a free one may have been taken meanwhile.
    [ "$port" = 0 ] || break
  done
  cat "$dir/start.err" "$dir/dovecot.log" >&2 2>/dev/null || true
  die "Dovecot did not start in $dir"
}

stop() {
  local dir=$1 pid kids k i alive
  [ -f "$dir/run/master.pid" ] || return 0
  pid="$(cat "$dir/run/master.pid")"
  # Dovecot's own shutdown waits a couple of seconds for its children; a test
  # server has nothing to save, so the master is frozen (no respawns), its
  # children listed, and all of them ended at once.
  if kill -STOP "$pid" 2>/dev/null; then
    kids="$(ps -o pid= --ppid "$pid" || true)"
    kill -KILL "$pid" $kids 2>/dev/null || true
    for i in $(seq 1 100); do
      alive=""
      for k in $pid $kids; do
        [ -e "/proc/$k" ] && ! grep -q '^State:[[:space:]]*Z' "/proc/$k/status" 2>/dev/null && alive=1
      done
      [ -z "$alive" ] && break
      sleep 0.02
    done
  fi
  rm -f "$dir/run/master.pid" "$dir/port" "$dir/port-tls" "$dir/port-imap" "$dir/port-imaps"
}

cmd=${1:-}
shift || true
case "$cmd" in
  start) [ $# -ge 1 ] || die "usage: start DIR [PORT [USERS]]"; start "$@" ;;
  stop) [ $# -eq 1 ] || die "usage: stop DIR"; stop "$1" ;;
  add-user) [ $# -eq 3 ] || die "usage: add-user DIR USER PASSWORD"; add_user "$@" ;;
  deliver) [ $# -ge 3 ] || die "usage: deliver DIR USER FILE [COUNT]"; deliver "$@" ;;
  *) die "usage: dovecot.sh start|stop|add-user|deliver ..." ;;
esac
