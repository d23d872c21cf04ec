#!/usr/bin/env bash
# Prints the memory of the program and of each office it holds, while idle:
# after start-up (prepared offices ready) and after ten invitations.
# RSS counts the shared libraries in every process; PSS shares them out, so
# the PSS sum is what the machine really gives.
# Usage: bench/memory.sh   (expects a build in ./build)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
binary="$root/build/bin/velmora"
[ -x "$binary" ] || { echo "build first: bash scripts/build.sh" >&2; exit 1; }
. "$root/tests/support/x11.sh"
if [ -z "${DISPLAY:-}" ]; then
  exec "$root/tests/support/with-display.sh" bash "$0" "$@"
fi
work="$(mktemp -d)"
trap 'kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null; rm -rf "$work"' EXIT
export XDG_CONFIG_HOME="$work/config" TEMP="$work/temp"
mkdir -p "$TEMP"

kib() { awk -v key="$2:" '$1 == key { print $2 }' "/proc/$1/${3:-status}"; }
report() {
  local total_rss=0 total_pss=0 line
  printf '%s\n' "$1"
  for p in "$pid" $(pgrep -f "soffice.bin.*velmora-office-$pid-"); do
    local rss pss name
    rss=$(kib "$p" VmRSS); pss=$(kib "$p" Pss smaps_rollup)
    [ "$p" = "$pid" ] && name=velmora || name=soffice.bin
    printf '  %-12s pid %-7s RSS %6.1f MB  PSS %6.1f MB\n' "$name" "$p" "$(echo "$rss/1024" | bc -l)" "$(echo "$pss/1024" | bc -l)"
    total_rss=$((total_rss + rss)); total_pss=$((total_pss + pss))
  done
  printf '  %-12s             RSS %6.1f MB  PSS %6.1f MB\n' together "$(echo "$total_rss/1024" | bc -l)" "$(echo "$total_pss/1024" | bc -l)"
}
offices() { pgrep -f "soffice.bin.*velmora-office-$pid-" | wc -l; }
two_offices() { [ "$(offices)" -ge 2 ]; }
settle() { # prepared offices ready, then quiet for a while: idle is what is measured
  wait_until 120 "two prepared offices" two_offices
  sleep 5
}
preview() {
  for w in $(xdotool search --onlyvisible --pid "$pid" --name '^Velmora$' 2>/dev/null); do
    eval "$(xdotool getwindowgeometry --shell "$w")"
    [ "$WIDTH" -gt 600 ] && { echo "$w"; return; }
  done
}
preview_shown() { [ -n "$(preview)" ]; }
preview_gone() { [ -z "$(preview)" ]; }

"$binary" &
pid=$!
main=$(await_window 120 '^Velmora$')
settle
report "after start-up, idle"
xdotool mousemove --window "$main" 400 55 click 1
for _ in $(seq 10); do
  sleep 3 # a pause between invitations, as a person makes them
  xdotool mousemove --window "$main" 200 20 click 1
  wait_until 120 "the preview" preview_shown
  preview=$(preview)
  eval "$(xdotool getwindowgeometry --shell "$preview")"
  xdotool mousemove --window "$preview" 100 $((HEIGHT - 15)) click 1
  wait_until 30 "< Back to the main window" preview_gone
done
settle
report "after ten invitations, idle"
