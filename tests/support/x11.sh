# Shared by the shell tests and benchmarks that drive the program on a virtual
# display. Sourced, not run. The caller sets `pid` to the program's process
# once it has started it.
#
# Every wait has a deadline and notices a program that has ended; a wait that
# fails says what the program showed and how it ended, so a failure on a
# machine nobody can look at still explains itself.

# Exit status for "this test could not run here"; CMake gives it to ctest as
# SKIP_RETURN_CODE, so a skip shows as one in ctest's summary.
readonly kSkip=77

skip() {
  echo "SKIP: $*"
  exit "$kSkip"
}

# Prints the program's visible windows and whether it still runs.
diagnose() {
  [ -n "${pid:-}" ] || { echo "  (no program started)"; return; }
  if kill -0 "$pid" 2>/dev/null; then
    echo "  the program (pid $pid) still runs; its visible windows:"
    local w
    for w in $(xdotool search --all --onlyvisible --pid "$pid" --name '.' 2>/dev/null); do
      local WIDTH=0 HEIGHT=0 X=0 Y=0
      eval "$(xdotool getwindowgeometry --shell "$w" 2>/dev/null)" || true
      echo "    $w \"$(xdotool getwindowname "$w" 2>/dev/null)\" ${WIDTH}x${HEIGHT} at $X,$Y"
    done
  else
    local status=0
    wait "$pid" 2>/dev/null || status=$?
    echo "  the program (pid $pid) has ended, exit status $status"
  fi
}

# Says it on standard error, so that a failure inside a command substitution
# is still seen.
fail() {
  {
    echo "FAIL: $*"
    diagnose
  } >&2
  exit 1
}

# wait_until SECONDS DESCRIPTION COMMAND...: runs COMMAND every 0.1 s until it
# succeeds; fails naming DESCRIPTION when the deadline passes or the program
# ends first.
wait_until() {
  local seconds="$1" description="$2"
  shift 2
  local deadline=$((SECONDS + seconds))
  until "$@"; do
    if [ -n "${pid:-}" ] && ! kill -0 "$pid" 2>/dev/null; then
      fail "the program ended while waiting for: $description"
    fi
    [ "$SECONDS" -lt "$deadline" ] || fail "after ${seconds} s still waiting for: $description"
    sleep 0.1
  done
}

# The first visible window titled to match the pattern, of the program when
# pid is set; prints nothing when there is none.
find_window() {
  if [ -n "${pid:-}" ]; then
    xdotool search --all --onlyvisible --pid "$pid" --name "$1" 2>/dev/null | head -n 1
  else
    xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n 1
  fi
}

# await_window SECONDS PATTERN: prints the window once it shows.
await_window() {
  wait_until "$1" "a window titled $2" window_shows "$2"
  find_window "$2"
}
window_shows() { [ -n "$(find_window "$1")" ]; }

# press WINDOW KEY: gives the window the keyboard focus (no window manager
# runs here) and types the key into it. The key may close the window before
# its release is sent, so the key goes through the keyboard, not to the
# window, and any complaint about a vanished window is ignored: callers poll
# for the key's effect.
press() {
  xdotool windowfocus --sync "$1" 2>/dev/null || true
  xdotool key "$2" 2>/dev/null || true
}
