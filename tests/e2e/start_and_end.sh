#!/usr/bin/env bash
# The program starts to its main window, prepares its office instances, and on
# a termination request ends cleanly: no office process and no working folder
# of it is left.
# Usage: start_and_end.sh <velmora executable>
set -euo pipefail
binary="$1"
if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$@"
fi
command -v xdotool >/dev/null || { echo "SKIP: xdotool is not installed"; exit 0; }

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
export XDG_CONFIG_HOME="$work/config" TEMP="$work/temp" TMPDIR="$work/tmp"
export XDG_RUNTIME_DIR="$work/runtime"
mkdir -p "$TEMP" "$TMPDIR" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"

"$binary" &
pid=$!
window=$(timeout 60 xdotool search --sync --onlyvisible --name '^Velmora$' | head -n 1)
eval "$(xdotool getwindowgeometry --shell "$window")"
echo "main window ${WIDTH}x${HEIGHT}"
[ "$WIDTH" -eq 536 ] && [ "$HEIGHT" -eq 316 ] || { echo "FAIL: not the main window"; kill "$pid"; exit 1; }

ours() { pgrep -f "soffice.bin.*velmora-office-$pid-" || true; }
# Instances are prepared once the program has been quiet for a moment.
for _ in $(seq 100); do [ -n "$(ours)" ] && break; sleep 0.1; done
echo "office processes while running: $(ours | wc -l)"

kill -TERM "$pid"
status=0; wait "$pid" || status=$?
echo "ended with status $status"
[ "$status" -eq 0 ] || { echo "FAIL: the program did not end cleanly"; exit 1; }
sleep 0.5
left=$(ours)
[ -z "$left" ] || { echo "FAIL: office processes left: $left"; exit 1; }
folders=$(find "$TMPDIR" "$TEMP" -mindepth 1 -maxdepth 1 | wc -l)
[ "$folders" -eq 0 ] || { echo "FAIL: left in the temporary folders:"; ls -la "$TMPDIR" "$TEMP"; exit 1; }
echo "PASS"
