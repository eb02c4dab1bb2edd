#!/bin/bash
# Throwaway Dovecot POP3 and IMAP server for tests, one instance per directory.
#
#   dovecot.sh start DIR ADDR USER:PASSWORD:N[:SEEN] [USER:PASSWORD:N[:SEEN] ...]
#   dovecot.sh start-tls DIR USER:PASSWORD:N[:SEEN] [USER:PASSWORD:N[:SEEN] ...]
#   dovecot.sh stop DIR
#
# start: listens on ADDR (127.x.y.z), POP3 on port 110 and IMAP on port 143,
# plain text and APOP allowed, every user gets a Maildir pre-filled with N
# small messages, of which the first SEEN (default 0) are marked as seen; user
# names may hold any bytes but ":" and white space. Returns once both ports
# greet. start-tls: the same with TLS only (ssl = required) on localhost
# (127.0.0.1), POP3 on port 995 and IMAP on port 993; it first makes test
# certificates in DIR/certs:
# a test CA (ca.pem, ca.der) and, signed by it, localhost.pem (the server's),
# wrongname.pem (for another host) and expired.pem; untrusted.pem names
# localhost but comes from a CA that nobody trusts; partial.pem names localhost and comes from
# an intermediate CA that it lacks, to be fetched as http://127.0.0.92:110/intermediate.der (AIA).
# Every *.pem has its *.key.
# stop: ends that instance and waits until the port is free.
# Must run as root. Everything lives in DIR (base_dir may sit in /tmp, see below).
set -u

PORT=110                # POP3
IMAP_PORT=143
TLS=0
TIMEOUT=10              # seconds, for each bounded wait
STEP=0.1                # poll interval

die() { echo "dovecot.sh: $*" >&2; exit 1; }
usage() { die "usage: $0 start DIR ADDR USER:PASSWORD:N ... | $0 start-tls DIR USER:PASSWORD:N ... | $0 stop DIR"; }

