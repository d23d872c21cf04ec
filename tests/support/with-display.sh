#!/usr/bin/env bash
# Runs a command on a virtual display of its own and ends the display after.
# The X server picks a free display number itself (-displayfd), so commands
# started side by side never race for one, as xvfb-run -a's guesses can.
# Usage: with-display.sh COMMAND...
set -euo pipefail
command -v Xvfb >/dev/null || { echo "SKIP: Xvfb is not installed (scripts/setup.sh installs it)"; exit 77; }
work=$(mktemp -d)
server=
trap '[ -z "$server" ] || kill "$server" 2>/dev/null || true; wait 2>/dev/null || true; rm -rf "$work"' EXIT
mkfifo "$work/display"
# -noreset: by default the server resets whenever its last client leaves, and
# refuses the connections that come meanwhile, so a program started right
# after another has ended (or after a short xdotool call) could find no display.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$work/display" 2>"$work/log" &
server=$!
number=
read -r -t 60 number <"$work/display" || true
[ -n "$number" ] || { echo "FAIL: the virtual display did not start"; cat "$work/log"; exit 1; }
status=0
DISPLAY=":$number" "$@" || status=$?
exit "$status"
