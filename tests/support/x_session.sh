# Shell helpers of the tests that drive the program's windows on a virtual X server;
# sourced, not run. x_start starts the server; the rest find and close the program's
# windows by their titles.

# x_start FIRST LAST: a server on the first free display number of the range, with
# DISPLAY set to it; its process is xvfb_pid. Exits 77 (skipped) when none is free.
x_start() {
  local n display=""
  for n in $(seq "$1" "$2"); do
    if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then display=":$n"; break; fi
  done
  [ -n "$display" ] || { echo "skipped: no free display number"; exit 77; }
  # -noreset: a server resets when its last client leaves, and a probe leaving just
  # as the program connects would take the program's connection down with it.
  Xvfb "$display" -screen 0 1280x800x24 -nolisten tcp -noreset >/dev/null 2>&1 &
  xvfb_pid=$!
  export DISPLAY=$display
  for _ in $(seq 100); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
}

# Names are compared through getwindowname: xdotool's name search does not match
# Cyrillic titles.
named() { # NAME: the newest visible drovik window of that title
  local id
  for id in $(xdotool search --onlyvisible --class drovik 2>/dev/null); do
    [ "$(xdotool getwindowname "$id" 2>/dev/null)" = "$1" ] && echo "$id"
  done | tail -1
}
# A window counts as there once the same visible window is found twice in a row (one
# found while the program is still setting it up may be replaced).
find_window() { # NAME [TRIES]
  local found="" seen=""
  for _ in $(seq "${2:-300}"); do
    found=$(named "$1")
    [ -n "$found" ] && [ "$found" = "$seen" ] && { echo "$found"; return 0; }
    seen=$found
    sleep 0.1
  done
  return 1
}
# The main window alone is up: it takes no input while a window of its own runs above it
# (the start-up window, the busy window of opening an image).
alone() {
  for _ in $(seq 300); do
    [ "$(xdotool search --onlyvisible --class drovik 2>/dev/null | wc -l)" -eq 1 ] && return 0
    sleep 0.05
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

# Asks a window to close the way a window manager does (WM_DELETE_WINDOW).
wm_close() { # WINDOW
  python3 - "$1" <<'PY'
import ctypes, sys
x = ctypes.CDLL("libX11.so.6")
x.XOpenDisplay.restype = ctypes.c_void_p
x.XInternAtom.restype = ctypes.c_ulong
x.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
x.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long, ctypes.c_void_p]
x.XFlush.argtypes = [ctypes.c_void_p]
x.XCloseDisplay.argtypes = [ctypes.c_void_p]
class ClientMessage(ctypes.Structure):  # XClientMessageEvent, padded to the size of XEvent
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("window", ctypes.c_ulong),
                ("message_type", ctypes.c_ulong), ("format", ctypes.c_int),
                ("data", ctypes.c_long * 5), ("pad", ctypes.c_long * 12)]
display = x.XOpenDisplay(None)
window = int(sys.argv[1])
event = ClientMessage(type=33, window=window, format=32,
                      message_type=x.XInternAtom(display, b"WM_PROTOCOLS", 0))
event.data[0] = x.XInternAtom(display, b"WM_DELETE_WINDOW", 0)
x.XSendEvent(display, window, 0, 0, ctypes.byref(event))
x.XFlush(display)
x.XCloseDisplay(display)
PY
}
