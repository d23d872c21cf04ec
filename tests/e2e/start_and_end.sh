#!/usr/bin/env bash
# The program starts to its main window, prepares its office instances, and on
# a termination request ends cleanly: no office process and no working folder
# of it is left.
# Usage: start_and_end.sh <velmora executable>
set -euo pipefail
binary="$1"
if [ -z "${DISPLAY:-}" ]; then
  exec "$(dirname "$0")/../support/with-display.sh" bash "$0" "$@"
fi
. "$(dirname "$0")/../support/x11.sh"
command -v xdotool >/dev/null || skip "xdotool is not installed"

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
export XDG_CONFIG_HOME="$work/config" TEMP="$work/temp" TMPDIR="$work/tmp"
export XDG_RUNTIME_DIR="$work/runtime"
mkdir -p "$TEMP" "$TMPDIR" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"

"$binary" &
pid=$!
trap 'kill "$pid" 2>/dev/null || true; rm -rf "$work"' EXIT
window=$(await_window 120 '^Velmora$')
eval "$(xdotool getwindowgeometry --shell "$window")"
echo "main window ${WIDTH}x${HEIGHT}"
[ "$WIDTH" -eq 536 ] && [ "$HEIGHT" -eq 316 ] || fail "not the main window"

ours() { pgrep -f "soffice.bin.*velmora-office-$pid-" || true; }
some_office() { [ -n "$(ours)" ]; }
# Instances are prepared once the program has been quiet for a moment.
wait_until 120 "a prepared office" some_office
echo "office processes while running: $(ours | wc -l)"
# A write to an office that has gone must not end the program.
ignored=$(awk '/^SigIgn:/ {print $2}' "/proc/$pid/status")
(( (16#$ignored >> 12) & 1 )) || fail "the program does not ignore SIGPIPE (SigIgn $ignored)"
# The offices have no network: nothing a document links to can be fetched.
for office in $(ours); do
  [ "$(readlink "/proc/$office/ns/net")" != "$(readlink /proc/self/ns/net)" ] \
    || fail "office $office shares the program's network"
done

kill -TERM "$pid"
ended() { ! kill -0 "$pid" 2>/dev/null; }
wait_until 60 "the program to end after a termination request" ended
status=0; wait "$pid" || status=$?
echo "ended with status $status"
[ "$status" -eq 0 ] || fail "the program did not end cleanly"
# The program has ended, so its offices are no longer waited for by pid.
ended_pid="$pid"
pid=
no_office() { [ -z "$(pgrep -f "soffice.bin.*velmora-office-$ended_pid-" || true)" ]; }
wait_until 30 "the program's offices to end" no_office
folders=$(find "$TMPDIR" "$TEMP" -mindepth 1 -maxdepth 1 | wc -l)
[ "$folders" -eq 0 ] || { ls -la "$TMPDIR" "$TEMP"; fail "files left in the temporary folders"; }
echo "PASS"
