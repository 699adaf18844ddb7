#!/usr/bin/env bash
# Starts the real program on an Xvfb desktop, waits for its window, presses
# Escape with a real X key event and expects the program to end with 0.
set -u
exe=$1
data=$2
command -v Xvfb >/dev/null && command -v xdotool >/dev/null || { echo "Xvfb or xdotool missing"; exit 1; }

tmp=$(mktemp -d)
trap 'kill $prog $xvfb 2>/dev/null; rm -rf "$tmp"' EXIT
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$tmp/display" 2>"$tmp/xvfb.log" &
xvfb=$!
for _ in $(seq 100); do [ -s "$tmp/display" ] && break; sleep 0.1; done
[ -s "$tmp/display" ] || { echo "Xvfb did not start"; cat "$tmp/xvfb.log"; exit 1; }
export DISPLAY=":$(cat "$tmp/display")"
unset TARVONA_HEADLESS TARVONA_FRAMES TARVONA_INPUT SDL_VIDEODRIVER

cd "$data"
"$exe" 2>"$tmp/stderr" &
prog=$!
if ! xdotool search --sync --onlyvisible --name "Test 1 : Creating a Device" >/dev/null 2>&1; then
  echo "no window appeared"; cat "$tmp/stderr"; exit 1
fi
sleep 2  # let the main loop run with the devices acquired
# It must still be running: a start-up failure would have ended it already.
kill -0 $prog 2>/dev/null || { echo "ended before Escape was pressed"; cat "$tmp/stderr"; exit 1; }
xdotool key Escape
for _ in $(seq 150); do kill -0 $prog 2>/dev/null || break; sleep 0.1; done
if kill -0 $prog 2>/dev/null; then
  echo "still running 15 s after Escape; its visible windows:"
  for w in $(xdotool search --onlyvisible --pid $prog 2>/dev/null); do echo "  $(xdotool getwindowname $w)"; done
  cat "$tmp/stderr"; exit 1
fi
wait $prog
rc=$?
prog=
echo "exit code $rc"
[ -s "$tmp/stderr" ] && { echo "stderr:"; cat "$tmp/stderr"; }
exit $rc
