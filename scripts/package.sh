#!/usr/bin/env bash
# Builds the Debian package from this checkout: installs what building needs (no test tools),
# builds the programs alone in Release into build-package/ (or $1) and runs cpack. Prints the
# path of the .deb; install it with `sudo apt-get install ./build-package/horodex_*.deb`.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build-package}
# The package's dependencies (dpkg-shlibdeps, file), manual pages and pixel icons.
"$root/scripts/install-deps.sh" packages.txt dpkg-dev file help2man librsvg2-bin
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DHORODEX_BUILD_TESTS=OFF -DHORODEX_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" -j"$(nproc)"
rm -f "$build"/horodex_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
ls "$build"/horodex_*.deb
