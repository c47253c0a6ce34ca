#!/usr/bin/env bash
# Runs a command against a fresh X server: Xvfb on a free display, 1280x1024x24, with the
# openbox window manager when it is installed (--no-wm leaves it out). DISPLAY is exported to
# the command; the server is stopped afterwards and the command's exit code is passed on.
#
#   scripts/with-xvfb.sh ctest --test-dir build -L realx
set -u

use_wm=1
if [[ ${1:-} == --no-wm ]]; then
    use_wm=0
    shift
fi
if [[ $# -eq 0 ]]; then
    echo "usage: $0 [--no-wm] command [argument...]" >&2
    exit 2
fi
if ! command -v Xvfb >/dev/null; then
    echo "$0: Xvfb is not installed (see scripts/packages.txt)" >&2
    exit 2
fi

work=$(mktemp -d)
xvfb_pid=
wm_pid=
stop() {
    [[ -n $wm_pid ]] && kill "$wm_pid" 2>/dev/null && wait "$wm_pid" 2>/dev/null
    [[ -n $xvfb_pid ]] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
    rm -rf "$work"
}
trap stop EXIT
trap 'exit 130' INT TERM

# The server chooses a free display number itself and writes it once it accepts clients.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb_pid=$!
for _ in $(seq 1 200); do
    [[ -s $work/display ]] && break
    if ! kill -0 "$xvfb_pid" 2>/dev/null; then
        echo "$0: Xvfb did not start:" >&2
        cat "$work/xvfb.log" >&2
        exit 2
    fi
    sleep 0.05
done
if [[ ! -s $work/display ]]; then
    echo "$0: Xvfb gave no display number" >&2
    exit 2
fi
export DISPLAY=":$(head -n1 "$work/display")"
# The tests that hide panels and change the screen saver run only on this server.
export HORODEX_TEST_XVFB=$DISPLAY
unset WAYLAND_DISPLAY XDG_SESSION_TYPE

if [[ $use_wm -eq 1 ]] && command -v openbox >/dev/null; then
    openbox --sm-disable >"$work/wm.log" 2>&1 &
    wm_pid=$!
    # Ready once it announces itself on the root window.
    for _ in $(seq 1 200); do
        xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
        sleep 0.05
    done
fi

"$@"
exit $?