# True if something on $1:$2 answers within 2 s with a greeting that begins with $3.
greets_on() {
    if [ "$TLS" = 1 ]; then
        timeout 3 openssl s_client -connect "$1:$2" -quiet </dev/null 2>/dev/null |
            head -c ${#3} | grep -qF "$3"
        return
    fi
    timeout 2 bash -c '
        exec 3<>"/dev/tcp/$1/$2" || exit 1
        IFS= read -r -t 2 line <&3 || exit 1
        [[ $line == "$3"* ]]' _ "$1" "$2" "$3" 2>/dev/null
}

# True if POP3 and IMAP both greet on $1.
greets() { greets_on "$1" "$PORT" "+OK" && greets_on "$1" "$IMAP_PORT" "* OK"; }

# True if something still greets on either port of $1.
greets_any() { greets_on "$1" "$PORT" "+OK" || greets_on "$1" "$IMAP_PORT" "* OK"; }

# True if no socket listens on either port of $1 any more.
port_free() { [ -z "$(ss -Hltn "( sport = :$PORT or sport = :$IMAP_PORT ) and src $1" 2>/dev/null)" ]; }

# Polls "$@" until it succeeds; bounded by TIMEOUT seconds and TIMEOUT*10 tries.
wait_for() {
    local i end=$((SECONDS + TIMEOUT))
    for ((i = 0; i < TIMEOUT * 10 && SECONDS <= end; i++)); do
        "$@" && return 0
        sleep $STEP
    done
    return 1
}

# A zombie counts as gone: PID 1 here may reap exited daemons seconds late.
alive() { local st; st=$(ps -o stat= -p "${1:-0}" 2>/dev/null) && [[ $st != Z* ]]; }
gone() { ! alive "$1"; }

log_tail() { tail -n 20 "$DIR/dovecot.log" >&2 2>/dev/null; }

cmd=${1:-}; DIR=${2:-}
[ -n "$cmd" ] && [ -n "$DIR" ] || usage
[ "$(id -u)" = 0 ] || die "must run as root"

# make_certs DIR: the test CA and the server certificates described at the top.
make_certs() {
    local c=$1 name
    rm -rf "$c" && mkdir -p "$c" || return 1
    # Two roots, and an intermediate CA signed by the first.
    for name in ca other-ca intermediate; do
        local signer=()
        [ $name = intermediate ] && signer=(-CA "$c/ca.pem" -CAkey "$c/ca.key")
        openssl req -x509 "${signer[@]}" -newkey rsa:2048 -nodes -keyout "$c/$name.key" \
            -out "$c/$name.pem" -days 30 -subj "/CN=vemo test $name" \
            -addext basicConstraints=critical,CA:TRUE -addext keyUsage=critical,keyCertSign,cRLSign \
            2>/dev/null || return 1
        : >"$c/$name.index"
        printf '%s\n' 01 >"$c/$name.serial"
        printf '[ca]\ndefault_ca = test\n[test]\ndatabase = %s\nnew_certs_dir = %s\nserial = %s\ndefault_md = sha256\npolicy = any\nunique_subject = no\n[any]\ncommonName = supplied\n' \
            "$c/$name.index" "$c" "$c/$name.serial" >"$c/$name.cnf"
    done
    openssl x509 -in "$c/ca.pem" -outform DER -out "$c/ca.der" || return 1
    openssl x509 -in "$c/intermediate.pem" -outform DER -out "$c/intermediate.der" || return 1
    # leaf NAME CA HOST START END [EXTENSION]
    leaf() {
        printf 'subjectAltName = DNS:%s\nextendedKeyUsage = serverAuth\nbasicConstraints = CA:FALSE\n%s\n' "$3" "${6:-}" >"$c/$1.ext"
        openssl req -newkey rsa:2048 -nodes -keyout "$c/$1.key" -out "$c/$1.csr" -subj "/CN=$3" 2>/dev/null &&
            openssl ca -batch -notext -config "$c/$2.cnf" -cert "$c/$2.pem" -keyfile "$c/$2.key" \
                -in "$c/$1.csr" -out "$c/$1.pem" -startdate "$4" -enddate "$5" -extfile "$c/$1.ext" 2>/dev/null
    }
    local from to
    from=$(date -u -d '-1 day' +%Y%m%d%H%M%SZ); to=$(date -u -d '+30 days' +%Y%m%d%H%M%SZ)
    leaf localhost ca localhost "$from" "$to" &&
        leaf wrongname ca wrong.vemo.test "$from" "$to" &&
        leaf expired ca localhost 20200101000000Z 20200201000000Z &&
        leaf untrusted other-ca localhost "$from" "$to" &&
        leaf partial intermediate localhost "$from" "$to" \
            'authorityInfoAccess = caIssuers;URI:http://127.0.0.92:110/intermediate.der' &&
        chmod 0644 "$c"/*
}

stop() {
    [ -f "$DIR/base_dir" ] || return 0        # never started here
    local base addr pid
    base=$(cat "$DIR/base_dir"); addr=$(cat "$DIR/addr" 2>/dev/null)
    read -r PORT IMAP_PORT <"$DIR/port" 2>/dev/null
    pid=$(cat "$base/master.pid" 2>/dev/null)
    # Only signal it if the pid still belongs to this instance's master.
    if alive "$pid" && [[ $(ps -o args= -p "$pid") == *"$DIR/dovecot.conf"* ]]; then
        kill -TERM "$pid"
        wait_for gone "$pid" || { kill -KILL "$pid"; wait_for gone "$pid"; }
    fi
    # The master lingers about a second after SIGTERM; make sure the listener is gone.
    if [ -n "$addr" ]; then
        wait_for port_free "$addr" || die "port $addr:$PORT or $IMAP_PORT still in use after stop"
    fi
    # Drop base_dir too: a stale master.pid naming a not yet reaped zombie
    # would make the next start believe Dovecot is still running.
    rm -rf -- "$base" "$DIR/base_dir"
    return 0
}

start() {
    local addr=$1; shift
    [[ $addr =~ ^127\.[0-9]+\.[0-9]+\.[0-9]+$ ]] || die "ADDR must be a 127.x.y.z address: $addr"
    [ $# -ge 1 ] || usage
    local acct
    for acct in "$@"; do
        [[ $acct =~ ^[^:[:space:]]+:[^:[:space:]]+:[0-9]+(:[0-9]+)?$ ]] || die "bad account '$acct', want user:password:N[:SEEN]"
    done
    mkdir -p "$DIR" && DIR=$(cd "$DIR" && pwd -P) || die "cannot create $DIR"
    [[ $DIR =~ [[:space:]] ]] && die "DIR must not contain white space: $DIR"
    id dovecot >/dev/null && id dovenull >/dev/null || die "users dovecot/dovenull missing (install dovecot-pop3d)"
    stop || exit 1      # a leftover instance from this DIR
    greets_any "$addr" && die "something already answers on $addr:$PORT or $IMAP_PORT"

    # The auth (user dovecot), login (dovenull) and mail (nobody) processes must
    # reach files in DIR; a mktemp -d parent is 0700, so add search permission upward.
    local d=$DIR
    while [ "$d" != / ]; do chmod o+x "$d" || die "chmod $d"; d=$(dirname "$d"); done

    # Unix socket paths are limited to 107 bytes; keep base_dir short.
    local base=$DIR/run
    if [ ${#base} -gt 60 ]; then
        base=$(mktemp -d /tmp/vd-XXXXXX) || die "mktemp"
        chmod 0755 "$base"
    fi
    rm -rf "$DIR/mail" "$DIR/state" "$DIR/dovecot.log"
    mkdir -p "$DIR/mail" "$DIR/state" "$base"
    echo "$base" >"$DIR/base_dir"
    echo "$addr" >"$DIR/addr"
    echo "$PORT $IMAP_PORT" >"$DIR/port"

    # Accounts: passwd-file with plain passwords (APOP needs the clear text).
    : >"$DIR/passwd"
    local user pass n seen i flags
    for acct in "$@"; do
        IFS=: read -r user pass n seen <<<"$acct"
        echo "$user:{PLAIN}$pass" >>"$DIR/passwd"
        mkdir -p "$DIR/mail/$user"/{cur,new,tmp}
        for ((i = 1; i <= n; i++)); do
            flags=""; [ "$i" -le "${seen:-0}" ] && flags=S
            printf 'From: sender%d@example.test\r\nTo: %s@example.test\r\nSubject: test %d\r\n\r\nBody of message %d.\r\n' \
                "$i" "$user" "$i" "$i" >"$DIR/mail/$user/cur/$((1000000 + i)).M$i.vemo:2,$flags"
        done
    done
    chmod 0644 "$DIR/passwd"
    chown -R 65534:65534 "$DIR/mail"

    local ssl="ssl = no" plain=1 secure=0
    if [ "$TLS" = 1 ]; then
        make_certs "$DIR/certs" || { stop; die "cannot make the test certificates"; }
        ssl=$(printf 'ssl = required\nssl_cert = <%s\nssl_key = <%s\nssl_min_protocol = TLSv1.2' \
            "$DIR/certs/localhost.pem" "$DIR/certs/localhost.key")
        plain=0 secure=1
    fi
    # listeners PROTOCOL: the plain and the TLS listener of its login service; one of them is off.
    listeners() {
        local port=$PORT; [ "$1" = imap ] && port=$IMAP_PORT
        printf 'service %s-login {\n  inet_listener %s {\n    port = %s\n  }\n  inet_listener %ss {\n    port = %s\n    ssl = yes\n  }\n}\n' \
            "$1" "$1" $((port * plain)) "$1" $((port * secure))
    }
    cat >"$DIR/dovecot.conf" <<EOF
protocols = pop3 imap
listen = $addr
base_dir = $base
state_dir = $DIR/state
log_path = $DIR/dovecot.log
$ssl
# Loopback to another 127.x address does not count as secure for Dovecot.
disable_plaintext_auth = no
# apop also makes the greeting carry the <timestamp>.
auth_mechanisms = plain apop
auth_failure_delay = 0
# Any bytes in user names, for the IMAP login that must send one as a literal.
auth_username_chars =
default_internal_user = dovecot
default_login_user = dovenull
first_valid_uid = 500
mail_location = maildir:$DIR/mail/%u
passdb {
  driver = passwd-file
  args = scheme=PLAIN $DIR/passwd
}
userdb {
  driver = static
  args = uid=65534 gid=65534 home=$DIR/mail/%u
}
$(listeners pop3)
$(listeners imap)

# Without this a failed login delays the next ones from the same address.
service anvil {
  unix_listener anvil-auth-penalty {
    mode = 0
  }
}
EOF

    dovecot -c "$DIR/dovecot.conf" 2>>"$DIR/dovecot.log" || { log_tail; stop; die "dovecot failed to start"; }
    wait_for greets "$addr" && return 0
    log_tail; stop; die "no greeting on $addr:$PORT and $IMAP_PORT within ${TIMEOUT}s"
}

case $cmd in
    start) [ $# -ge 4 ] || usage; shift 2; start "$@" ;;
    start-tls) [ $# -ge 3 ] || usage; shift 2; TLS=1; PORT=995; IMAP_PORT=993; start 127.0.0.1 "$@" ;;
    stop) [ $# -eq 2 ] || usage; [ -d "$DIR" ] || exit 0; DIR=$(cd "$DIR" && pwd -P); stop ;;
    *) usage ;;
esac
