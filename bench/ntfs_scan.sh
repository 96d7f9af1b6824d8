#!/usr/bin/env bash
# usage: bench/ntfs_scan.sh [BUILD_DIR] [FILES] [SIZE_MIB]
#        (BUILD_DIR: an optimised build with drovik-cli, default build/release)
#
# An NTFS volume of SIZE_MIB (default 2048) holding FILES small files (default 100000) in
# nested folders, written through ntfs-3g, then both boot sectors zeroed.
# 1. drovik-cli scan --method ntfs (detection and the long scan) against dd reading the
#    same image in the same run; the goal is at least 80% of dd's throughput. The page
#    cache is warm for both. Prints the peak resident memory and that memory per record
#    filed (an upper bound: it holds the program and the read buffers too).
# 2. Copying every file out of the rebuilt tree (cp --result) against tsk_recover -a on
#    the intact volume: files that came back byte-exact and the time of each; the goal is
#    at least as many files as tsk_recover in at most twice its time.
set -euo pipefail
source "$(dirname "$0")/measure.sh"

build=${1:-build/release}
files=${2:-100000}
size_mib=${3:-2048}
cli="$(program_dir)/drovik-cli"
needs_program "$cli" drovik-cli
needs_root
needs_tools mkntfs ntfs-3g tsk_recover python3

work=$(mktemp -d "${TMPDIR:-/var/tmp}/drovik-ntfs-bench.XXXXXX")
trap 'unmount_leftovers; rm -rf "$work"' EXIT
row() { printf "%-34s %8s %8s %8s %10s\n" "$@"; }

echo "making $files files in nested folders and a $size_mib MiB NTFS image holding them..."
small_file_tree "$work/tree" "$files"
image="$work/ntfs.img"
ntfs_image "$image" "$((size_mib << 20))" "$work/tree"/*
intact="$work/intact.img"
cp "$image" "$intact"
sectors=$(($(stat -c %s "$image") / 512))
dd if=/dev/zero of="$image" bs=512 count=1 conv=notrunc status=none
dd if=/dev/zero of="$image" bs=512 seek=$((sectors - 1)) count=1 conv=notrunc status=none
bytes=$(stat -c %s "$image")
cat "$image" >/dev/null

echo
row "scanning $((bytes >> 20)) MiB" seconds "MB/s" "vs dd" "peak KiB"
measure dd if="$image" of=/dev/null bs=1M
dd_seconds=$seconds
row "dd bs=1M" "$seconds" "$(mbps "$seconds")" "100%" "$peak_kib"
measure "$cli" scan "$image" --method ntfs --out "$work/result"
scan_kib=$peak_kib
row "drovik-cli scan --method ntfs" "$seconds" "$(mbps "$seconds")" \
    "$(ratio "$dd_seconds" "$seconds")" "$peak_kib"
echo "(vs dd: dd's time as a share of drovik-cli's, so throughput relative to dd; the goal is"
echo " at least 80%)"
"$cli" scan "$image" --method ntfs --out "$work/result" | tee "$work/summary.txt"
filed=$(awk '/^(tree|deleted|damaged): / { n += $2 } END { print n }' "$work/summary.txt")
echo "memory: $(per_second "$((scan_kib * 1024))" "$filed") bytes of peak resident memory" \
     "per record filed ($filed records)"

# Files of the source tree whose copy under FOLDER has the same bytes.
exact() {
    (cd "$work/tree" && find . -type f -print0) |
        (cd "$1" && xargs -0 -n 500 sh -c 'for f; do cmp -s "$f" "$0/$f" && echo; done' "$work/tree") |
        wc -l
}
echo
row "copying $files files out" seconds "files/s" "vs tsk" "exact"
measure tsk_recover -a "$intact" "$work/tsk"
tsk_seconds=$seconds
row "tsk_recover -a (intact volume)" "$seconds" "$(per_second "$files" "$seconds")" "100%" \
    "$(exact "$work/tsk")"
measure "$cli" cp "$image" --result "$work/result-tree.drdb" / "$work/drovik" --on-conflict rename
row "drovik-cli cp --result tree" "$seconds" "$(per_second "$files" "$seconds")" \
    "$(ratio "$seconds" "$tsk_seconds")" "$(exact "$work/drovik")"
echo "(vs tsk: drovik-cli's time as a share of tsk_recover's; the goal is at most 200%,"
echo " with at least as many files byte-exact)"
