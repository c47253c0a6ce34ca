#!/usr/bin/env bash
# Installs what is missing, builds Horodex and runs the whole test suite: the offscreen tests,
# the tests on a real X server (Xvfb) and the printing tests against a private CUPS server.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${HORODEX_BUILD_DIR:-$root/build}
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh" "$build"

wrap=()
[[ -x "$root/scripts/with-xvfb.sh" ]] && wrap+=("$root/scripts/with-xvfb.sh")
[[ -x "$root/scripts/with-cups.sh" ]] && wrap+=("$root/scripts/with-cups.sh")
"${wrap[@]}" bash -c "cd '$build' && ctest --output-on-failure"
