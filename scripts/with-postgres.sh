#!/usr/bin/env bash
# Runs a command against a private PostgreSQL server, then stops the server, even on failure.
#
#   scripts/with-postgres.sh COMMAND [ARG...]
#
# The server (initdb + pg_ctl of the installed PostgreSQL) keeps its files in a temporary folder
# and listens on 127.0.0.1 only, on a free port. Run as root, it runs as the unprivileged user
# postgres (runuser) in a folder that user owns; run as another user, it runs as that user.
# HORODEX_KEEP_POSTGRES=1 keeps the folder for a look afterwards.
#
# The command sees:
#   HORODEX_TEST_DATABASE  postgresql://horodex@127.0.0.1:PORT/horodex: a role that may create
#                          databases, its password in the password file below
#   HORODEX_TEST_PUNCH_DATABASE  the same database as horodex_punch: a role of no privileges of
#                          its own, as a punch station's, its password in the same file
#   PGPASSFILE             that password file
#   HORODEX_PG_CTL         this script: "$HORODEX_PG_CTL --stop" stops the server and
#                          "$HORODEX_PG_CTL --start" starts it again on the same port;
#                          "--freeze" stops its processes with SIGSTOP (a hung machine or a dead
#                          link) and "--thaw" lets them go on
set -euo pipefail

pg_bin() {
    local dir
    for dir in /usr/lib/postgresql/15/bin /usr/lib/postgresql/*/bin; do
        [[ -x $dir/pg_ctl ]] && { echo "$dir"; return 0; }
    done
    command -v pg_ctl >/dev/null && { dirname "$(command -v pg_ctl)"; return 0; }
    return 1
}

# Runs a command as the owner of the server's folder, from that folder: the caller's may be
# closed to that user.
as_owner() {
    if [[ $(id -u) -eq 0 ]]; then
        (cd "$HORODEX_PG_ROOT" && runuser -u postgres -- "$@")
    else
        (cd "$HORODEX_PG_ROOT" && "$@")
    fi
}

control() {
    local root=$HORODEX_PG_ROOT bin
    bin=$(pg_bin)
    case "$1" in
    --freeze | --thaw)
        local pid signal=STOP
        [[ $1 == --thaw ]] && signal=CONT
        pid=$(head -n1 "$root/cluster/postmaster.pid")
        kill -s "$signal" "$pid" $(pgrep -P "$pid") 2>/dev/null || true
        ;;
    --stop)
        as_owner "$bin/pg_ctl" -D "$root/cluster" -m fast -w stop >/dev/null 2>&1 || true
        ;;
    --start)
        if ! as_owner "$bin/pg_ctl" -D "$root/cluster" -l "$root/server.log" -w -t 60 start \
            >/dev/null; then
            echo "$0: the server did not start; its log:" >&2
            cat "$root/server.log" >&2 || true
            return 1
        fi
        ;;
    esac
}

if [[ ${1:-} == --stop || ${1:-} == --start || ${1:-} == --freeze || ${1:-} == --thaw ]]; then
    [[ -n ${HORODEX_PG_ROOT:-} ]] || { echo "$0 $1: no server of mine here" >&2; exit 2; }
    control "$1"
    exit
fi
if [[ $# -eq 0 ]]; then
    echo "usage: $0 COMMAND [ARG...]" >&2
    exit 2
fi
bin=$(pg_bin) || { echo "$0: PostgreSQL is not installed (package postgresql)" >&2; exit 2; }
command -v python3 >/dev/null || { echo "$0: python3 is not installed" >&2; exit 2; }
if [[ $(id -u) -eq 0 ]] && ! id postgres >/dev/null 2>&1; then
    echo "$0: the user postgres does not exist (package postgresql)" >&2
    exit 2
fi

root=$(mktemp -d /tmp/horodex-pg.XXXXXX)
export HORODEX_PG_ROOT="$root"
[[ $(id -u) -eq 0 ]] && chown postgres: "$root"
chmod 700 "$root"

cleanup() {
    control --thaw || true
    control --stop || true
    if [[ -n ${HORODEX_KEEP_POSTGRES:-} ]]; then
        echo "$0: kept $root" >&2
    else
        rm -rf "$root"
    fi
}
trap cleanup EXIT
trap 'exit 130' INT TERM

password=$(python3 -c 'import secrets; print(secrets.token_hex(16))')
as_owner bash -c "umask 077; printf '%s\n' '$password' >'$root/password'"
as_owner "$bin/initdb" -D "$root/cluster" -U postgres -A scram-sha-256 --pwfile="$root/password" \
    -E UTF8 --locale=C.UTF-8 >"$root/initdb.log" 2>&1 || {
    echo "$0: initdb failed:" >&2
    cat "$root/initdb.log" >&2
    exit 2
}
port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
as_owner bash -c "cat >>'$root/cluster/postgresql.conf'" <<EOF
listen_addresses = '127.0.0.1'
port = $port
unix_socket_directories = '$root'
max_connections = 100
logging_collector = off
EOF
control --start

# The tests' role and database; the superuser keeps the generated password, unused afterwards.
PGPASSWORD=$password as_owner "$bin/psql" -h "$root" -p "$port" -U postgres -d postgres -qAt \
    -v ON_ERROR_STOP=1 >/dev/null <<EOF
CREATE ROLE horodex LOGIN CREATEDB PASSWORD '$password';
CREATE ROLE horodex_punch LOGIN PASSWORD '$password';
CREATE DATABASE horodex OWNER horodex;
EOF

# The password file belongs to whoever runs the command, as libpq insists.
passfile=$root/pgpass
printf '127.0.0.1:%s:*:%s:%s\n' "$port" horodex "$password" "$port" horodex_punch "$password" \
    >"$passfile"
chmod 600 "$passfile"
export PGPASSFILE="$passfile"
unset PGPASSWORD PGHOST PGPORT PGUSER PGDATABASE PGSERVICE
export HORODEX_TEST_DATABASE="postgresql://horodex@127.0.0.1:$port/horodex"
export HORODEX_TEST_PUNCH_DATABASE="postgresql://horodex_punch@127.0.0.1:$port/horodex"
HORODEX_PG_CTL="$(cd "$(dirname "$0")" && pwd)/$(basename "$0")"
export HORODEX_PG_CTL

set +e
"$@"
status=$?
set -e
exit "$status"
