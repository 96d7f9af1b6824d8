#!/usr/bin/env bash
# End-to-end: the program's windows opened and closed many times in a row under Xvfb,
# as a user does, with xdotool: 50 rounds of the image chooser left with Escape, the
# image chooser opening an image (its busy window comes and goes too) and the question
# Escape asks in the main window, answered no; then, in the image's browse view, 50
# rounds of copying to a folder where nothing can be written (the folder chooser, then
# the copy window, which stays open with its errors until it is closed). Windows whose
# worker still posts wake-ups as they close were once enough to end the program with an
# X error within a few rounds. At the end the program must still answer: the About box
# opens, and closing the window asks and ends it with status 0.
# Exits 77 (skipped) when the X tools are missing.
# Usage: window_churn_xvfb.sh PATH/TO/drovik OUTPUT_FOLDER [ROUNDS]
set -u
drovik=${1:?path to drovik}
out=${2:?output folder}/churn
rounds=${3:-50}
for tool in Xvfb xdotool import mkfs.fat mcopy python3; do
  command -v "$tool" >/dev/null || { echo "skipped: $tool is not installed"; exit 77; }
done
rm -rf "$out"
mkdir -p "$out/home" "$out/tree/Folder"
out=$(cd "$out" && pwd)
source "$(dirname "$0")/session.sh"

printf 'one\n' >"$out/tree/Folder/a.txt"
printf 'top\n' >"$out/tree/top.txt"
image=$out/volume.img
mkfs.fat -C -n CHURN -i 1234abcd --invariant "$image" 2048 >/dev/null
MTOOLS_SKIP_CHECK=1 LC_ALL=C.UTF-8 mcopy -s -Q -i "$image" "$out/tree"/* ::/ ||
  { echo "FAIL: mcopy could not fill the image"; exit 1; }

session 291 340
# No program is registered for anything: the manual has no viewer.
mkdir -p "$out/no-handlers"
launch_drovik XDG_DATA_HOME="$out/no-handlers" XDG_DATA_DIRS="$out/no-handlers" BROWSER=

alive() { kill -0 "$drovik_pid" 2>/dev/null || fail "drovik ended ($1)"; }
# The window of that title; the caller fails when there is none.
wait_for() { # TITLE
  find_window "$1" 100
}
closed() { # WINDOW WHAT
  gone "$1" || { alive "$2"; fail "$2: the window stayed open"; }
}
opened() { # WHAT
  alive "$1"
  fail "$1: no window opened"
}

# Clicks until the window of that title opens: a click is lost while a window of the
# program's own is up, even one not shown yet (a busy window waits a moment before it
# shows, and on a loaded machine that moment is long).
click_for() { # X Y TITLE
  local id
  for _ in 1 2 3 4 5; do
    xdotool mousemove --window "$window" "$1" "$2" click 1
    id=$(find_window "$3" 20) && { echo "$id"; return 0; }
  done
  return 1
}

chooser_title="Выбрать образ диска или виртуальный диск"
settled() { # WHAT [POLLS]
  alone "${2:-1}" || { alive "$1"; fail "$1: a window stayed open above the main window"; }
}

window=$(wait_for Drovik) || opened "start"
settled "start" 10
for round in $(seq "$rounds"); do
  chooser=$(click_for 47 18 "$chooser_title") || opened "round $round, chooser"
  xdotool key Escape
  closed "$chooser" "round $round, chooser left with Escape"
  settled "round $round, chooser left with Escape"

  chooser=$(click_for 47 18 "$chooser_title") || opened "round $round, chooser"
  xdotool type --delay 2 "$image"
  xdotool key Return
  closed "$chooser" "round $round, image opened"
  settled "round $round, image opened" 4

  xdotool mousemove --window "$window" 600 600 key Escape
  question=$(wait_for "Подтверждение") || opened "round $round, Escape in the main window"
  xdotool key Escape
  closed "$question" "round $round, question answered no"
  settled "round $round, question answered no"
done
alive "after the chooser rounds"
import -window root "$out/1-images-opened.png"

# The last image opened is selected; its partition is the next row.
xdotool key Down
sleep 0.2
xdotool key Return
sleep 1
xdotool mousemove --window "$window" 235 108 click 1
xdotool key ctrl+a
import -window root "$out/2-browse.png"
for round in $(seq "$rounds"); do
  folders=$(click_for 420 18 "Копировать в папку") || opened "round $round, copy"
  if [ "$round" -eq 1 ]; then
    # Later rounds start where this one went.
    xdotool mousemove --window "$folders" 200 37 click 1
    xdotool key ctrl+a
    xdotool type --delay 2 /proc
    xdotool key Return
    sleep 0.3
  fi
  xdotool mousemove --window "$folders" 434 393 click 1
  closed "$folders" "round $round, folder chosen"
  copying=$(wait_for "Копирование файлов") || opened "round $round, copy window"
  [ "$round" -eq 1 ] && { sleep 0.5; import -window root "$out/3-copy-errors.png"; }
  xdotool mousemove --window "$copying" 193 219 click 1
  closed "$copying" "round $round, copy window closed"
  settled "round $round, copy window closed"
done
alive "after the copy rounds"

# Still answering: the About box opens and closes; the manual, with no viewer for it
# here, is named in a message instead.
xdotool mousemove --window "$window" 38 18 click 1
settled "back to the storages"
about=$(click_for 560 18 "О программе") || opened "About box"
xdotool key Escape
closed "$about" "About box"
settled "About box"
box=$(click_for 300 18 "Ошибка") || opened "manual without a viewer"
import -window root "$out/4-manual-without-viewer.png"
xdotool key Return
closed "$box" "manual without a viewer"
settled "manual without a viewer"
quit_drovik
ignored=$(grep -c "X error ignored" "$out/drovik.log")
echo "ok: $rounds rounds of each window; X errors ignored: $ignored"
