#!/usr/bin/env bash
# End-to-end: runs drovik under Xvfb against a small FAT volume that is both attached
# read-only to a loop device (so it is listed as a drive) and opened as an image file
# through the open-image chooser. With xdotool it opens the partition, goes into a
# folder, selects its files, copies them out through the folder chooser and the copy
# window, answers the overwrite question on a second copy, and compares every copied
# file with its source. A copy that fails keeps the copy window open and its report
# can be saved. Screenshots of each step land in the output folder.
# Exits 77 (skipped) when the X tools are missing or we are not root.
# Usage: explorer_xvfb.sh PATH/TO/drovik OUTPUT_FOLDER
set -u
drovik=${1:?path to drovik}
out=${2:?output folder}/explorer
for tool in Xvfb xdotool import compare losetup mkfs.fat mcopy python3 iconv; do
  command -v "$tool" >/dev/null || { echo "skipped: $tool is not installed"; exit 77; }
done
[ "$(id -u)" -eq 0 ] || { echo "skipped: attaching a loop device needs root"; exit 77; }

rm -rf "$out"
mkdir -p "$out/home" "$out/tree/Folder" "$out/copied" "$out/copied-drive"
out=$(cd "$out" && pwd)
source "$(dirname "$0")/session.sh"

# The volume: a folder with a short, a Cyrillic and a 70000-byte file (more than one
# cluster chain), and a file beside it. Bytes are seeded, names fixed.
printf 'hello\n' >"$out/tree/Folder/a.txt"
bytes 70000 1 >"$out/tree/Folder/b.bin"
bytes 1500 2 >"$out/tree/Folder/отчёт.txt"
printf 'top\n' >"$out/tree/top.txt"
image=$out/volume.img
mkfs.fat -C -n E2EDISK -i 1234abcd --invariant "$image" 4096 >/dev/null
MTOOLS_SKIP_CHECK=1 LC_ALL=C.UTF-8 mcopy -s -Q -i "$image" "$out/tree"/* ::/ ||
  { echo "FAIL: mcopy could not fill the image"; exit 1; }

# Whether the drive is the first one listed can only be known when no other loop
# device is attached; otherwise the drive part is left out and the image part runs.
others=$(losetup -a | wc -l)
loop=$(losetup -f --show -r "$image") || { echo "skipped: no free loop device"; exit 77; }

more_cleanup() { losetup -d "$loop" 2>/dev/null; }
session 141 190
launch_drovik

# Screenshots are taken with the pointer parked over the status line, where nothing
# reacts to hovering.
shot() {
  xdotool mousemove --window "$window" 500 430
  sleep 0.5
  import -window root "$out/$1.png"
}
differ() { compare -metric AE "$out/$1.png" "$out/$2.png" null: 2>&1 | cut -d' ' -f1; }
# The files are there and the copy window, which closes by itself after a run without
# errors, is gone.
wait_files() { # FOLDER COUNT
  for _ in $(seq 60); do
    if [ "$(find "$1" -type f | wc -l)" -ge "$2" ] &&
      [ -z "$(named "Копирование файлов")" ]; then
      return 0
    fi
    sleep 0.25
  done
  return 1
}
same_files() { # FOLDER [SUFFIX]: each file of the source folder, copied under its name+SUFFIX
  local name target
  for name in a.txt b.bin отчёт.txt; do
    target=$1/${name%.*}${2:-}.${name##*.}
    cmp "$out/tree/Folder/$name" "$target" || fail "$target differs from the volume's $name"
  done
}
# The folder chooser of the copy command: its path field gets the target, Return goes
# there, OK confirms.
copy_selected_to() { # FOLDER
  # Command 72, the last button of the browse view's tool bar.
  xdotool mousemove --window "$window" 420 18 click 1
  local chooser
  chooser=$(find_window "Копировать в папку") || fail "copying opened no folder chooser"
  xdotool mousemove --window "$chooser" 200 37 click 1
  xdotool key ctrl+a
  xdotool type --delay 20 "$1"
  xdotool key Return
  sleep 0.5
  xdotool mousemove --window "$chooser" 434 393 click 1
  gone "$chooser" || fail "the folder chooser stayed open"
}
# In the browse view: open the folder, the first row (folders come first), select
# all its files.
open_folder_and_select() { # SHOT
  xdotool mousemove --window "$window" 235 108 click --repeat 2 --delay 80 1
  sleep 1
  xdotool key ctrl+a
  shot "$1"
}

main_window
shot 1-storages

if [ "$others" -eq 0 ]; then
  # The loop drive is Drive0: its partition is the fourth row of the storage tree.
  xdotool mousemove --window "$window" 150 114 click 1
  shot 2-drive-partition
  [ "$(differ 1-storages 2-drive-partition)" -gt 2000 ] || fail "selecting the partition showed no page"
  xdotool key Return
  sleep 1
  shot 3-drive-root
  [ "$(differ 2-drive-partition 3-drive-root)" -gt 20000 ] || fail "opening the partition showed no browse view"
  open_folder_and_select 4-drive-folder
  copy_selected_to "$out/copied-drive"
  wait_files "$out/copied-drive" 3 || fail "nothing was copied from the drive"
  shot 5-drive-copied
  same_files "$out/copied-drive"
  # The "Разделы" button goes back to the storage view.
  xdotool mousemove --window "$window" 38 18 click 1
  sleep 0.5
else
  echo "note: $others other loop devices are attached; the drive's partition is not browsed"
fi

# The open-image chooser of the tool bar: the file name goes into its focused field.
xdotool mousemove --window "$window" 47 18 click 1
chooser=$(find_window "Выбрать образ диска или виртуальный диск") || fail "the tool bar opened no image chooser"
shot 6-image-chooser
xdotool type --delay 20 "$image"
xdotool key Return
gone "$chooser" || fail "the image chooser stayed open"
# The opened image is selected in the storage tree; its partition is the next row.
sleep 0.5
shot 7-image-opened
xdotool key Down
sleep 0.3
xdotool key Return
sleep 1
shot 8-image-root
[ "$(differ 7-image-opened 8-image-root)" -gt 20000 ] || fail "opening the image's partition showed no browse view"
open_folder_and_select 9-image-folder
copy_selected_to "$out/copied"
wait_files "$out/copied" 3 || fail "nothing was copied from the image"
same_files "$out/copied"

# Copying again into the same folder asks what to do with each existing file; "keep
# both" for all of them stores the new copies under numbered names.
copy_selected_to "$out/copied"
question=$(find_window "Файл с указанным именем уже существует") || fail "no overwrite question"
shot 10-overwrite-question
xdotool mousemove --window "$question" 16 175 click 1
xdotool mousemove --window "$question" 241 137 click 1
wait_files "$out/copied" 6 || fail "keeping both files made no numbered copies"
gone "$question" || fail "the overwrite question stayed open"
shot 11-copied-twice
same_files "$out/copied"
same_files "$out/copied" "(1)"

# A target where no file can be created (/proc): every file fails, so the copy window
# stays open after the run with its report button; the report is saved as UTF-16 text
# through the save chooser, and "Закрыть" closes the window.
copy_selected_to /proc
copying=$(find_window "Копирование файлов") || fail "the copy window did not stay open after errors"
shot 12-copy-errors
xdotool mousemove --window "$copying" 321 219 click 1
saver=$(find_window "Сохранить отчет") || fail "the report button opened no save chooser"
xdotool key ctrl+a
xdotool type --delay 20 "$out/report.txt"
xdotool key Return
gone "$saver" || fail "the save chooser stayed open"
for _ in $(seq 40); do [ -s "$out/report.txt" ] && break; sleep 0.25; done
iconv -f UTF-16 -t UTF-8 "$out/report.txt" | grep -q "/proc/b.bin" ||
  fail "the saved report does not name the failed file"
xdotool mousemove --window "$copying" 193 219 click 1
gone "$copying" || fail "the copy window did not close"

# Closing the main window the way a window manager does (WM_DELETE_WINDOW) ends the
# program normally.
quit_drovik
echo "ok: copied $(find "$out/copied" "$out/copied-drive" -type f | wc -l) files, all equal to the volume's"
