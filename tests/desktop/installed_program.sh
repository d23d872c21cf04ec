#!/usr/bin/env bash
# Installs the build into a temporary prefix and checks the layout: the program
# and the files it reads beside itself in lib/velmora, bin/velmora a relative
# link to it, the desktop files and every icon size. Then starts the program
# through the link, with the installed skin and cursor spoilt: each of them is
# reported, so the program read them from lib/velmora, and the office module
# it loaded is the installed one.
# Usage: installed_program.sh <build folder>
set -euo pipefail
build="$1"
if [ -z "${DISPLAY:-}" ]; then
  exec "$(dirname "$0")/../support/with-display.sh" bash "$0" "$@"
fi
. "$(dirname "$0")/../support/x11.sh"
command -v xdotool >/dev/null || skip "xdotool is not installed"

work="$(mktemp -d)"
pid=""
cleanup() {
  [ -z "$pid" ] || kill "$pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

prefix="$work/prefix"
cmake --install "$build" --prefix "$prefix" >/dev/null
program="$prefix/lib/velmora"
for file in velmora velmora_libreoffice.so velmora_print.so HAND-M.CUR x/o.cjs; do
  [ -f "$program/$file" ] || fail "lib/velmora/$file is missing"
done
[ -x "$program/velmora" ] || fail "lib/velmora/velmora is not executable"
[ -L "$prefix/bin/velmora" ] || fail "bin/velmora is not a symbolic link"
[ "$(readlink "$prefix/bin/velmora")" = "../lib/velmora/velmora" ] \
  || fail "bin/velmora points at $(readlink "$prefix/bin/velmora")"
[ "$(ls -A "$prefix/bin")" = "velmora" ] || fail "bin/ holds more than the link: $(ls -A "$prefix/bin")"
share="$prefix/share"
[ -f "$share/applications/app.velmora.Velmora.desktop" ] || fail "no desktop entry"
[ -f "$share/metainfo/app.velmora.Velmora.metainfo.xml" ] || fail "no metainfo"
[ -f "$share/icons/hicolor/scalable/apps/velmora.svg" ] || fail "no scalable icon"
# A PNG's width and height are the big-endian words at bytes 16 and 20.
png_size() { od -An -tu1 -j16 -N8 "$1" | awk '{ printf "%dx%d", $1*16777216+$2*65536+$3*256+$4, $5*16777216+$6*65536+$7*256+$8 }'; }
for size in 16 24 32 48 64 128 256 512; do
  icon="$share/icons/hicolor/${size}x${size}/apps/velmora.png"
  [ -f "$icon" ] || fail "no ${size}x${size} icon"
  [ "$(png_size "$icon")" = "${size}x${size}" ] || fail "the ${size}x${size} icon is $(png_size "$icon")"
done
echo "layout: lib/velmora with the program and its companions, bin/velmora -> ../lib/velmora/velmora, 8 icon sizes"

printf '\xff\xfe not a style sheet' > "$program/x/o.cjs"
printf 'not a cursor' > "$program/HAND-M.CUR"
export XDG_CONFIG_HOME="$work/config" TEMP="$work/temp" TMPDIR="$work/tmp"
export XDG_RUNTIME_DIR="$work/runtime"
mkdir -p "$TEMP" "$TMPDIR" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
# Started from elsewhere, so that nothing is found relative to the working folder.
(cd / && exec "$prefix/bin/velmora") &
pid=$!

# A report before the program has set its short title carries the generic one.
titles='^(Velmora|Application Error)$'
reports=0
main=""
for _ in $(seq 5); do
  window=$(await_window 60 "$titles")
  eval "$(xdotool getwindowgeometry --shell "$window")"
  if [ "$WIDTH" -eq 536 ] && [ "$HEIGHT" -eq 316 ]; then main="$window"; break; fi
  reports=$((reports + 1))
  press "$window" Return
  box_closed() { ! xdotool search --onlyvisible --name "$titles" | grep -qx "$window"; }
  wait_until 10 "the report to close" box_closed
done
[ -n "$main" ] || fail "the main window never appeared"
echo "error reports before the main window: $reports"
[ "$reports" -eq 2 ] || fail "expected one report for the skin and one for the cursor"
module=$(grep -o '/[^ ]*velmora_libreoffice\.so' "/proc/$pid/maps" | head -n 1 || true)
echo "office module loaded from: ${module:-nowhere}"
[ "$module" = "$program/velmora_libreoffice.so" ] || fail "not the installed office module"

kill -TERM "$pid"
program_ended() { ! kill -0 "$pid" 2>/dev/null; }
wait_until 60 "the program to end after a termination request" program_ended
status=0; wait "$pid" || status=$?
ended="$pid"; pid=""
[ "$status" -eq 0 ] || fail "the program did not end cleanly ($status)"
no_office() { [ -z "$(pgrep -f "soffice.bin.*velmora-office-$ended-" || true)" ]; }
wait_until 30 "the program's offices to end" no_office
echo "PASS"
