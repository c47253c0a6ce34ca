#!/usr/bin/env bash
# Installs what is missing, builds Horodex and starts it. Without a display (no DISPLAY and no
# WAYLAND_DISPLAY) it starts inside a virtual X server with xvfb-run.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh" "$root/build"
if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" ]]; then
  echo "No display: starting Horodex inside xvfb-run (a virtual X server)."
  exec xvfb-run -a -s "-screen 0 1280x1024x24" "$root/build/bin/horodex" "$@"
fi
exec "$root/build/bin/horodex" "$@"
