#!/usr/bin/env bash
# Installs what is missing, builds the program alone and starts it. Without a display (no DISPLAY
# and no WAYLAND_DISPLAY) it starts inside a virtual X server with xvfb-run.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
# Only the program: tests and benchmarks would make the first start take minutes longer. The Qt
# headers are parsed once per group of libraries rather than once per source (HORODEX_PCH), each
# library's sources compile in a few groups (a unity build), and without debug information.
cmake -S "$root" -B "$root/build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DHORODEX_BUILD_TESTS=OFF -DHORODEX_BUILD_BENCH=OFF -DHORODEX_PCH=ON \
  -DHORODEX_UNITY=ON >/dev/null
cmake --build "$root/build" -j"$(nproc)" --target horodex
if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" ]]; then
  echo "No display: starting Horodex inside xvfb-run (a virtual X server)."
  exec xvfb-run -a -s "-screen 0 1280x1024x24" "$root/build/bin/horodex" "$@"
fi
exec "$root/build/bin/horodex" "$@"
