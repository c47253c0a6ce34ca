#!/usr/bin/env bash
# The Debian package as a shop gets it: built with cpack from a build tree, judged by lintian,
# checked as extracted files (control fields, contents, desktop and AppStream files, manual
# pages), then installed for real with
# apt-get, started by an unprivileged user on an X server, and removed again without leaving
# anything behind.
#
#   tests/package/test_package.sh BUILD_DIR
#
# Must run as root (it installs and removes the package; exit 77 otherwise). Without DISPLAY it
# starts its own Xvfb through scripts/with-xvfb.sh. The package is removed again on any exit.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
build=$(cd "${1:?usage: $0 BUILD_DIR}" && pwd)

if [[ $(id -u) -ne 0 ]]; then
    echo "SKIP: installs a package, so it must run as root"
    exit 77
fi
if [[ -z ${DISPLAY:-} ]]; then
    exec "$root/scripts/with-xvfb.sh" "$0" "$@"
fi
for tool in cpack dpkg-deb dpkg-shlibdeps apt-get desktop-file-validate appstreamcli appstream-util \
    lintian xdotool runuser file; do
    command -v "$tool" >/dev/null || { echo "FAIL: $tool is not installed (scripts/packages.txt)" >&2; exit 1; }
done
if dpkg-query -W -f='${db:Status-Status}' horodex 2>/dev/null | grep -qv '^not-installed$'; then
    echo "FAIL: a horodex package is already installed here; this test installs and removes" \
        "its own, so it leaves that one alone" >&2
    exit 1
fi

