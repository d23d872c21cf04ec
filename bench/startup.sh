#!/usr/bin/env bash
# Prints the time from process start to the main window shown (the office
# availability check included), over several starts, on a virtual display,
# beside what one private office start-and-connect takes on the same machine.
# Usage: bench/startup.sh [runs]   (expects a build in ./build)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
runs="${1:-7}"
binary="$root/build/bin/velmora"
[ -x "$binary" ] || { echo "build first: bash scripts/build.sh" >&2; exit 1; }
command -v xdotool >/dev/null || { echo "needs xdotool (apt-get install xdotool)" >&2; exit 1; }
. "$root/tests/support/x11.sh"

measure() {
  local settings
  settings="$(mktemp -d)"
  local times=()
  for _ in $(seq "$runs"); do
    local start end pid
    start=$(date +%s.%N)
    XDG_CONFIG_HOME="$settings" "$binary" >/dev/null 2>&1 &
    pid=$!
    # Polled closely: xdotool's own --sync looks only every half second.
    local deadline=$((SECONDS + 120))
    until xdotool search --onlyvisible --name '^Velmora$' >/dev/null 2>&1; do
      kill -0 "$pid" 2>/dev/null || fail "the program ended before its main window showed"
      [ "$SECONDS" -lt "$deadline" ] || fail "no main window after 120 s"
      sleep 0.005
    done
    end=$(date +%s.%N)
    times+=("$(echo "$end - $start" | bc -l)")
    kill "$pid"; wait "$pid" 2>/dev/null || true
  done
  rm -rf "$settings"
  printf '%s\n' "${times[@]}" | sort -n | awk -v runs="$runs" '
    { t[NR] = $1 }
    END { printf "start-up to main window shown: median %.3f s, range %.3f-%.3f s over %d starts\n",
                 t[int((NR + 1) / 2)], t[1], t[NR], runs }'
}

if [ -z "${DISPLAY:-}" ]; then
  exec "$root/tests/support/with-display.sh" bash "$0" "$@"
fi
window=$(measure)
echo "$window"
office=$("$root/build/bin/bench_office_start" "$runs")
echo "$office"
awk -v w="$(echo "$window" | sed 's/.*median \([0-9.]*\).*/\1/')" \
    -v o="$(echo "$office" | sed 's/.*median \([0-9.]*\).*/\1/')" \
    'BEGIN { printf "window shown after %.0f %% of one office start-and-connect\n", 100 * w / o }'
