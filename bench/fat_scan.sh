#!/usr/bin/env bash
# usage: bench/fat_scan.sh [BUILD_DIR] [FILES] [SIZE_MIB]
#        (BUILD_DIR: an optimised build with drovik-cli, default build/release)
#
# A FAT32 volume of SIZE_MIB (default 2048) holding FILES small files (default 100000) in
# nested folders, filled by mtools, with both boot sectors zeroed. drovik-cli scan
# --method fat (detection, the table check, indexing and building) against dd reading the
# same image in the same run; the goal is at least 80% of dd's throughput. The page cache
# is warm for both. Prints seconds, MB/s, the ratio to dd, the peak resident memory, and
# the index's bytes per folder cluster and per file.
set -euo pipefail
source "$(dirname "$0")/measure.sh"

build=${1:-build/release}
files=${2:-100000}
size_mib=${3:-2048}
cli="$(program_dir)/drovik-cli"
needs_program "$cli" drovik-cli
needs_tools mkfs.fat mcopy python3

work=$(mktemp -d "${TMPDIR:-/var/tmp}/drovik-fat-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
row() { printf "%-34s %8s %8s %8s %10s\n" "$@"; }

echo "making $files files in nested folders and a $size_mib MiB FAT32 image holding them..."
small_file_tree "$work/tree" "$files"
tree_bytes=$bytes
image="$work/fat32.img"
mkfs.fat -F 32 -C "$image" $((size_mib * 1024)) >/dev/null
MTOOLS_SKIP_CHECK=1 mcopy -s -Q -i "$image" "$work/tree"/* ::/
dd if=/dev/zero of="$image" bs=512 count=1 conv=notrunc status=none
dd if=/dev/zero of="$image" bs=512 seek=6 count=1 conv=notrunc status=none
bytes=$(stat -c %s "$image")
cat "$image" >/dev/null

echo
row "scanning $((bytes >> 20)) MiB" seconds "MB/s" "vs dd" "peak KiB"
measure dd if="$image" of=/dev/null bs=1M
dd_seconds=$seconds
row "dd bs=1M" "$seconds" "$(mbps "$seconds")" "100%" "$peak_kib"
measure "$cli" scan "$image" --method fat --out "$work/result"
row "drovik-cli scan --method fat" "$seconds" "$(mbps "$seconds")" \
    "$(ratio "$dd_seconds" "$seconds")" "$peak_kib"
echo "(vs dd: dd's time as a share of drovik-cli's, so throughput relative to dd; the goal is"
echo " at least 80%)"

echo
"$cli" scan "$image" --method fat --out "$work/result" | tee "$work/summary.txt"
read -r clusters index_bytes < <(sed -n 's/^\([0-9]*\) folder clusters indexed in \([0-9]*\) bytes$/\1 \2/p' \
    "$work/summary.txt")
found=$(sed -n 's/^tree: \([0-9]*\) files.*/\1/p' "$work/summary.txt")
echo "index: $(per_second "$index_bytes" "$clusters") bytes per folder cluster," \
     "$(per_second "$index_bytes" "$files") bytes per file ($found of $files files rebuilt," \
     "$((tree_bytes >> 20)) MiB of data)"
