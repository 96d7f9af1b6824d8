#!/usr/bin/env bash
# usage: bench/fs_walk.sh [BUILD_DIR] [FILES]
#        (BUILD_DIR: an optimised build with drovik-cli, default build/release)
#
# A FAT32 volume of FILES small files (default 100000; 100 folders of FILES/100 files,
# 8.3 names so that mtools fills it in reasonable time) and a few large files, made by
# mkfs.fat and mcopy, against The Sleuth Kit in the same run:
#  1. listing the whole tree: drovik-cli ls -r against fls -r -p;
#  2. reading the large files: drovik-cli cat against icat, each to /dev/null.
# The page cache is warm for every run. Prints seconds, entries/s or MB/s, the ratio to
# the peer and the peak resident memory of each run.
set -euo pipefail
source "$(dirname "$0")/measure.sh"

build=${1:-build/release}
files=${2:-100000}
cli="$(program_dir)/drovik-cli"
needs_program "$cli" drovik-cli
needs_tools mkfs.fat mcopy fls icat python3
export MTOOLS_SKIP_CHECK=1

work=$(mktemp -d "${TMPDIR:-/var/tmp}/drovik-fat-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
row() { printf "%-30s %8s %14s %8s %10s\n" "$@"; }

echo "making $files small files in 100 folders, 4 files of 32 MiB, and a FAT32 image holding them..."
python3 - "$work/tree" "$files" <<'PY'
import os, random, sys
root, count = sys.argv[1], int(sys.argv[2])
rng = random.Random(1)
for i in range(count):
    folder = os.path.join(root, "D%02d" % (i % 100))
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, "F%06d.DAT" % i), "wb") as f:
        f.write(rng.randbytes(100 + i % 3000))
for i in range(4):
    with open(os.path.join(root, "BIG%d.BIN" % i), "wb") as f:
        f.write(rng.randbytes(32 << 20))
PY
mkfs.fat -F 32 -s 8 -C -n BENCH "$work/fat32.img" $(( (files * 4 + 200 * 1024) + 65536 )) >/dev/null
(cd "$work/tree" && mcopy -s -Q -i "$work/fat32.img" ./* ::/)
entries=$(find "$work/tree" -mindepth 1 | wc -l)

row "run" "seconds" "rate" "vs peer" "peak KiB"
measure "$cli" ls "$work/fat32.img" -r
ours=$seconds; ours_kib=$peak_kib
measure fls -r -p "$work/fat32.img"
row "fls -r -p" "$seconds" "$(per_second "$entries" "$seconds")/s" "" "$peak_kib"
row "drovik-cli ls -r" "$ours" "$(per_second "$entries" "$ours")/s" "$(ratio "$seconds" "$ours")" "$ours_kib"

read_ours() { for i in 0 1 2 3; do "$cli" cat "$work/fat32.img" "/BIG$i.BIN"; done; }
read_tsk() {
    for i in 0 1 2 3; do
        inode=$(fls -p "$work/fat32.img" | awk -F'[ :\t]+' -v n="BIG$i.BIN" '$NF == n { print $2 }')
        icat "$work/fat32.img" "$inode"
    done
}
export -f read_ours read_tsk
export cli work
measure bash -c read_tsk
row "icat, 4 x 32 MiB" "$seconds" "$(per_second 128 "$seconds") MB/s" "" "$peak_kib"
tsk=$seconds
measure bash -c read_ours
row "drovik-cli cat, 4 x 32 MiB" "$seconds" "$(per_second 128 "$seconds") MB/s" "$(ratio "$tsk" "$seconds")" "$peak_kib"
echo "(vs peer: the peer's time as a share of ours; above 100% we are faster)"
