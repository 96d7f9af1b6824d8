#!/usr/bin/env bash
# End-to-end: runs drovik-gallery under Xvfb, clicks a check box and tool-bar buttons
# with xdotool, answers the message box with the keyboard, opens the views page, and
# checks what the screen shows after each step. Exits 77 (skipped) when the X tools are
# missing.
# Usage: gallery_xvfb.sh PATH/TO/drovik-gallery OUTPUT_FOLDER
set -u
gallery=$1
out=$2
mkdir -p "$out"
for tool in Xvfb xdotool import compare; do
  command -v "$tool" >/dev/null || { echo "skipped: $tool is not installed"; exit 77; }
done

source "$(dirname "$0")/../support/xvfb.sh"
xvfb_pid=""
gallery_pid=""
cleanup() {
  [ -n "$gallery_pid" ] && kill "$gallery_pid" 2>/dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  wait 2>/dev/null
}
trap cleanup EXIT
start_xvfb 91 140

# Leak checking stays with the unit tests: at exit SDL unloads the X libraries it
# opened, and what they keep is reported without names, not ours to judge here.
ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0" "$gallery" 2>"$out/gallery.log" &
gallery_pid=$!
# The window counts as there once the same visible window is found twice in a row (a
# window found while the program is still setting up may be replaced).
window=""
for _ in $(seq 100); do
  found=$(xdotool search --onlyvisible --name "Drovik gallery" 2>/dev/null | tail -1)
  [ -n "$found" ] && [ "$found" = "$window" ] && break
  window=$found
  sleep 0.3
done
[ -n "$window" ] || { echo "FAIL: the gallery window did not appear"; exit 1; }

# Screenshots are taken with the pointer parked over the status line, where nothing
# reacts to hovering.
shot() {
  xdotool mousemove --window "$window" 600 540
  sleep 0.4
  import -window root "$out/$1.png"
}
differ() { compare -metric AE "$out/$1.png" "$out/$2.png" null: 2>&1 | cut -d' ' -f1; }
fail() {
  echo "FAIL: $*"
  cat "$out/gallery.log"
  exit 1
}

sleep 0.5
shot e2e-1-start
# The second check box of the first panel: it toggles and the status line names it.
xdotool mousemove --window "$window" 30 262 click 1
shot e2e-2-checked
toggled=$(differ e2e-1-start e2e-2-checked)
[ "$toggled" -gt 100 ] || fail "clicking the check box changed $toggled pixels"

# The "error" tool-bar button opens a modal message box over the gallery.
xdotool mousemove --window "$window" 215 18 click 1
shot e2e-3-message
opened=$(differ e2e-2-checked e2e-3-message)
[ "$opened" -gt 20000 ] || fail "the message box changed only $opened pixels"

# Enter answers it (its button has the focus) and the gallery looks as before.
xdotool key Return
shot e2e-4-closed
left=$(differ e2e-2-checked e2e-4-closed)
[ "$left" -lt $((opened / 10)) ] || fail "after closing the box $left pixels still differ"

# Typing goes into the text field that was clicked.
xdotool mousemove --window "$window" 409 125 click 1
xdotool key End
xdotool type --delay 30 "ab"
shot e2e-5-typed
typed=$(differ e2e-4-closed e2e-5-typed)
[ "$typed" -gt 30 ] || fail "typing into the field changed only $typed pixels"

# The "views" tool-bar button opens the page of the large views in a window of its own.
xdotool mousemove --window "$window" 683 18 click 1
views=""
for _ in $(seq 50); do
  views=$(xdotool search --onlyvisible --name "Drovik gallery: views" 2>/dev/null | tail -1)
  [ -n "$views" ] && break
  sleep 0.2
done
[ -n "$views" ] || fail "the views button opened no window"

# A quit from the system (SIGTERM) ends the message loop normally, even with the views
# page still open.
kill -TERM "$gallery_pid"
wait "$gallery_pid"
status=$?
gallery_pid=""
[ "$status" -eq 0 ] || fail "the gallery ended with status $status"
echo "ok: check box $toggled, message box $opened, after closing $left, typing $typed pixels"
