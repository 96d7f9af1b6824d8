#!/usr/bin/env bash
# usage: bench/exfat_walk.sh [BUILD_DIR] [FILES] [BIG_MIB] [RUNS]
#   (as root; BUILD_DIR: an optimised build, default build/release)
#
# One tree of FILES small files (default 100000) and 4 files of BIG_MIB MiB (default 32;
# larger ones let the program's start-up weigh less in the read rate), in an exFAT image
# (mkfs.exfat, filled through exfat-fuse) and a FAT32 image (mkfs.fat, mcopy):
#  1. drovik-cli ls -r of each, as time per entry;
#  2. drovik-cli cat of the large files from the exFAT image against cat of the same
#     files from the local disk.
# Page cache warm for all. The four runs take turns, RUNS times (default 5), so that all
# meet the machine in the same state. Prints median seconds, entries/s or MB/s, ratios
# and peak memory.
set -euo pipefail
source "$(dirname "$0")/measure.sh"

build=${1:-build/release}
files=${2:-100000}
big=${3:-32}
runs=${4:-5}
cli="$(program_dir)/drovik-cli"
needs_program "$cli" drovik-cli
needs_tools mkfs.exfat mount.exfat-fuse mkfs.fat mcopy python3
needs_root "loop devices and the exfat-fuse mount"
export MTOOLS_SKIP_CHECK=1

work=$(mktemp -d "${TMPDIR:-/var/tmp}/drovik-exfat-bench.XXXXXX")
mnt=""
loop=""
cleanup() {
    [[ -n $mnt ]] && mountpoint -q "$mnt" && umount "$mnt"
    [[ -n $loop ]] && losetup -d "$loop"
    rm -rf "$work"
}
trap cleanup EXIT
row() { printf "%-30s %8s %14s %8s %10s\n" "$@"; }

echo "making $files small files in 100 folders and 4 files of $big MiB..."
python3 - "$work/tree" "$files" "$big" <<'PY'
import os, random, sys
root, count, big = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
rng = random.Random(1)
for i in range(count):
    folder = os.path.join(root, "D%02d" % (i % 100))
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, "F%06d.DAT" % i), "wb") as f:
        f.write(rng.randbytes(100 + i % 3000))
for i in range(4):
    with open(os.path.join(root, "BIG%d.BIN" % i), "wb") as f:
        for _ in range(big):
            f.write(rng.randbytes(1 << 20))
PY
sectors=$(( (files * 8 + (4 * big + 172) * 1024) * 2 ))
echo "filling an exFAT and a FAT32 image of $((sectors / 2048)) MiB..."
truncate -s $((sectors * 512)) "$work/exfat.img"
mkfs.exfat -c 4096 "$work/exfat.img" >/dev/null
loop=$(losetup -f --show "$work/exfat.img")
mnt=$(mktemp -d)
mount.exfat-fuse "$loop" "$mnt" >/dev/null 2>&1
cp -r "$work/tree/." "$mnt/"
umount "$mnt"
losetup -d "$loop"
loop=""
mkfs.fat -F 32 -s 8 -C -n BENCH "$work/fat32.img" $((sectors / 2)) >/dev/null
(cd "$work/tree" && mcopy -s -Q -i "$work/fat32.img" ./* ::/)
entries=$(find "$work/tree" -mindepth 1 | wc -l)

read_ours() { for i in 0 1 2 3; do "$cli" cat "$work/exfat.img" "/BIG$i.BIN"; done; }
read_cat() { for i in 0 1 2 3; do cat "$work/tree/BIG$i.BIN"; done; }
export -f read_ours read_cat
export cli work
cat "$work/exfat.img" "$work/fat32.img" "$work"/tree/BIG* >/dev/null

declare -A times peaks
take() { # NAME COMMAND...: one more run of COMMAND into NAME's times and peak
    measure "${@:2}"
    times[$1]+=" $seconds"
    peaks[$1]=$((peak_kib > ${peaks[$1]:-0} ? peak_kib : ${peaks[$1]:-0}))
}
for ((run = 0; run < runs; run++)); do
    take ls_fat "$cli" ls "$work/fat32.img" -r
    take ls_exfat "$cli" ls "$work/exfat.img" -r
    take cat bash -c read_cat
    take ours bash -c read_ours
done
median_of() { median ${times[$1]}; }

row "run (median of $runs)" "seconds" "rate" "vs FAT32" "peak KiB"
fat=$(median_of ls_fat)
row "ls -r, FAT32" "$fat" "$(per_second "$entries" "$fat")/s" "" "${peaks[ls_fat]}"
seconds=$(median_of ls_exfat)
row "ls -r, exFAT" "$seconds" "$(per_second "$entries" "$seconds")/s" "$(ratio "$fat" "$seconds")" \
    "${peaks[ls_exfat]}"
megabytes=$((4 * big * 1048576 / 1000000))
plain=$(median_of cat)
row "cat, 4 x $big MiB" "$plain" "$(per_second "$megabytes" "$plain") MB/s" "" "${peaks[cat]}"
seconds=$(median_of ours)
row "drovik-cli cat, 4 x $big MiB" "$seconds" "$(per_second "$megabytes" "$seconds") MB/s" \
    "$(ratio "$plain" "$seconds") of cat" "${peaks[ours]}"
echo "(ratios: the other's time as a share of ours; above 100% we are faster)"
echo "  runs: ls FAT32${times[ls_fat]}; ls exFAT${times[ls_exfat]}"
echo "        cat${times[cat]}; drovik-cli cat${times[ours]}"
