#!/usr/bin/env bash
# Installs what is missing, builds and runs every test (headless).
# Extra arguments go to ctest (e.g. -L unit, -R e2e_titles).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/setup.sh"
"$root/scripts/build.sh"
cd "$root/build"
export QT_QPA_PLATFORM=offscreen
mkdir -p Testing
status=0
ctest --output-on-failure --timeout 300 "$@" | tee Testing/ctest-output.txt || status=$?

# ctest counts a test program whose cases QtTest skipped as passed: name each
# skipped case, so that a missing tool never passes unseen.
log=Testing/Temporary/LastTest.log
if [ -f "$log" ] && grep -q '^SKIP   : ' "$log"; then
  echo
  echo "Cases skipped inside test programs:"
  grep '^SKIP   : ' "$log" | sed 's/^SKIP   : /  /'
fi
total=$(sed -n 's/.*tests\{0,1\} failed out of \([0-9]*\).*/\1/p' Testing/ctest-output.txt | tail -n 1)
failed=$(sed -n 's/.*tests passed, \([0-9]*\) tests\{0,1\} failed out of.*/\1/p' Testing/ctest-output.txt | tail -n 1)
skipped=$(grep -c 'Test *#[0-9]*: .*\*\*\*\(Skipped\|Not Run\)' Testing/ctest-output.txt || true)
if [ -n "$total" ] && [ -n "$failed" ]; then
  echo
  echo "tests: $((total - failed - skipped)) passed, $failed failed, $skipped skipped"
fi
exit "$status"
