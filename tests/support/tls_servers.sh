#!/usr/bin/env bash
# Dovecot servers with TLS for the tests and benchmarks, with certificates of
# a test CA made here (openssl), trusted by nothing but what the test itself
# tells to trust it.
#
#   tls_servers.sh start BASE [TLSPORT]   makes BASE/certs and starts:
#     BASE/good       certificate for "localhost" from the test CA; STLS on
#                     its plain port, POP3S on TLSPORT (default 995; 0: a free
#                     port)
#     BASE/untrusted  certificate for "localhost" from a CA nobody trusts
#     BASE/mismatch   certificate for "mail.example.org" from the test CA
#     BASE/expired    certificate for "localhost" from the test CA, expired
#                     in 2021
#   The CA to trust is BASE/certs/ca.pem.  Each server writes its ports to
#   port (plain, STLS offered) and port-tls (POP3S) in its directory.
#   tls_servers.sh stop BASE
#
# BASE should be short (Dovecot's socket paths) and under /tmp.
set -euo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
readonly SERVERS="good untrusted mismatch expired"

die() { echo "tls_servers.sh: $*" >&2; exit 1; }

# A CA: NAME.pem and NAME.key in the directory.
make_ca() {
  local dir=$1 name=$2 subject=$3
  openssl req -x509 -newkey rsa:2048 -nodes -sha256 -days 3650 -subj "/CN=$subject" \
    -addext "basicConstraints=critical,CA:TRUE" -addext "keyUsage=critical,keyCertSign,cRLSign" \
    -keyout "$dir/$name.key" -out "$dir/$name.pem" 2>/dev/null
}

# A server certificate in DIR/NAME/{cert,key}.pem, from CA, for the DNS
# name, valid from START to END (openssl ca's YYYYMMDDHHMMSSZ).
make_server_cert() {
  local dir=$1 name=$2 ca=$3 dns=$4 start=$5 end=$6 out="$1/$2"
  mkdir -p "$out" "$dir/ca-db"
  : >"$dir/ca-db/index.txt"
  [ -f "$dir/ca-db/serial" ] || echo 1000 >"$dir/ca-db/serial"
  cat >"$dir/ca-db/ca.cnf" <<EOF
[ca]
default_ca = test_ca
[test_ca]
database = $dir/ca-db/index.txt
serial = $dir/ca-db/serial
new_certs_dir = $dir/ca-db
default_md = sha256
policy = anything
unique_subject = no
copy_extensions = none
x509_extensions = server
[anything]
commonName = supplied
[server]
basicConstraints = critical,CA:FALSE
keyUsage = critical,digitalSignature,keyEncipherment
extendedKeyUsage = serverAuth
subjectAltName = DNS:$dns
EOF
  openssl req -new -newkey rsa:2048 -nodes -subj "/CN=$dns" -keyout "$out/key.pem" \
    -out "$out/req.pem" 2>/dev/null
  openssl ca -batch -config "$dir/ca-db/ca.cnf" -cert "$dir/$ca.pem" -keyfile "$dir/$ca.key" \
    -startdate "$start" -enddate "$end" -in "$out/req.pem" -out "$out/cert.pem" -notext \
    2>/dev/null
  chmod 644 "$out/key.pem" "$out/cert.pem"
}

start() {
  local base=$1 tlsport=${2:-995} certs name dns ca start end
  command -v openssl >/dev/null || die "openssl is not installed (scripts/deps.sh)"
  mkdir -p "$base"
  base="$(cd "$base" && pwd)"
  chmod 755 "$base"  # the mail processes (uid 4242) pass through it
  certs="$base/certs"
  rm -rf "$certs"
  mkdir -p "$certs"
  make_ca "$certs" ca "Vexil Test CA"
  make_ca "$certs" stranger "Nobody's CA"
  for name in $SERVERS; do
    dns=localhost ca=ca start=20240101000000Z end=20991231235959Z
    case $name in
      untrusted) ca=stranger ;;
      mismatch) dns=mail.example.org ;;
      expired) start=20200101000000Z end=20210101000000Z ;;
    esac
    make_server_cert "$certs" "$name" "$ca" "$dns" "$start" "$end"
  done
  for name in $SERVERS; do
    local port=0
    [ "$name" = good ] && port=$tlsport
    VEXIL_DOVECOT_TLS="$certs/$name" VEXIL_DOVECOT_TLS_PORT=$port \
      "$here/dovecot.sh" start "$base/$name" 0 16
  done
}

stop() {
  local base=$1 name
  for name in $SERVERS; do
    [ -d "$base/$name" ] && "$here/dovecot.sh" stop "$base/$name" &
  done
  wait
}

cmd=${1:-}
shift || true
case "$cmd" in
  start) [ $# -ge 1 ] || die "usage: start BASE [TLSPORT]"; start "$@" ;;
  stop) [ $# -eq 1 ] || die "usage: stop BASE"; stop "$1" ;;
  *) die "usage: tls_servers.sh start|stop BASE" ;;
esac
