#!/usr/bin/env bash
# Installs what is missing, builds Horodex and runs the whole test suite twice: as built, and
# built with AddressSanitizer and UndefinedBehaviorSanitizer. Each run includes the offscreen
# tests, the tests on a real X server (Xvfb) and the printing tests against a private CUPS server.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${HORODEX_BUILD_DIR:-$root/build}
"$root/scripts/install-deps.sh" packages.txt packages-test.txt

wrap=()
[[ -x "$root/scripts/with-xvfb.sh" ]] && wrap+=("$root/scripts/with-xvfb.sh")
[[ -x "$root/scripts/with-cups.sh" ]] && wrap+=("$root/scripts/with-cups.sh")
# A private PostgreSQL server for the tests of several stations.
[[ -x "$root/scripts/with-postgres.sh" ]] && wrap+=("$root/scripts/with-postgres.sh")

suite() { # build folder, extra cmake options...
  local dir=$1
  shift
  "$root/scripts/build.sh" "$dir" "$@"
  "${wrap[@]}" bash -c "cd '$dir' && ctest --output-on-failure"
}

# Explicitly on and off: scripts/run.sh shares the build folder with other settings. The plain build
# compiles source by source, as ccache caches it.
suite "$build" -DHORODEX_BUILD_TESTS=ON -DHORODEX_BUILD_BENCH=ON -DHORODEX_PCH=OFF -DHORODEX_UNITY=OFF
if [[ "${HORODEX_SKIP_SANITIZERS:-0}" != 1 ]]; then
  echo "== The same suite under AddressSanitizer and UndefinedBehaviorSanitizer"
  export ASAN_OPTIONS=detect_leaks=0:abort_on_error=1
  export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
  # Built as scripts/run.sh builds (grouped sources), which keeps that build working too.
  suite "$build-sanitize" -DHORODEX_SANITIZE=ON -DHORODEX_BUILD_TESTS=ON -DHORODEX_BUILD_BENCH=OFF \
    -DHORODEX_UNITY=ON
fi
