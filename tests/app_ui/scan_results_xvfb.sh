#!/usr/bin/env bash
# End-to-end: a memory card's FAT16 volume, quick-formatted over its photos and given a
# new file, scanned with drovik-cli; then drovik under Xvfb opens the card's image, loads
# the scan result from the tool bar, goes into the folders found, copies them out through
# the folder chooser and the copy window, and each copied folder is compared with the
# folder it was on the card. The result is deleted from the partition tree's menu (it is
# saved: no question), and after the program is started again the result loads and
# browses again. Screenshots of each step land in the output folder.
# Exits 77 (skipped) when the X tools are missing.
# Usage: scan_results_xvfb.sh PATH/TO/drovik OUTPUT_FOLDER
set -u
drovik=${1:?path to drovik}
out=${2:?output folder}/scan-results
cli=$(dirname "$drovik")/drovik-cli
for tool in Xvfb xdotool import compare mkfs.fat mcopy python3; do
  command -v "$tool" >/dev/null || { echo "skipped: $tool is not installed"; exit 77; }
done

rm -rf "$out"
mkdir -p "$out/home" "$out/card/Фото/Лето" "$out/card/Документы" "$out/copied" "$out/new"
out=$(cd "$out" && pwd)
source "$(dirname "$0")/session.sh"

bytes 90000 1 >"$out/card/Фото/IMG_0001.JPG"
bytes 120000 2 >"$out/card/Фото/IMG_0002.JPG"
bytes 70000 3 >"$out/card/Фото/Лето/море.jpg"
bytes 3000 4 >"$out/card/Документы/список покупок.txt"
# The card as it was, then formatted again by the same command (tables and root folder
# cleared, the data left), and a new file written over the start of the data.
image=$out/card.img
export MTOOLS_SKIP_CHECK=1 LC_ALL=C.UTF-8
mkfs.fat -F 16 -C -n CARD -i 5a5a5a5a --invariant "$image" 16384 >/dev/null
# A first file whose clusters the new file takes after the format, so that the folders
# stay whole to be found.
bytes 100000 5 >"$out/PAD.BIN"
mcopy -m -Q -i "$image" "$out/PAD.BIN" ::/
mcopy -s -m -Q -i "$image" "$out/card"/* ::/ || { echo "FAIL: mcopy could not fill the card"; exit 1; }
mkfs.fat -F 16 -n CARD -i 5a5a5a5a --invariant "$image" >/dev/null
printf 'written after the format\n' >"$out/new/NEW.TXT"
mcopy -m -Q -i "$image" "$out/new/NEW.TXT" ::/
unset LC_ALL

"$cli" scan "$image" --method fat --out "$out/card" >"$out/scan.out" 2>&1 ||
  { echo "FAIL: drovik-cli scan failed"; cat "$out/scan.out"; exit 1; }
result=$out/card-tree.drdb

session 191 240
start_drovik() {
  launch_drovik
  main_window
}
# Screenshots are of the main window's place on the screen, with the windows it opened
# over it, the pointer parked over the status line, where nothing reacts to hovering.
shot() {
  xdotool mousemove --window "$window" 500 430
  sleep 0.5
  local X Y WIDTH HEIGHT SCREEN WINDOW
  eval "$(xdotool getwindowgeometry --shell "$window")"
  import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$out/$1.png"
}
# A file chooser of the tool bar: the path goes into its focused name field.
choose_file() { # TITLE PATH
  local chooser
  chooser=$(find_window "$1") || fail "no chooser \"$1\""
  xdotool key ctrl+a
  xdotool type --delay 20 "$2"
  xdotool key Return
  gone "$chooser" || fail "the chooser \"$1\" stayed open"
}
# Opens the card's image and its volume: the image is selected in the storage tree, its
# partition is the next row.
open_card() {
  xdotool mousemove --window "$window" 47 18 click 1
  choose_file "Выбрать образ диска или виртуальный диск" "$image"
  alone || fail "opening the image did not end"
  xdotool key Down
  sleep 0.3
  xdotool key Return
  alone || fail "opening the partition did not end"
  sleep 1
}
# Command 70, third on the browse view's tool bar, shown by its icon alone: the window is too narrow for every caption.
load_result() { # SHOT
  xdotool mousemove --window "$window" 255 18 click 1
  choose_file "Открыть результат сканирования" "$result"
  alone || fail "loading the result did not end"
  sleep 1
  shot "$1"
}

start_drovik
open_card
shot 1-card-formatted
load_result 2-result-loaded
# The found folders whose parent is gone: the first row, opened, all selected, copied
# into a folder through the folder chooser.
xdotool mousemove --window "$window" 300 108 click --repeat 2 --delay 80 1
sleep 1
xdotool key ctrl+a
shot 3-result-folders
xdotool mousemove --window "$window" 450 18 click 1
chooser=$(find_window "Копировать в папку") || fail "copying opened no folder chooser"
xdotool mousemove --window "$chooser" 200 37 click 1
xdotool key ctrl+a
xdotool type --delay 20 "$out/copied"
xdotool key Return
sleep 0.5
shot 4-copy-chooser
xdotool mousemove --window "$chooser" 434 393 click 1
gone "$chooser" || fail "the folder chooser stayed open"
for _ in $(seq 60); do
  [ "$(find "$out/copied" -type f | wc -l)" -ge 4 ] && [ -z "$(named "Копирование файлов")" ] && break
  sleep 0.25
done
shot 5-copied
# Every folder that was on the card came out whole, whatever the name the scan gave it.
for folder in Фото Документы; do
  found=""
  for copy in "$out/copied"/*/; do
    diff -r "$out/card/$folder" "$copy" >/dev/null 2>&1 && found=$copy
  done
  [ -n "$found" ] || fail "the card's folder $folder was not copied out whole"
done

# Deleting the result from the partition tree's menu: a loaded result is saved, so no
# question, and the partition is listed again.
xdotool mousemove --window "$window" 100 106 click 3
sleep 0.5
shot 6-result-menu
xdotool mousemove --window "$window" 180 134 click 1
alone || fail "deleting a saved result asked a question"
shot 7-result-deleted

# Started again: the result file loads and browses as before.
quit_drovik
start_drovik
open_card
load_result 8-result-reloaded
[ "$(compare -metric AE "$out/2-result-loaded.png" "$out/8-result-reloaded.png" null: 2>&1 | cut -d' ' -f1)" -lt 2000 ] ||
  fail "the result did not show again as it did before the restart"
quit_drovik
echo "ok: the card's folders came out of the scan result whole, before and after a restart"
