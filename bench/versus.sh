#!/usr/bin/env bash
# Compares two builds on this machine: their click and page-export benchmarks
# run in turn, round after round, so that whatever slows the machine slows
# both. Prints each round's figures and then the new build's medians as a
# multiple of the old build's:
#   click: R x the baseline   (bench_click: click -> preview shown, shipped design)
#   png: R x the baseline     (bench_outputs: "Save as PDF or Picture…" to PNG)
# Usage: bench/versus.sh OLD_BUILD NEW_BUILD [ROUNDS] [CLICKS]
#   CLICKS: clicks per pause in each bench_click run (default 3; the first click
#   after start-up is one of them, as for a user).
#   OLD_BUILD, NEW_BUILD: build folders holding bin/bench_click and bin/bench_outputs
#   (e.g. a worktree of an older commit built with scripts/build.sh).
set -euo pipefail
[ $# -ge 2 ] || { sed -n '2,13p' "$0" | sed 's/^# \{0,1\}//'; exit 2; }
old="$(cd "$1" && pwd)"
new="$(cd "$2" && pwd)"
rounds="${3:-2}"
clicks="${4:-3}"
for build in "$old" "$new"; do
  for program in bench_click bench_outputs; do
    [ -x "$build/bin/$program" ] || { echo "no $build/bin/$program: build it first" >&2; exit 1; }
  done
done
export QT_QPA_PLATFORM=offscreen
log="$(mktemp -d)"
trap 'rm -rf "$log"' EXIT

# The click median over every pause, and the PNG export's median, of one run.
click_of() { sed -n 's/^click medians over every pause: \([0-9.]*\) ms shipped.*/\1/p' "$1"; }
png_of() { awk '$1 == "PNG" && $2 == "written" { print $3 }' "$1"; }

run() { # build name round
  local out="$log/$2-$3"
  "$1/bin/bench_click" "$clicks" >"$out.click" 2>&1 || { cat "$out.click" >&2; exit 1; }
  # Three runs: the benchmark's median of two is the larger of the two.
  "$1/bin/bench_outputs" 3 >"$out.outputs" 2>&1 || { cat "$out.outputs" >&2; exit 1; }
  printf '  %-4s click %5s ms   png %5s ms\n' "$2" "$(click_of "$out.click")" "$(png_of "$out.outputs")"
}

for round in $(seq "$rounds"); do
  echo "round $round of $rounds"
  # Each build goes first in every other round.
  if [ $((round % 2)) = 1 ]; then
    run "$old" old "$round"; run "$new" new "$round"
  else
    run "$new" new "$round"; run "$old" old "$round"
  fi
done

median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
figures() { for f in "$log"/"$1"-*."$2"; do "${3}_of" "$f"; done | median; }
echo
for what in click:click png:outputs; do
  name="${what%%:*}" kind="${what#*:}"
  before=$(figures old "$kind" "$name") after=$(figures new "$kind" "$name")
  printf '%s medians: %s ms before, %s ms after\n' "$name" "$before" "$after"
done
for what in click:click png:outputs; do
  name="${what%%:*}" kind="${what#*:}"
  before=$(figures old "$kind" "$name") after=$(figures new "$kind" "$name")
  printf '%s: %.2f x the baseline\n' "$name" "$(echo "$after / $before" | bc -l)"
done
