#!/usr/bin/env bash
# usage: bench/findpart.sh [BUILD_DIR] [SIZE_MIB] [RUNS]
#        (BUILD_DIR: an optimised build with drovik-cli, default build/release)
#
# A disk image of SIZE_MIB (default 4096) full of random bytes, partitioned by sfdisk into
# FAT32, NTFS, ext4 and FAT16 volumes (formatted quickly, so the old bytes stay in their
# free space, as on a used disk), and then its MBR zeroed. drovik-cli findpart reads every
# sector; dd reads the same image in the same run, in blocks of the size the search reads
# (2 MiB), and TestDisk's deeper search looks for the same partitions (it tests only
# chosen sectors). dd and the search take turns, RUNS times (default 5), so that both
# meet the machine in the same state; the medians are compared. The goal is at least 80%
# of dd's throughput with memory flat in the disk's size. The page cache is warm for all
# three.
set -euo pipefail
source "$(dirname "$0")/measure.sh"

build=${1:-build/release}
size_mib=${2:-4096}
runs=${3:-5}
cli="$(program_dir)/drovik-cli"
needs_program "$cli" drovik-cli
needs_root "loop devices for the file systems"
needs_tools sfdisk losetup mkfs.fat mkntfs mke2fs testdisk

work=$(mktemp -d "${TMPDIR:-/var/tmp}/drovik-findpart-bench.XXXXXX")
loops=()
cleanup() {
    for loop in "${loops[@]}"; do losetup -d "$loop" 2>/dev/null || true; done
    rm -rf "$work"
}
trap cleanup EXIT
row() { printf "%-34s %8s %8s %8s %10s\n" "$@"; }

image="$work/disk.img"
echo "making a $size_mib MiB image of random bytes with four partitions..."
head -c "$((size_mib << 20))" /dev/urandom >"$image"
quarter=$(((size_mib << 11) / 4))
sfdisk -q "$image" <<SFDISK
label: dos
start=2048, size=$((quarter - 2048)), type=c
start=$quarter, size=$quarter, type=7
start=$((2 * quarter)), size=$quarter, type=83
start=$((3 * quarter)), size=$((quarter - 2048)), type=6
SFDISK
format() { # START SECTORS COMMAND...
    local loop
    loop=$(losetup --find --show --offset $(($1 * 512)) --sizelimit $(($2 * 512)) "$image")
    loops+=("$loop")
    "${@:3}" "$loop" >/dev/null 2>&1
    losetup -d "$loop"
}
format 2048 $((quarter - 2048)) mkfs.fat -F 32
format "$quarter" "$quarter" mkntfs -Q -F
format $((2 * quarter)) "$quarter" mke2fs -q -F -t ext4
format $((3 * quarter)) $((quarter - 2048)) mkfs.fat -F 16
dd if=/dev/zero of="$image" bs=512 count=1 conv=notrunc status=none
bytes=$(stat -c %s "$image")
cat "$image" >/dev/null

echo
row "searching $((bytes >> 20)) MiB" seconds "MB/s" "vs dd" "peak KiB"
dd_times=() search_times=() dd_peak=0 search_peak=0
for ((run = 0; run < runs; run++)); do
    measure dd if="$image" of=/dev/null bs=2M
    dd_times+=("$seconds")
    dd_peak=$((peak_kib > dd_peak ? peak_kib : dd_peak))
    measure "$cli" findpart "$image"
    search_times+=("$seconds")
    search_peak=$((peak_kib > search_peak ? peak_kib : search_peak))
done
dd_seconds=$(median "${dd_times[@]}")
seconds=$(median "${search_times[@]}")
row "dd bs=2M (median of $runs)" "$dd_seconds" "$(mbps "$dd_seconds")" "100%" "$dd_peak"
row "drovik-cli findpart (median of $runs)" "$seconds" "$(mbps "$seconds")" \
    "$(ratio "$dd_seconds" "$seconds")" "$search_peak"
echo "  dd runs:     ${dd_times[*]}"
echo "  search runs: ${search_times[*]}"
# TestDisk writes its log into the folder it runs in. Its first search is the quick one;
# asked to search again, it searches deeper, and that is the one compared.
cd "$work"
measure testdisk /log /cmd "$image" analyze,search,search
cd - >/dev/null
row "testdisk analyze,search,search" "$seconds" "$(mbps "$seconds")" \
    "$(ratio "$dd_seconds" "$seconds")" "$peak_kib"
echo "(vs dd: dd's time as a share of the other's, so throughput relative to dd; the goal"
echo " for drovik-cli is at least 80%)"

echo
echo "drovik-cli findpart lists:"
"$cli" findpart "$image"
# TestDisk's candidates: the volumes its deeper (last) search printed before it offered
# them for the table.
candidates=$(awk '/^search_part\(\)/ { n = 0 } /^     [A-Za-z].* [0-9]+ +[0-9]+ +[0-9]+ +[0-9]+ +[0-9]+ +[0-9]+ +[0-9]+/ { n++ }
                  /^interface_write\(\)/ { last = n } END { print last }' "$work/testdisk.log")
echo "testdisk candidates: ${candidates:-0} (the disk holds 4 partitions)"
