# Shared by the scripts that drive drovik under a virtual X server: source it once drovik
# (the program) and out (the script's output folder, made afresh) are set.
source "$(dirname "${BASH_SOURCE[0]}")/../support/xvfb.sh"

# bytes SIZE SEED: SIZE random bytes, the same for the same seed.
bytes() {
  python3 -c 'import sys,random; r=random.Random(int(sys.argv[2])); sys.stdout.buffer.write(r.randbytes(int(sys.argv[1])))' "$1" "$2"
}

# session FIRST LAST: a virtual X server on a display number from FIRST to LAST, ended
# with the program when the script exits. A script with more to undo then defines
# more_cleanup.
session() {
  xvfb_pid=""
  drovik_pid=""
  trap end_session EXIT
  start_xvfb "$1" "$2"
}
end_session() {
  [ -n "$drovik_pid" ] && kill "$drovik_pid" 2>/dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  wait 2>/dev/null
  if declare -F more_cleanup >/dev/null; then more_cleanup; fi
}

# launch_drovik [VAR=VALUE...]: starts drovik in the background, its home in $out/home,
# what it prints added to $out/drovik.out and $out/drovik.log; sets drovik_pid. Leak
# checking stays with the unit tests: at exit SDL unloads the X libraries it opened, and
# what they keep is reported without names, not ours to judge here.
launch_drovik() {
  env HOME="$out/home" ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0" "$@" \
    "$drovik" >>"$out/drovik.out" 2>>"$out/drovik.log" &
  drovik_pid=$!
}

# main_window: waits out the start-up window, which bears the program's name too, and
# sets window to the main one.
main_window() {
  find_window Drovik >/dev/null || fail "the program showed no window"
  alone || fail "the start-up window stayed open"
  window=$(find_window Drovik) || fail "the main window did not appear"
  sleep 0.5
}

# fail MESSAGE: a picture of the screen, the windows on it and the program's log, and
# the script ends with 1.
fail() {
  echo "FAIL: $*"
  import -window root "$out/failed.png" 2>/dev/null
  [ -n "${drovik_pid:-}" ] && ! kill -0 "$drovik_pid" 2>/dev/null && echo "drovik is gone"
  for w in $(xdotool search --name . 2>/dev/null); do
    echo "window $w: $(xdotool getwindowname "$w" 2>/dev/null)"
  done
  cat "$out/drovik.log"
  exit 1
}

# quit_drovik [SHOT]: closes the main window as a window manager does; the program asks
# first (images are open, or results unsaved), Return answers yes, and it must then end
# normally. SHOT names a picture of the question.
quit_drovik() {
  wm_close "$window"
  find_window "Подтверждение" >/dev/null || fail "closing the main window did not ask"
  [ -n "${1:-}" ] && import -window root "$out/$1.png"
  xdotool key Return
  wait_ended "$drovik_pid"
  local status=$?
  [ "$status" -eq 124 ] && fail "closing the main window did not end the program"
  drovik_pid=""
  [ "$status" -eq 0 ] || fail "drovik ended with status $status"
}
