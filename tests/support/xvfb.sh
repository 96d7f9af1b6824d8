# Shared by the scripts that drive a program under a virtual X server: source it.

# start_xvfb FIRST LAST: starts Xvfb on the first free display number from FIRST to LAST
# (each script has its own range, so that tests running side by side do not meet),
# exports DISPLAY and sets xvfb_pid once the server answers. Ends the script with 77
# (skipped) when no number is free and with 1 when the server does not come up, so set
# the script's clean-up trap first.
start_xvfb() {
  local n
  DISPLAY=""
  for n in $(seq "$1" "$2"); do
    if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then DISPLAY=":$n"; break; fi
  done
  [ -n "$DISPLAY" ] || { echo "skipped: no free display number"; exit 77; }
  export DISPLAY
  # -noreset: a server resets when its last client leaves, and a probe leaving just
  # as the program connects would take the program's connection down with it.
  Xvfb "$DISPLAY" -screen 0 1280x800x24 -nolisten tcp -noreset >/dev/null 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 100); do
    xdotool getdisplaygeometry >/dev/null 2>&1 && return 0
    sleep 0.1
  done
  echo "FAIL: Xvfb did not start on $DISPLAY"
  exit 1
}

# A window counts as there once the same visible window is found twice in a row (one
# found while the program is still setting up may be replaced). Names are compared
# through getwindowname: xdotool's name search does not match Cyrillic titles.
named() { # NAME
  local id
  for id in $(xdotool search --onlyvisible --class drovik 2>/dev/null); do
    [ "$(xdotool getwindowname "$id" 2>/dev/null)" = "$1" ] && echo "$id"
  done | tail -1
}
find_window() { # NAME [LOOKS]: LOOKS 0.1 s apart, 30 s unless given
  local found="" seen=""
  for _ in $(seq "${2:-300}"); do
    found=$(named "$1")
    [ -n "$found" ] && [ "$found" = "$seen" ] && { echo "$found"; return 0; }
    seen=$found
    sleep 0.1
  done
  return 1
}
gone() { # WINDOW
  for _ in $(seq 150); do
    xdotool search --onlyvisible --class drovik 2>/dev/null | grep -qx "$1" || return 0
    sleep 0.1
  done
  return 1
}
# The main window alone is up, and stays so for POLLS looks 50 ms apart (10 unless
# given): it takes no input while a window of its own runs above it (the start-up
# window, a busy window, which may come a moment later when the machine is loaded).
alone() { # [POLLS]
  local calm=0
  for _ in $(seq 300); do
    if [ "$(xdotool search --onlyvisible --class drovik 2>/dev/null | wc -l)" -eq 1 ]; then
      calm=$((calm + 1))
      [ "$calm" -ge "${1:-10}" ] && return 0
    else
      calm=0
    fi
    sleep 0.05
  done
  return 1
}
# wm_close WINDOW: asks the window to close as a window manager does (WM_DELETE_WINDOW).
wm_close() {
  python3 "$(dirname "${BASH_SOURCE[0]}")/close_window.py" "$1"
}
# wait_ended PID: waits for the program PID (a child of this shell) to end; returns its
# exit status, or 124 when it still runs after ten seconds.
wait_ended() {
  for _ in $(seq 100); do kill -0 "$1" 2>/dev/null || break; sleep 0.1; done
  kill -0 "$1" 2>/dev/null && return 124
  wait "$1"
}
# close_and_wait WINDOW PID: both of the above.
close_and_wait() {
  wm_close "$1"
  wait_ended "$2"
}
