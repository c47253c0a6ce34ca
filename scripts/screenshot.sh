#!/usr/bin/env bash
# Takes the pictures of the user guide again: builds tst_screenshots and runs it in its writing
# mode, which opens every window of the program offscreen with sample employees at a fixed moment
# and saves docs/images/NAME.png with NAME.layout beside it (the window's structure and the
# picture's SHA-256, which the ordinary test run compares). Commit docs/images afterwards.
#
#   scripts/screenshot.sh [BUILD_DIR]      (default build/, configured with the tests)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
images=$root/docs/images
if [[ ! -f $build/CMakeCache.txt ]] || ! grep -q '^HORODEX_BUILD_TESTS:BOOL=ON' "$build/CMakeCache.txt"; then
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DHORODEX_BUILD_TESTS=ON >/dev/null
fi
cmake --build "$build" -j"$(nproc)" --target tst_screenshots
mkdir -p "$images"
rm -f "$images"/*.png "$images"/*.layout
# ctest gives the program the tests' locale, time zone and offscreen platform.
HORODEX_SCREENSHOT_DIR=$images ctest --test-dir "$build" -R '^tst_screenshots$' --output-on-failure
ls "$images"/*.png
