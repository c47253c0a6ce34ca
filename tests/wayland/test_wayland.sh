#!/usr/bin/env bash
# Runs tst_wayland as a native Wayland client of two real compositors, each headless and started
# as the unprivileged user nobody in a runtime folder of its own, and stopped afterwards:
#   weston, a desktop whose panels no program may hide: the notice is shown;
#   cage, the kiosk compositor of the "Horodex time clock" session: nothing to tell.
# Headless, neither compositor has a keyboard; so each is started once more as a window of a
# private Xvfb, whose keys it reads, and the badge reader's tests press keys there with xdotool.
# Screenshots through the compositor land in $HORODEX_WAYLAND_SHOTS (default: a folder that is
# removed again). Exits 77 (skipped) when a compositor or the Wayland platform is missing.
set -u
build=${1:?usage: $0 BUILD_DIR}
program="$build/bin/tst_wayland"
for tool in weston cage grim runuser Xvfb xdotool; do
    command -v "$tool" >/dev/null || { echo "$0: $tool is not installed" >&2; exit 77; }
done
compgen -G "/usr/lib/*/qt6/plugins/platforms/libqwayland-generic.so" >/dev/null ||
    { echo "$0: qt6-wayland is not installed" >&2; exit 77; }

work=$(mktemp -d /tmp/horodex-wayland.XXXXXX)
shots=${HORODEX_WAYLAND_SHOTS:-$work/shots}
mkdir -p "$shots"
chmod 755 "$work"
runtime="$work/runtime"
mkdir -m 700 "$runtime"
chown nobody "$runtime"
compositor_pid=
xvfb_pid=
stop() {
    if [[ -n $compositor_pid ]] && kill -0 "$compositor_pid" 2>/dev/null; then
        kill "$compositor_pid"
        wait "$compositor_pid" 2>/dev/null
    fi
    compositor_pid=
}
trap 'stop; [[ -n $xvfb_pid ]] && kill "$xvfb_pid" 2>/dev/null; rm -rf "$work"' EXIT
trap 'exit 130' INT TERM

# Waits for the socket $1 of the compositor just started.
wait_for_socket() {
    for _ in $(seq 1 200); do
        [[ -S $runtime/$1 ]] && return 0
        kill -0 "$compositor_pid" 2>/dev/null || break
        sleep 0.05
    done
    echo "$0: the compositor did not start:" >&2
    cat "$work"/*.log >&2
    return 1
}

# The screenshot command the test calls with a name: the compositor's own way to take one.
cat >"$work/shot-weston" <<SHOT
#!/bin/sh
cd "$runtime" && runuser -u nobody -- env XDG_RUNTIME_DIR="$runtime" WAYLAND_DISPLAY=hx \
    timeout 10 weston-screenshooter >/dev/null 2>&1
for f in "$runtime"/wayland-screenshot-*.png; do [ -e "\$f" ] && mv "\$f" "$shots/\$1.png"; done
SHOT
cat >"$work/shot-cage" <<SHOT
#!/bin/sh
XDG_RUNTIME_DIR="$runtime" WAYLAND_DISPLAY=\$(cat "$work/cage-socket") timeout 10 grim "$shots/\$1.png"
SHOT
chmod 755 "$work/shot-weston" "$work/shot-cage"

run_test() { # kind, socket, screenshot command, the test functions to run (default: all)
    env -u DISPLAY -u QT_QPA_PLATFORM -u DBUS_SESSION_BUS_ADDRESS -u XDG_CURRENT_DESKTOP \
        XDG_RUNTIME_DIR="$runtime" WAYLAND_DISPLAY="$2" \
        QT_QPA_PLATFORM=wayland HORODEX_TEST_COMPOSITOR="$1" HORODEX_TEST_SCREENSHOT="$3" \
        HORODEX_TEST_SHOTS="$shots" \
        "$program" "${@:4}"
}

# The keyboard: Xvfb chooses a free display and writes its number once it accepts clients.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb_pid=$!
for _ in $(seq 1 200); do
    [[ -s $work/display ]] && break
    kill -0 "$xvfb_pid" 2>/dev/null || break
    sleep 0.05
done
[[ -s $work/display ]] || { echo "$0: Xvfb did not start:" >&2; cat "$work/xvfb.log" >&2; exit 1; }
keyboard=":$(head -n1 "$work/display")"
# The command the test calls with a delay in milliseconds and xdotool's names of the keys. The
# compositor's window fills the X screen, so the keys reach it wherever the pointer is.
cat >"$work/keyboard" <<KEYS
#!/bin/sh
delay=\$1
shift
DISPLAY=$keyboard exec xdotool key --delay "\$delay" "\$@"
KEYS
chmod 755 "$work/keyboard"
# What runs with the keyboard: the badge reader's tests.
keyboard_tests=(scan_punchesOnlyAtAReadersPace)

# weston on the backend given: headless, or x11 (a window of the keyboard's X server).
start_weston() {
    runuser -u nobody -- env XDG_RUNTIME_DIR="$runtime" DISPLAY="$keyboard" weston \
        --backend="$1-backend.so" --use-pixman --debug --socket=hx --width=1024 --height=768 \
        --idle-time=0 >"$work/weston.log" 2>&1 &
    compositor_pid=$!
    wait_for_socket hx
}

# cage on the backend given (headless, or x11 drawn with pixman); its socket lands in cage-socket.
start_cage() {
    local backend=(WLR_BACKENDS=headless WLR_LIBINPUT_NO_DEVICES=1 WLR_HEADLESS_OUTPUTS=1)
    [[ $1 == x11 ]] && backend=(WLR_BACKENDS=x11 WLR_RENDERER=pixman WLR_X11_OUTPUTS=1)
    rm -f "$work/cage-socket" "$runtime"/wayland-*
    runuser -u nobody -- env XDG_RUNTIME_DIR="$runtime" DISPLAY="$keyboard" "${backend[@]}" \
        cage -d -s -- sleep 600 >"$work/cage.log" 2>&1 &
    compositor_pid=$!
    local socket=
    for _ in $(seq 1 200); do
        socket=$(cd "$runtime" && ls wayland-* 2>/dev/null | grep -v lock | head -n1)
        [[ -n $socket ]] && break
        kill -0 "$compositor_pid" 2>/dev/null || break
        sleep 0.05
    done
    [[ -n $socket ]] && wait_for_socket "$socket" && echo "$socket" >"$work/cage-socket"
}

status=0
# --debug offers the screenshooter; the pixman renderer draws real pixels without a GPU.
if start_weston headless; then
    run_test desktop hx "$work/shot-weston" || status=1
else
    status=1
fi
stop
if start_weston x11; then
    HORODEX_TEST_KEYBOARD="$work/keyboard" run_test desktop hx "$work/shot-weston" \
        "${keyboard_tests[@]}" || status=1
else
    status=1
fi
stop

# cage shows its one program, here a placeholder, and the test's window in front of it.
if start_cage headless; then
    run_test kiosk "$(cat "$work/cage-socket")" "$work/shot-cage" || status=1
else
    status=1
fi
stop
if start_cage x11; then
    HORODEX_TEST_KEYBOARD="$work/keyboard" run_test kiosk "$(cat "$work/cage-socket")" \
        "$work/shot-cage" "${keyboard_tests[@]}" || status=1
else
    status=1
fi
stop
ls "$shots"
exit $status
