#!/usr/bin/env bash
# End-to-end: a FAT32 volume whose two boot sectors are zeroed, opened as an image in
# drovik under Xvfb and scanned with the storage view's scan action: the stages run in
# their own windows, the last one tells how many files each result holds, the rebuilt
# tree opens, a folder of it is copied out through the folder chooser and the copy window
# and compared with the folder it was filled from; a second scan from the tool bar adds
# results numbered on, and closing asks about the unsaved results. Screenshots of each
# step land in the output folder.
# Exits 77 (skipped) when the X tools are missing.
# Usage: recovery_xvfb.sh PATH/TO/drovik OUTPUT_FOLDER
set -u
drovik=${1:?path to drovik}
out=${2:?output folder}/recovery
for tool in Xvfb xdotool import compare mkfs.fat mcopy python3; do
  command -v "$tool" >/dev/null || { echo "skipped: $tool is not installed"; exit 77; }
done

rm -rf "$out"
mkdir -p "$out/home" "$out/tree/Фото/Лето" "$out/tree/Документы" "$out/copied"
out=$(cd "$out" && pwd)
source "$(dirname "$0")/session.sh"

bytes 90000 1 >"$out/tree/Фото/IMG_0001.JPG"
bytes 120000 2 >"$out/tree/Фото/IMG_0002.JPG"
bytes 70000 3 >"$out/tree/Фото/Лето/море.jpg"
bytes 3000 4 >"$out/tree/Документы/список покупок.txt"
image=$out/volume.img
export MTOOLS_SKIP_CHECK=1
mkfs.fat -F 32 -s 1 -C -n LOST -i 32323232 --invariant "$image" 34000 >/dev/null
LC_ALL=C.UTF-8 mcopy -s -m -Q -i "$image" "$out/tree"/* ::/ || { echo "FAIL: mcopy could not fill the image"; exit 1; }
dd if=/dev/zero of="$image" bs=512 count=1 conv=notrunc status=none
dd if=/dev/zero of="$image" bs=512 seek=6 count=1 conv=notrunc status=none

session 241 290
launch_drovik

shot() {
  xdotool mousemove --window "$window" 500 430
  sleep 0.5
  import -window root "$out/$1.png"
}
# The summary box that ends a scan: its picture, then Return closes it.
summary() { # SHOT
  local box
  box=$(find_window "Информация" 600) || fail "the scan ended without its summary"
  import -window root "$out/$1.png"
  xdotool key Return
  gone "$box" || fail "the summary stayed open"
  alone || fail "a window stayed open after the scan"
  sleep 1
}

main_window

# The open-image chooser of the tool bar; the opened image is selected in the storage
# tree and its partition is the next row.
xdotool mousemove --window "$window" 47 18 click 1
chooser=$(find_window "Выбрать образ диска или виртуальный диск") || fail "the tool bar opened no image chooser"
xdotool type --delay 20 "$image"
xdotool key Return
gone "$chooser" || fail "the image chooser stayed open"
alone || fail "opening the image did not end"
xdotool key Down
sleep 0.5
shot 1-partition

# The partition's second action scans it; a stage window is caught while it runs.
xdotool mousemove --window "$window" 370 202 click 1
for _ in $(seq 100); do
  stage=$(named "Определяются параметры файловой системы...")
  [ -z "$stage" ] && stage=$(named "Реконструкция файловой системы...")
  if [ -n "$stage" ]; then
    import -window root "$out/2-stage.png" 2>/dev/null && break
  fi
  sleep 0.05
done
summary 3-summary
shot 4-scan0
# Wider, so that the whole tool bar shows with the save buttons.
xdotool windowsize "$window" 1100 560
sleep 0.5
xdotool mousemove --window "$window" 260 108 click 1
xdotool key ctrl+a
shot 5-selected

# "Сохранить выделенное" copies both folders into the folder the chooser is given.
xdotool mousemove --window "$window" 850 18 click 1
chooser=$(find_window "Копировать в папку") || fail "copying opened no folder chooser"
xdotool mousemove --window "$chooser" 200 37 click 1
xdotool key ctrl+a
xdotool type --delay 20 "$out/copied"
xdotool key Return
sleep 0.5
xdotool mousemove --window "$chooser" 434 393 click 1
gone "$chooser" || fail "the folder chooser stayed open"
for _ in $(seq 60); do
  [ "$(find "$out/copied" -type f | wc -l)" -ge 4 ] && [ -z "$(named "Копирование файлов")" ] && break
  sleep 0.25
done
shot 6-copied
diff -r "$out/tree" "$out/copied" || fail "the rebuilt tree did not copy out as the volume was filled"

# Tool-bar button 52 scans again: the new results take the numbers after the last one.
xdotool mousemove --window "$window" 170 18 click 1
summary 7-summary-again
shot 8-scan4
[ "$(compare -metric AE "$out/4-scan0.png" "$out/8-scan4.png" null: 2>&1 | cut -d' ' -f1)" -gt 100 ] ||
  fail "the second scan changed nothing in the window"

# Closing with unsaved results asks first; Return answers yes and the program ends.
quit_drovik 9-close-question
echo "ok: the volume without boot sectors was scanned from the window and its tree copied out whole"
