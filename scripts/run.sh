#!/usr/bin/env bash
# Installs what is missing, builds and starts Velmora.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/setup.sh"
"$root/scripts/build.sh"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display found: starting Velmora on a virtual one (xvfb-run)."
  exec xvfb-run -a -s "-noreset" "$root/build/bin/velmora"
fi
exec "$root/build/bin/velmora"
