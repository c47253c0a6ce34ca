#!/usr/bin/env bash
# Runs tst_wayland as a native Wayland client of two real compositors, each headless and started
# as the unprivileged user nobody in a runtime folder of its own, and stopped afterwards:
#   weston, a desktop whose panels no program may hide: the notice is shown;
#   cage, the kiosk compositor of the "Horodex time clock" session: nothing to tell.
# Screenshots through the compositor land in $HORODEX_WAYLAND_SHOTS (default: a folder that is
# removed again). Exits 77 (skipped) when a compositor or the Wayland platform is missing.
set -u
build=${1:?usage: $0 BUILD_DIR}
program="$build/bin/tst_wayland"
for tool in weston cage grim runuser; do
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
stop() {
    if [[ -n $compositor_pid ]] && kill -0 "$compositor_pid" 2>/dev/null; then
        kill "$compositor_pid"
        wait "$compositor_pid" 2>/dev/null
    fi
    compositor_pid=
}
trap 'stop; rm -rf "$work"' EXIT
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

run_test() { # kind, socket, screenshot command
    env -u DISPLAY -u QT_QPA_PLATFORM -u DBUS_SESSION_BUS_ADDRESS -u XDG_CURRENT_DESKTOP \
        XDG_RUNTIME_DIR="$runtime" WAYLAND_DISPLAY="$2" \
        QT_QPA_PLATFORM=wayland HORODEX_TEST_COMPOSITOR="$1" HORODEX_TEST_SCREENSHOT="$3" \
        HORODEX_TEST_SHOTS="$shots" \
        "$program"
}

status=0
# --debug offers the screenshooter; the pixman renderer draws real pixels without a GPU.
runuser -u nobody -- env XDG_RUNTIME_DIR="$runtime" weston --backend=headless-backend.so \
    --use-pixman --debug --socket=hx --width=1024 --height=768 --idle-time=0 \
    >"$work/weston.log" 2>&1 &
compositor_pid=$!
if wait_for_socket hx; then
    run_test desktop hx "$work/shot-weston" || status=1
else
    status=1
fi
stop

# cage shows its one program, here a placeholder, and the test's window in front of it.
runuser -u nobody -- env XDG_RUNTIME_DIR="$runtime" WLR_BACKENDS=headless WLR_LIBINPUT_NO_DEVICES=1 \
    WLR_HEADLESS_OUTPUTS=1 cage -d -s -- sleep 600 >"$work/cage.log" 2>&1 &
compositor_pid=$!
socket=
for _ in $(seq 1 200); do
    socket=$(cd "$runtime" && ls wayland-* 2>/dev/null | grep -v lock | head -n1)
    [[ -n $socket ]] && break
    kill -0 "$compositor_pid" 2>/dev/null || break
    sleep 0.05
done
if [[ -n $socket ]] && wait_for_socket "$socket"; then
    echo "$socket" >"$work/cage-socket"
    run_test kiosk "$socket" "$work/shot-cage" || status=1
else
    status=1
fi
stop
ls "$shots"
exit $status
