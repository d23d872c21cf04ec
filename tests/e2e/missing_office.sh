#!/usr/bin/env bash
# With LibreOffice hidden, the program shows exactly one message box (no main
# window), and ends when it is closed, leaving no process behind.
# Usage: missing_office.sh <velmora executable>
set -euo pipefail
binary="$1"
if [ -z "${DISPLAY:-}" ]; then
  exec "$(dirname "$0")/../support/with-display.sh" bash "$0" "$@"
fi
. "$(dirname "$0")/../support/x11.sh"
command -v xdotool >/dev/null || skip "xdotool is not installed"

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

trap 'kill "$pid" 2>/dev/null || true; rm -rf "$work"' EXIT

# The program may run inside unshare, so its windows are not found by pid.
started="$pid"
pid=
box=$(await_window 60 '^Velmora$')
pid="$started"
windows=$(xdotool search --onlyvisible --name '^Velmora$' | wc -l)
eval "$(xdotool getwindowgeometry --shell "$box")"
echo "$how: $windows window(s) titled Velmora, the first ${WIDTH}x${HEIGHT}"
[ "$windows" -eq 1 ] || fail "expected exactly one window"
# The main window is 536x316; the message box is no such window.
! { [ "$WIDTH" -eq 536 ] && [ "$HEIGHT" -eq 316 ]; } || fail "the main window was shown"

press "$box" Return
ended() { ! kill -0 "$pid" 2>/dev/null; }
wait_until 30 "the program to end once the box is answered" ended
status=0; wait "$pid" || status=$?
echo "the program ended with status $status"
[ "$status" -ne 0 ] || fail "a refused start must not report success"
! pgrep -x soffice.bin -P "$pid" >/dev/null 2>&1 || fail "an office process was left"
echo "PASS"
