#!/usr/bin/env bash
# The program under faults and hostile use, driven as a user drives it, on a
# virtual display. Usage: faults.sh <velmora executable> <scenario>
#   hung-office       a stopped prepared office, then offices stopped while in use:
#                     reports at the steps, the preview still shows, the program stays
#   read-only-store   an unwritable settings file is read, one warning, nothing lost
#   double-click      a double click on "Start Creating Template" makes one document
#   killed-program    the documents of a program killed mid-way go at the next start
#   titles            the save dialog and the boxes carry their own titles, nothing appended
#   shared-temp       TEMP a sticky folder that others write to: what they plant there is
#                     never written through, used or removed, and the invitation is made
set -euo pipefail
binary="$1"
scenario="$2"
if [ -z "${DISPLAY:-}" ]; then
  exec "$(dirname "$0")/../support/with-display.sh" bash "$0" "$@"
fi
. "$(dirname "$0")/../support/x11.sh"
command -v xdotool >/dev/null || skip "xdotool is not installed"

work="$(mktemp -d)"
store="$work/config/Quillory/Velmora.ini"
cleanup() {
  chattr -i "$store" 2>/dev/null || true
  for p in $(pgrep -f "soffice.bin.*velmora-office-" 2>/dev/null); do
    grep -qz "$work" "/proc/$p/environ" 2>/dev/null && kill -CONT "$p" 2>/dev/null || true
  done
  [ -n "${pid:-}" ] && kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
export XDG_CONFIG_HOME="$work/config" TEMP="$work/temp" TMPDIR="$work/tmp" XDG_RUNTIME_DIR="$work/runtime"
mkdir -p "$TEMP" "$TMPDIR" "$XDG_RUNTIME_DIR" "$(dirname "$store")"
chmod 700 "$XDG_RUNTIME_DIR"

start() {
  "$binary" &
  pid=$!
  main=$(await_window 120 '^Velmora$')
}
# The program's children only: what an office forks has its command line too.
offices() { pgrep -P "$pid" -f "soffice.bin.*velmora-office-$pid-" || true; }
# A stop takes hold of each thread only when it is next scheduled; until then a
# busy office may still answer. Waits for every thread to show T (or Z, or to go).
await_stopped() { # builtins only: soffice.bin has dozens of threads
  local deadline=$((SECONDS + 10)) stat line
  for stat in /proc/"$1"/task/*/stat; do
    while { read -r line <"$stat"; } 2>/dev/null && [[ "${line##*) }" != [TZ]* ]]; do
      [ "$SECONDS" -lt "$deadline" ] || fail "office $1 did not stop within 10 s"
      sleep 0.01
    done
  done
}
documents() { find "$TEMP" -maxdepth 1 -name 'tarvik*.doc' | wc -l; }
click() { xdotool mousemove --window "$1" "$2" "$3" click 1; }
# Main window: "Start Creating Template" across the top, "Load Sample/Example Data" below it.
start_creating() { click "$main" 200 20; }
load_sample() { click "$main" 400 55; }
visible() { xdotool search --all --onlyvisible --pid "$pid" --name "$1" 2>/dev/null || true; }
shown() { visible '.' | grep -qx "$1"; }
# Answers a box (it may be gone by then) and gives it a moment to close; one
# that stays is answered again by the caller's next round.
answer() {
  press "$1" Return
  for _ in $(seq 20); do shown "$1" || return 0; sleep 0.1; done
}
preview() {
  for w in $(visible '^Velmora$'); do
    eval "$(xdotool getwindowgeometry --shell "$w")"
    [ "$WIDTH" -gt 600 ] && { echo "$w"; return; }
  done
}
# Answers every Error report until the preview shows; prints how many there were.
await_preview() {
  local answered=" "
  for _ in $(seq 1800); do
    kill -0 "$pid" 2>/dev/null || fail "the program ended during the run"
    for box in $(visible '^Application Error$'); do
      case "$answered" in *" $box "*) ;; *) answered="$answered$box " ;; esac
      answer "$box"
    done
    [ -n "$(preview)" ] && { echo $(($(echo "$answered" | wc -w))); return; }
    sleep 0.1
  done
  fail "the preview did not show"
}
back() {
  local p; p=$(preview)
  eval "$(xdotool getwindowgeometry --shell "$p")"
  click "$p" 100 $((HEIGHT - 15))
  for _ in $(seq 300); do [ -z "$(preview)" ] && return; sleep 0.1; done
  fail "< Back did not bring the main window back"
}
at_least_offices() { [ "$(offices | wc -l)" -ge "$1" ]; }
await_offices() { wait_until 120 "$1 prepared offices" at_least_offices "$1"; }
no_report() { [ -z "$(visible '^Application Error$')" ]; }
no_documents() { [ "$(documents)" -eq 0 ]; }
ended() { ! kill -0 "$pid" 2>/dev/null; }
end_cleanly() {
  kill -TERM "$pid"
  local deadline=$((SECONDS + 60))
  until ended; do
    [ "$SECONDS" -lt "$deadline" ] || { diagnose; kill -KILL "$pid"; pid=; fail "the program did not end within 60 s of a termination request"; }
    sleep 0.1
  done
  local status=0; wait "$pid" || status=$?
  pid=
  [ "$status" -eq 0 ] || fail "the program ended with status $status"
}

case "$scenario" in
hung-office)
  # An office stopped while it starts is given up at the start limit; a minute
  # still leaves a slow machine its time to prepare offices.
  export VELMORA_OFFICE_CALL_TIMEOUT_MS=5000 VELMORA_OFFICE_START_TIMEOUT_MS=60000
  start
  await_offices 2
  load_sample
  stopped=$(offices | head -n 1)
  kill -STOP "$stopped"
  await_stopped "$stopped"
  start_creating
  reports=$(await_preview)
  echo "a stopped prepared office: preview shown after $reports Error report(s)"
  back
  kill -0 "$pid" || fail "the program ended"
  await_offices 2
  start_creating
  # Every office the program holds is stopped until one is reported hung: the
  # run's own, a prepared one, one started afresh. A fixed spell of stopping
  # would be outrun: the filling may be over before the first stop lands, and
  # an office started after the spell would answer.
  deadline=$((SECONDS + 300))
  while [ -z "$(visible '^Application Error$')" ]; do
    [ "$SECONDS" -lt "$deadline" ] || fail "no Error report within 300 s of stopping every office"
    for p in $(offices); do kill -STOP "$p" 2>/dev/null && await_stopped "$p" || true; done
    sleep 0.05
  done
  reports=$(await_preview)
  echo "offices stopped in use: preview shown after $reports Error report(s)"
  [ "$reports" -gt 0 ] || fail "a hung office gave no report"
  # A late report would be answered by nobody: the program must settle with none open.
  wait_until 30 "no open Error report" no_report
  for p in $(offices); do kill -CONT "$p"; done
  end_cleanly
  ;;
read-only-store)
  printf '[Velmora]\nText1_0=Ann\nText1_1=Park\nOption=2\n' > "$store"
  if [ "$(id -u)" -eq 0 ]; then
    chattr +i "$store" 2>/dev/null || skip "root writes any file, and this file system cannot make one immutable"
  else
    chmod 444 "$store"
  fi
  "$binary" &
  pid=$!
  # Boxes of the start-up come before the main window (536x316).
  boxes=0
  answered=" "
  main=
  deadline=$((SECONDS + 120))
  while [ "$SECONDS" -lt "$deadline" ]; do
    ended && fail "the program ended during its start-up"
    for w in $(visible '.'); do
      eval "$(xdotool getwindowgeometry --shell "$w" 2>/dev/null || echo WIDTH=0 HEIGHT=0)"
      if [ "$WIDTH" -eq 536 ] && [ "$HEIGHT" -eq 316 ]; then
        main=$w
      elif [ "$WIDTH" -gt 0 ]; then
        case "$answered" in *" $w "*) ;; *) answered="$answered$w "; boxes=$((boxes + 1)) ;; esac
        answer "$w"
      fi
    done
    [ -n "$main" ] && break
    sleep 0.1
  done
  [ -n "$main" ] || fail "the main window did not show"
  # Start-up boxes come before the main window shows; this second is only
  # there to catch one that would break that order.
  sleep 1
  [ -z "$(visible '.' | grep -v "^$main\$")" ] || fail "a box came after the main window"
  echo "$boxes box(es) at start-up"
  no_report || fail "an Error report was shown"
  [ "$boxes" -eq 1 ] || fail "expected the one warning that the file cannot be written"
  # The celebrant box has the focus: type after what was read, with the file
  # writable again.
  chattr -i "$store" 2>/dev/null || true
  chmod 644 "$store"
  press "$main" End
  xdotool type "e"
  stored_anne() { grep -q '^Text1_0=Anne$' "$store"; }
  for _ in $(seq 300); do stored_anne && break; sleep 0.1; done
  stored_anne || { cat "$store"; fail "the celebrant read was not the stored one"; }
  end_cleanly
  grep -q '^Text1_1=Park$' "$store" || { cat "$store"; fail "a stored value was lost"; }
  grep -q '^Option=2$' "$store" || { cat "$store"; fail "the stored gender was lost"; }
  ;;
double-click)
  start
  await_offices 2
  load_sample
  xdotool mousemove --window "$main" 200 20 click --repeat 2 --delay 120 1
  await_preview >/dev/null
  # Nothing to poll for: a second run would have saved its document by now.
  sleep 3
  echo "documents after a double click: $(documents)"
  [ "$(documents)" -eq 1 ] || fail "a double click made $(documents) documents"
  back
  wait_until 30 "< Back to remove the document" no_documents
  end_cleanly
  ;;
killed-program)
  start
  load_sample
  start_creating
  await_preview >/dev/null
  [ "$(documents)" -eq 1 ] || fail "no document for the preview"
  kill -KILL "$pid"
  wait "$pid" 2>/dev/null || true
  pid=
  [ "$(documents)" -eq 1 ] || fail "the killed program's document vanished by itself"
  start
  echo "documents after the next start: $(documents)"
  [ "$(documents)" -eq 0 ] || fail "the killed program's document stayed"
  load_sample
  start_creating
  await_preview >/dev/null
  end_cleanly
  echo "documents after a termination signal while the preview showed: $(documents)"
  [ "$(documents)" -eq 0 ] || fail "the preview's document stayed after the program ended"
  ;;
titles)
  start
  load_sample
  start_creating
  await_preview >/dev/null
  p=$(preview)
  eval "$(xdotool getwindowgeometry --shell "$p")"
  click "$p" $((WIDTH - 150)) $((HEIGHT - 15))
  dialog=$(await_window 30 '^Save File$')
  names=$(for w in $(visible '.'); do xdotool getwindowname "$w"; done)
  echo "windows while saving: $(echo "$names" | tr '\n' '|')"
  ! echo "$names" | grep -q 'Velmora.*—\|— Velmora' || fail "a title carries the program's name appended"
  # Cancelled: nothing is copied, and "Done." comes in a box with the short title.
  press "$dialog" Escape
  other_velmora() { visible '^Velmora$' | grep -vx "$p" | head -n 1; }
  has_other_velmora() { [ -n "$(other_velmora)" ]; }
  wait_until 30 "a box titled exactly \"Velmora\" after the save" has_other_velmora
  answer "$(other_velmora)"
  end_cleanly
  ;;
shared-temp)
  [ "$(id -u)" -eq 0 ] || skip "planting another user's files needs root"
  command -v catdoc >/dev/null || skip "catdoc is not installed (scripts/setup.sh installs it)"
  shared="$work/shared"
  mkdir -p "$shared" "$work/victims"
  chmod 1777 "$shared"
  # With a trailing "/", as a user may well type it.
  export TEMP="$shared/"
  for name in temp.bmp template.dot record; do
    echo "the user's own $name" >"$work/victims/$name"
  done
  plant() { ln -s "$work/victims/$1" "$shared/$2" && chown -h 12345:12345 "$shared/$2"; }
  plant temp.bmp temp.bmp
  plant template.dot template.dot
  # Another user's "record" of a program that has ended, as large as a disk allows.
  truncate -s 500M "$shared/velmora-documents-999999-1.list"
  chown 12345:12345 "$shared/velmora-documents-999999-1.list"
  start
  start_time=$(awk '{ sub(/.*\) /, ""); split($0, f, " "); print f[20] }' "/proc/$pid/stat")
  plant record "velmora-documents-$pid-$start_time.list"
  load_sample
  start_creating
  reports=$(await_preview)
  echo "reports for the taken names: $reports"
  for name in temp.bmp template.dot record; do
    [ "$(cat "$work/victims/$name")" = "the user's own $name" ] || fail "the file behind the planted $name was changed"
  done
  [ -L "$shared/temp.bmp" ] && [ -L "$shared/template.dot" ] || fail "a planted link was removed"
  doc=$(find "$shared" -maxdepth 1 -name 'tarvik*.doc' | head -n 1)
  [ -n "$doc" ] || fail "no filled document"
  catdoc "$doc" | grep -q "Candia Inflatable Play Facility" || fail "the document was not filled from the program's template"
  loose=$(find "$shared" -maxdepth 1 -name 'velmora-documents-*' -user "$(id -u)" ! -perm 600)
  [ -z "$loose" ] || fail "records readable by others: $loose"
  [ "$reports" -eq 2 ] || fail "expected a report for each of the two taken names, got $reports"
  killed=$pid
  kill -KILL "$pid"
  wait "$pid" 2>/dev/null || true
  pid=
  start
  echo "documents after the next start: $(documents)"
  [ "$(documents)" -eq 0 ] || fail "the killed program's document stayed"
  # The offices' leftovers go when the next program starts its first office.
  await_offices 1
  [ -z "$(find /tmp -maxdepth 1 -name "OSL_PIPE_*_velmora-$killed-*")" ] || fail "the killed program's office pipes stayed"
  [ -f "$shared/velmora-documents-999999-1.list" ] || fail "another user's file was removed"
  end_cleanly
  ;;
*)
  fail "unknown scenario $scenario"
  ;;
esac
echo "PASS"
