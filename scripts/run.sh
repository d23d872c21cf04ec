#!/usr/bin/env bash
# Installs what is missing, builds and starts Velmora.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/setup.sh"
"$root/scripts/build.sh"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display found: starting Velmora on a virtual one (xvfb-run)."
  exec xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" "$root/build/bin/velmora"
fi
exec "$root/build/bin/velmora"
