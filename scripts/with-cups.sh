#!/bin/bash
# Runs a command against a private CUPS server with two cups-pdf queues, then stops the server.
#
#   scripts/with-cups.sh COMMAND [ARG...]
#
# The server keeps its configuration, spool and logs in a temporary folder and listens on a
# local socket and on 127.0.0.1 only. The system's own CUPS configuration is left alone apart
# from one per-queue cups-pdf file (/etc/cups/cups-pdf-<queue>.conf, removed again on exit),
# because cups-pdf reads its configuration only from there. Must run as root: cups-pdf is a
# root-only backend. HORODEX_KEEP_CUPS=1 keeps the temporary folder for a look afterwards.
#
# The command sees:
#   CUPS_SERVER          the server's socket
#   HORODEX_PDF_OUT      the folder where the queues write one PDF file per job
#   HORODEX_CUPS_QUEUE   the default queue
#   HORODEX_CUPS_QUEUE2  a second queue writing to the same folder
#   HORODEX_CUPS_ROOT    the server's folder; spool/ holds each job's control file (its options)
#   HORODEX_CUPS_CTL     this script: "$HORODEX_CUPS_CTL --stop" stops the server and
#                        "$HORODEX_CUPS_CTL --start" starts it again
set -euo pipefail

# Starts or stops the server of the folder $HORODEX_CUPS_ROOT.
control() {
    local root=$HORODEX_CUPS_ROOT
    local pidfile="$root/run/cupsd.pid"
    local pid
    case "$1" in
    --stop)
        pid=$(cat "$pidfile" 2>/dev/null || true)
        if [[ -n $pid ]] && kill -0 "$pid" 2>/dev/null; then
            kill "$pid"
            while kill -0 "$pid" 2>/dev/null; do sleep 0.1; done
        fi
        rm -f "$pidfile"
        ;;
    --start)
        cupsd -f -c "$root/etc/cupsd.conf" -s "$root/etc/cups-files.conf" \
            </dev/null >/dev/null 2>&1 &
        echo $! >"$pidfile"
        for _ in $(seq 1 300); do
            lpstat -h "$root/run/cups.sock" -r >/dev/null 2>&1 && return 0
            kill -0 "$(cat "$pidfile")" 2>/dev/null || break
            sleep 0.1
        done
        echo "$0: cupsd did not start; its log:" >&2
        cat "$root/log/error_log" >&2 2>/dev/null || true
        return 1
        ;;
    esac
}

if [[ ${1:-} == --stop || ${1:-} == --start ]]; then
    [[ -n ${HORODEX_CUPS_ROOT:-} ]] || { echo "$0 $1: no server of mine here" >&2; exit 2; }
    control "$1"
    exit
fi
if [[ $# -eq 0 ]]; then
    echo "usage: $0 COMMAND [ARG...]" >&2
    exit 2
fi
if [[ $(id -u) -ne 0 ]]; then
    echo "$0: must run as root (cups-pdf is a root-only backend)" >&2
    exit 2
fi
for tool in cupsd lpadmin lpstat python3; do
    command -v "$tool" >/dev/null || { echo "$0: $tool is not installed" >&2; exit 2; }
done
ppd=/usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd
[[ -f $ppd && -x /usr/lib/cups/backend/cups-pdf ]] || {
    echo "$0: printer-driver-cups-pdf is not installed" >&2
    exit 2
}

root=$(mktemp -d /tmp/horodex-cups.XXXXXX)
export HORODEX_CUPS_ROOT="$root"
# The filters run as user lp and must reach the spool below this folder.
chmod 755 "$root"
queue="HorodexPDF-${root##*.}"
pdfconf="/etc/cups/cups-pdf-${queue}.conf"
socket_path="$root/run/cups.sock"
mkdir -p "$root"/{etc/ppd,spool/tmp,cache,run,log,pdf,cups-pdf-spool}
chmod 1777 "$root/pdf"

cleanup() {
    control --stop || true
    rm -f "$pdfconf"
    if [[ -n ${HORODEX_KEEP_CUPS:-} ]]; then
        echo "$0: kept $root" >&2
    else
        rm -rf "$root"
    fi
}
trap cleanup EXIT
trap 'exit 130' INT TERM

port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')

cat >"$root/etc/cupsd.conf" <<EOF
LogLevel warn
Listen 127.0.0.1:$port
Listen $socket_path
Browsing No
BrowseLocalProtocols none
WebInterface No
DefaultAuthType None
MaxJobs 0
PreserveJobHistory Yes
<Location />
  Order allow,deny
  Allow localhost
</Location>
EOF

cat >"$root/etc/cups-files.conf" <<EOF
ServerRoot $root/etc
RequestRoot $root/spool
TempDir $root/spool/tmp
CacheDir $root/cache
StateDir $root/run
ServerBin /usr/lib/cups
DataDir /usr/share/cups
DocumentRoot /usr/share/cups/doc-root
ErrorLog $root/log/error_log
AccessLog $root/log/access_log
PageLog $root/log/page_log
User lp
Group lp
SystemGroup root lpadmin
FileDevice No
EOF

# Label 2 numbers every file, so that copies of one report do not overwrite each other.
cat >"$pdfconf" <<EOF
Out $root/pdf
Spool $root/cups-pdf-spool
Log $root/log
Label 2
UserUMask 0022
Grp lpadmin
DecodeHexStrings 1
EOF

# lpadmin warns on every call that printer drivers are deprecated; say only what fails. A
# freshly started cupsd now and then drops the first connections, so those are tried again.
admin() {
    local out
    for _ in $(seq 1 20); do
        if out=$(lpadmin -h "$socket_path" "$@" 2>&1); then
            return 0
        fi
        [[ $out == *"Unable to connect"* ]] || break
        sleep 0.2
    done
    echo "$0: lpadmin $*: $out" >&2
    return 1
}

control --start
# pdftocairo keeps the report's font a real font, so that the text of the PDF can be read back;
# the default renderer turns it into pictures of letters.
for q in "$queue" "$queue-2"; do
    admin -p "$q" -E -v "cups-pdf:/$queue" -P "$ppd" -o pdftops-renderer-default=pdftocairo
done
admin -d "$queue"

export CUPS_SERVER="$socket_path"
export HORODEX_PDF_OUT="$root/pdf"
export HORODEX_CUPS_QUEUE="$queue"
export HORODEX_CUPS_QUEUE2="$queue-2"
HORODEX_CUPS_CTL="$(cd "$(dirname "$0")" && pwd)/$(basename "$0")"
export HORODEX_CUPS_CTL
# A printer named in the environment would override the queue's default.
unset PRINTER LPDEST
set +e
"$@"
status=$?
set -e
exit "$status"