work=$(mktemp -d /tmp/horodex-package.XXXXXX)
# The unprivileged user must reach its home below this folder.
chmod 755 "$work"
installed=0
program_pid=
cleanup() {
    if [[ -n $program_pid ]]; then
        kill -KILL "$program_pid" 2>/dev/null || true
    fi
    if ((installed)); then
        echo "cleanup: purging the package installed by this test"
        dpkg --purge horodex >/dev/null 2>&1 || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

failures=0
step() { echo; echo "== $*"; }
ok() { echo "ok: $*"; }
bad() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
check() { # description, command...
    local what=$1
    shift
    if "$@"; then ok "$what"; else bad "$what"; fi
}
matches() { [[ $1 =~ $2 ]]; } # string, extended regular expression
wait_for() { # seconds, command...; polls until the command succeeds
    local tries=$(($1 * 10))
    shift
    for ((i = 0; i < tries; i++)); do
        if "$@"; then return 0; fi
        sleep 0.1
    done
    return 1
}

step "Build the package: cpack -G DEB in $build"
(cd "$build" && cpack -G DEB -B "$work/cpack") >"$work/cpack.log" 2>&1 || {
    cat "$work/cpack.log" >&2
    echo "FAIL: cpack" >&2
    exit 1
}
debs=("$work"/cpack/horodex_*.deb)
[[ ${#debs[@]} -eq 1 && -f ${debs[0]} ]] || { echo "FAIL: cpack made no single horodex_*.deb" >&2; exit 1; }
deb=${debs[0]}
echo "${deb##*/}"

step "lintian: no error and no warning"
# Informational tags are shown but pass; an error or a warning fails the package.
if lintian --fail-on error,warning --no-tag-display-limit "$deb" >"$work/lintian.log" 2>&1; then
    ok "lintian $(lintian --version 2>/dev/null | head -n1)"
else
    bad "lintian:"
fi
grep -v '^running with root privileges' "$work/lintian.log" || true

step "Control fields: dpkg-deb -f"
field() { dpkg-deb -f "$deb" "$1"; }
# One entry of a list field ("libc6 (>= 2.34)"), found by its package name.
entry() { tr ',' '\n' <<<"$(field "$1")" | sed 's/^ *//' | awk -v name="$2" '$1 == name'; }
version=$(field Version)
depends=$(field Depends)
echo "Version: $version"
echo "Depends: $depends"
echo "Recommends: $(field Recommends)"
check "Package is horodex" test "$(field Package)" = horodex
check "Architecture is this machine's ($(dpkg --print-architecture))" \
    test "$(field Architecture)" = "$(dpkg --print-architecture)"
# Versioned entries come only from dpkg-shlibdeps (the symbols files of the libraries linked).
for lib in libc6 libstdc++6 libqt6core6 libqt6gui6 libqt6widgets6; do
    check "Depends names $lib with a minimum version (dpkg-shlibdeps)" \
        matches "$(entry Depends "$lib")" '^[^ ]+ \(>= [^)]+\)$'
done
for lib in libx11-6 libxss1 libqt6printsupport6 libqt6dbus6; do
    check "Depends names $lib" test -n "$(entry Depends "$lib")"
done
for kiosk in cage xwayland; do
    check "Recommends $kiosk" test -n "$(entry Recommends "$kiosk")"
done
# Every dependency must be installable from this release's archive, as on a fresh machine.
while read -r dep; do
    name=${dep%% *}
    check "apt knows an installable $name" \
        bash -c "apt-cache policy '$name' | grep -q 'Candidate: [^(]'"
done < <(tr ',' '\n' <<<"$depends" | sed 's/^ *//')

step "Contents: dpkg-deb -c"
dpkg-deb -c "$deb" | awk '{print $NF}' | sed 's|^\./|/|' >"$work/contents"
cat "$work/contents"
check "everything lies below /usr" bash -c "! grep -v '^/usr/' '$work/contents'"
check "no data folder is installed" bash -c "! grep -E '/data/?$' '$work/contents'"
for path in /usr/bin/horodex /usr/bin/horodex-report /usr/bin/horodex-sync \
    /usr/share/man/man1/horodex.1.gz /usr/share/man/man1/horodex-report.1.gz \
    /usr/share/man/man1/horodex-sync.1.gz \
    /usr/share/doc/horodex/copyright /usr/share/doc/horodex/changelog.gz \
    /usr/share/applications/org.horodex.Horodex.desktop \
    /usr/share/metainfo/org.horodex.horodex.metainfo.xml \
    /usr/share/icons/hicolor/scalable/apps/org.horodex.Horodex.svg \
    /usr/share/icons/hicolor/48x48/apps/org.horodex.Horodex.png \
    /usr/share/horodex/autostart/org.horodex.Horodex.desktop \
    /usr/share/wayland-sessions/horodex-time-clock.desktop \
    /usr/share/doc/horodex/README.md /usr/share/doc/horodex/guide.md; do
    check "contains $path" grep -qx "$path" "$work/contents"
done

step "Extracted files: dpkg-deb -x, desktop-file-validate, appstreamcli validate --no-net"
tree=$work/extracted
dpkg-deb -x "$deb" "$tree"
share=$tree/usr/share
desktop=$share/applications/org.horodex.Horodex.desktop
autostart=$share/horodex/autostart/org.horodex.Horodex.desktop
session=$share/wayland-sessions/horodex-time-clock.desktop
metainfo=$share/metainfo/org.horodex.horodex.metainfo.xml
for f in "$desktop" "$autostart" "$session"; do
    check "desktop-file-validate ${f#"$tree"}" desktop-file-validate "$f"
done
check "appstreamcli validate --pedantic --no-net ${metainfo#"$tree"}: not even a pedantic note" \
    bash -c "appstreamcli validate --pedantic --no-net '$metainfo' && ! appstreamcli validate --pedantic --no-net '$metainfo' | grep -q '^[EWIP]:'"
check "appstreamcli validate --strict --no-net ${metainfo#"$tree"}" \
    appstreamcli validate --strict --no-net "$metainfo"
# appstream-util would fetch the screenshot to measure it: the test runs without the network.
check "appstream-util validate-strict --nonet ${metainfo#"$tree"}" \
    appstream-util validate-strict --nonet "$metainfo"
check "the metainfo provides the three programs" \
    bash -c "for b in horodex horodex-report horodex-sync; do grep -q \"<binary>\$b</binary>\" '$metainfo' || exit 1; done"
# Each manual page is made from its program's --help: every option the program offers is in it.
for program in horodex horodex-report horodex-sync; do
    page=$share/man/man1/$program.1.gz
    check "the manual page of $program names it and its --help and --version" \
        bash -c "zcat '$page' | grep -q '^.TH ${program^^} ' && zcat '$page' | grep -q 'help' && zcat '$page' | grep -q 'version'"
done
# Every picture the guide shows is installed beside it.
for image in $(grep -o '(images/[^)]*\.png)' "$root/docs/guide.md" | tr -d '()' | sort -u); do
    check "the guide's $image is installed" grep -qx "/usr/share/doc/horodex/$image" "$work/contents"
done
check "the manual page of horodex-report has a SYNOPSIS naming each command" \
    bash -c "zcat '$share/man/man1/horodex-report.1.gz' | sed -n '/^\.SH SYNOPSIS/,/^\.SH/p' | sed 's/\\\\-/-/g' >'$work/synopsis' &&
             for c in single multiple corrections who-is-in; do grep -q \"\\b\$c\\b\" '$work/synopsis' || exit 1; done"
check "the manual page of horodex-report lists --data and --database" \
    bash -c "zcat '$share/man/man1/horodex-report.1.gz' | grep -q 'data' && zcat '$share/man/man1/horodex-report.1.gz' | grep -q 'database'"
# The whole tree: the metadata's menu entry and icon must be where it says.
check "appstreamcli validate-tree --no-net of the extracted package" \
    appstreamcli validate-tree --no-net "$tree"
key() { sed -n "s/^$1=//p" "$2" | head -n1; }
icon=$(key Icon "$desktop")
check "the menu entry's icon $icon is the SVG in hicolor" test -f "$share/icons/hicolor/scalable/apps/$icon.svg"
for png in "$share"/icons/hicolor/*x*/apps/"$icon".png; do
    size=$(basename "$(dirname "$(dirname "$png")")")
    check "${png#"$tree"} is a ${size/x/ x } PNG" \
        bash -c "file -b '$png' | grep -q 'PNG image data, ${size/x/ x }'"
done
check "the metainfo launches the menu entry" \
    grep -q '<launchable type="desktop-id">org.horodex.Horodex.desktop</launchable>' "$metainfo"
check "the metainfo's newest release is the package's version $version" \
    grep -q "<release version=\"$version\"" "$metainfo"
check "the menu entry starts horodex" test "$(key Exec "$desktop")" = horodex
check "the autostart entry starts horodex" test "$(key Exec "$autostart")" = horodex
check "the session is called Horodex time clock" test "$(key Name "$session")" = "Horodex time clock"
check "the session runs horodex under cage" matches "$(key Exec "$session")" '^cage .*-- horodex$'
check "the extracted programs link only libraries this machine has" \
    bash -c "! LD_LIBRARY_PATH= ldd '$tree/usr/bin/horodex' '$tree/usr/bin/horodex-report' | grep 'not found'"

step "Install: apt-get install $deb"
installed=1
if ! DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends \
    -o DPkg::Lock::Timeout=300 "$deb" >"$work/apt-install.log" 2>&1; then
    cat "$work/apt-install.log" >&2
    echo "FAIL: apt-get install" >&2
    exit 1
fi
grep -E '^(Setting up|Unpacking) horodex' "$work/apt-install.log" || true
dpkg -L horodex >"$work/files"
echo "dpkg -L horodex: $(wc -l <"$work/files") paths"
check "dpkg says horodex $version is installed" \
    test "$(dpkg-query -W -f='${db:Status-Status} ${Version}' horodex)" = "installed $version"
check "horodex is on the PATH as /usr/bin/horodex" test "$(command -v horodex)" = /usr/bin/horodex

step "First start of the installed program as an unprivileged user (nobody) on $DISPLAY"
home=$work/home
runtime=$work/runtime
# Its own temporary folder, so that a socket the program leaves goes away with this test's.
tmp=$work/tmp
mkdir -p "$home" "$runtime" "$tmp"
chown nobody: "$home" "$runtime" "$tmp"
chmod 700 "$runtime" "$tmp"
data_home=$home/.local/share
env_of_nobody=(HOME="$home" XDG_DATA_HOME="$data_home" XDG_RUNTIME_DIR="$runtime" TMPDIR="$tmp"
    DISPLAY="$DISPLAY" PATH=/usr/bin:/bin LANG=C.UTF-8)
if [[ -n ${XAUTHORITY:-} ]]; then
    # A display with a cookie: the user needs a copy that it may read.
    install -m 644 "$XAUTHORITY" "$work/xauthority"
    env_of_nobody+=(XAUTHORITY="$work/xauthority")
fi
for var in ASAN_OPTIONS UBSAN_OPTIONS; do
    [[ -n ${!var:-} ]] && env_of_nobody+=("$var=${!var}")
done
# An array, not a function, so that a command started in the background is runuser's own child.
as_nobody=(runuser -u nobody -- env -i "${env_of_nobody[@]}")

# The menu entry's own command line, as a desktop would run it.
exec_line=$(key Exec /usr/share/applications/org.horodex.Horodex.desktop)
echo "runuser -u nobody -- env -i HOME=$home XDG_DATA_HOME=$data_home ... $exec_line"
"${as_nobody[@]}" sh -c "exec $exec_line" >"$work/program.log" 2>&1 &
runuser_pid=$!
find_program() { program_pid=$(pgrep -P "$runuser_pid" -x horodex) && [[ -n $program_pid ]]; }
wait_for 20 find_program || { bad "the program did not start"; cat "$work/program.log" >&2; exit 1; }
window=
visible_window() { window=$(xdotool search --onlyvisible --pid "$program_pid" 2>/dev/null | head -n1) && [[ -n $window ]]; }
if ! wait_for 30 visible_window; then
    bad "the program showed no window within 30 s"
else
    title=$(xdotool getwindowname "$window")
    echo "first window: \"$title\""
    data=$data_home/horodex
    check "the first window is the first-run password window" \
        grep -q "Log In" <<<"$title"
    check "the data folder $data was created, owned by nobody" \
        test "$(stat -c %U "$data" 2>/dev/null)" = nobody
    check "the data folder is 0700: no other account reaches its files" \
        test "$(stat -c %a "$data" 2>/dev/null)" = 700
    xdotool windowactivate --sync "$window" >/dev/null 2>&1 || xdotool windowfocus --sync "$window"
    # At a person's pace: keys 20 ms apart and Enter are a badge reader's scan.
    xdotool type --delay 150 "secret1"
    xdotool key Tab
    xdotool type --delay 150 "secret1"
    xdotool key Return
    if wait_for 20 test -f "$data/options.ini"; then
        ok "the new password wrote $data/options.ini ($(stat -c '%s bytes, owner %U' "$data/options.ini"))"
    else
        bad "no options.ini appeared in $data"
    fi
    main_window() { visible_window && [[ $(xdotool getwindowname "$window") == Horodex* ]]; }
    check "the punch window appeared" wait_for 20 main_window
fi
kill -TERM "$program_pid" 2>/dev/null || true
gone() { ! kill -0 "$program_pid" 2>/dev/null; }
wait_for 20 gone || kill -KILL "$program_pid" 2>/dev/null || true
wait "$runuser_pid" 2>/dev/null || true
program_pid=

step "horodex-report as nobody finds the same files: horodex-report who-is-in"
if "${as_nobody[@]}" horodex-report who-is-in >"$work/report-in.txt" 2>&1; then
    ok "horodex-report who-is-in exits 0: $(grep -m1 "are in" "$work/report-in.txt")"
else
    bad "horodex-report who-is-in failed: $(cat "$work/report-in.txt")"
fi

step "The programs answer --help and --version without a display"
for program in horodex horodex-report horodex-sync; do
    for option in --help --version; do
        if runuser -u nobody -- env -i HOME="$home" PATH=/usr/bin:/bin LANG=C.UTF-8 \
            "$program" "$option" >"$work/answer.txt" 2>&1; then
            ok "$program $option exits 0: $(head -n1 "$work/answer.txt")"
        else
            bad "$program $option failed: $(cat "$work/answer.txt")"
        fi
    done
done

step "horodex-report as nobody: horodex-report --help"
if "${as_nobody[@]}" horodex-report --help >"$work/report-help.txt" 2>&1; then
    ok "horodex-report --help exits 0: $(head -n1 "$work/report-help.txt")"
else
    bad "horodex-report --help failed: $(cat "$work/report-help.txt")"
fi

step "Remove: apt-get remove horodex"
if DEBIAN_FRONTEND=noninteractive apt-get remove -y -q -o DPkg::Lock::Timeout=300 horodex \
    >"$work/apt-remove.log" 2>&1; then
    installed=0
    grep -E '^Removing horodex' "$work/apt-remove.log" || true
else
    cat "$work/apt-remove.log" >&2
    bad "apt-get remove"
fi
check "dpkg knows no trace of horodex (not even its configuration)" \
    bash -c "[[ \$(dpkg-query -W -f='\${db:Status-Status}' horodex 2>/dev/null) =~ ^(not-installed)?\$ ]]"
left=0
while read -r path; do
    [[ $path == /. ]] && continue
    [[ -e $path || -L $path ]] || continue
    # Shared folders stay when another package owns them or something else lives in them.
    if [[ -d $path && ! -L $path ]] && { dpkg -S "$path" >/dev/null 2>&1 || [[ -n $(ls -A "$path") ]]; }; then
        continue
    fi
    echo "left behind: $path" >&2
    left=$((left + 1))
done <"$work/files"
check "none of the $(wc -l <"$work/files") installed paths is left behind" test "$left" -eq 0
if [[ -n ${data:-} ]]; then
    check "the user's data stays: $data/options.ini" test -f "$data/options.ini"
fi

echo
if ((failures)); then
    echo "$failures check(s) failed"
    exit 1
fi
echo "all checks passed"
