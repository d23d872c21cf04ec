#!/usr/bin/env bash
# With LibreOffice hidden, the program shows exactly one message box (no main
# window), and ends when it is closed, leaving no process behind.
# Usage: missing_office.sh <velmora executable>
set -euo pipefail
binary="$1"
if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$@"
fi
for tool in xdotool; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 0; }
done

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
export XDG_CONFIG_HOME="$work/config" TEMP="$work/temp"
mkdir -p "$TEMP"

# Hide the whole installation where we may (a private mount namespace);
# otherwise point the program at a folder that does not exist.
if unshare -m true 2>/dev/null; then
  how="LibreOffice's folder hidden under an empty tmpfs"
  unshare -m sh -c 'mount -t tmpfs none /usr/lib/libreoffice && exec "$0"' "$binary" &
else
  how="VELMORA_LIBREOFFICE_DIR pointing nowhere"
  VELMORA_LIBREOFFICE_DIR=/nonexistent/libreoffice "$binary" &
fi
pid=$!

box=$(timeout 30 xdotool search --sync --onlyvisible --name '^Velmora$' | head -n 1)
windows=$(xdotool search --onlyvisible --name '^Velmora$' | wc -l)
eval "$(xdotool getwindowgeometry --shell "$box")"
echo "$how: $windows window(s) titled Velmora, the first ${WIDTH}x${HEIGHT}"
if [ "$windows" -ne 1 ]; then echo "FAIL: expected exactly one window"; kill "$pid"; exit 1; fi
# The main window is 536x316; the message box is no such window.
if [ "$WIDTH" -eq 536 ] && [ "$HEIGHT" -eq 316 ]; then echo "FAIL: the main window was shown"; kill "$pid"; exit 1; fi

# No window manager runs here: give the box the keyboard focus by hand.
xdotool windowfocus --sync "$box" 2>/dev/null || true
xdotool key Return
for _ in $(seq 100); do
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.1
done
if kill -0 "$pid" 2>/dev/null; then echo "FAIL: the program did not end"; kill "$pid"; exit 1; fi
status=0; wait "$pid" || status=$?
echo "the program ended with status $status"
[ "$status" -ne 0 ] || { echo "FAIL: a refused start must not report success"; exit 1; }
if pgrep -x soffice.bin -P "$pid" >/dev/null 2>&1; then echo "FAIL: an office process was left"; exit 1; fi
echo "PASS"
