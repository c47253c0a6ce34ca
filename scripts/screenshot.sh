#!/usr/bin/env bash
# Takes the screenshot of the punch station shown in the README: the program runs on its own
# Xvfb (scripts/with-xvfb.sh) from a temporary directory with sample employees, its first-run
# password is typed in, an employee is selected, and the main window is saved as a PNG.
#
#   scripts/screenshot.sh [path/to/horodex] [output.png]
# Defaults: build/bin/horodex and docs/screenshot.png. Needs xdotool and ImageMagick's import.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
if [[ ${1:-} != --on-this-display ]]; then
    exec "$root/scripts/with-xvfb.sh" --no-wm "$0" --on-this-display "$@"
fi
shift
program=$(realpath "${1:-$root/build/bin/horodex}")
output=$(realpath -m "${2:-$root/docs/screenshot.png}")
for tool in xdotool import; do
    command -v "$tool" >/dev/null || { echo "$0: $tool is not installed" >&2; exit 2; }
done

work=$(mktemp -d)
pid=
finish() {
    [[ -n $pid ]] && kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null
    rm -rf "$work"
}
trap finish EXIT

# The program finds its data beside the executable (symbolic links are resolved): copy it.
cp "$program" "$work/horodex"
mkdir "$work/data"
employee() { printf '"%s","vwxy","%s","%s","%s","%s","111111111"\r\n' "$@"; }
{
    employee "Mary Anderson" 123456789 16.50 24.75 1
    employee "John Baker" 234567891 15.00 22.50 1
    employee "Luc Tremblay" 345678912 18.25 27.38 2
    employee "Sofia Rossi" 456789123 17.00 25.50 2
    employee "Ken Watanabe" 567891234 19.75 29.63 3
} >"$work/data/names.nms"
today=$(date +%m/%d/%Y)
punch() { printf '%-3s   %s        %s\r\n' "$1" "$today" "$2"; }
{ punch IN 08:02; punch OUT 12:00; punch IN 12:31; } >"$work/data/Mary Anderson.txt"
{ punch IN 07:55; } >"$work/data/John Baker.txt"

"$work/horodex" &
pid=$!

visible_window() { xdotool search --onlyvisible --pid "$pid" 2>/dev/null | head -n1; }
wait_for() { # command; up to 20 s
    for _ in $(seq 1 200); do
        if "$@"; then return 0; fi
        sleep 0.1
    done
    echo "$0: timed out waiting for: $*" >&2
    return 1
}

# First run: the administrator login asks for the new password twice.
has_login() { login=$(visible_window) && [[ -n $login ]]; }
wait_for has_login
xdotool windowfocus --sync "$login"
# At a person's pace: keys 20 ms apart and Enter are a badge reader's scan.
xdotool type --delay 150 "secret1"
xdotool key Tab
xdotool type --delay 150 "secret1"
xdotool key Return
wait_for test -f "$work/data/options.ini"
has_main() { main=$(visible_window) && [[ -n $main && $main != "$login" ]]; }
wait_for has_main

# Select the first employee: the list starts 16 pixels below the menu bar, 8 from the left.
eval "$(xdotool getwindowgeometry --shell "$main")"
xdotool mousemove $((X + 60)) $((Y + 52)) click 1
xdotool mousemove $((X + 600)) $((Y + 600))
sleep 1.5 # let the clock tick and the strip repaint

mkdir -p "$(dirname "$output")"
import -window "$main" "$output"
echo "$output"
