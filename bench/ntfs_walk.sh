#!/usr/bin/env bash
# usage: bench/ntfs_walk.sh [BUILD_DIR] [FILES]
#        (as root; BUILD_DIR: an optimised build with drovik-cli, default build/release)
#
# A whole NTFS volume of FILES small files (default 100000) in nested folders (100
# folders of 10 sub-folders each), filled through ntfs-3g, against The Sleuth Kit in the
# same run:
#  1. listing the whole tree: drovik-cli ls -r against fls -r -p (goal: at most half of
#     fls's time);
#  2. reading every file out into a tmpfs folder: drovik-cli cp / against tsk_recover -a
#     (icat's reading, in one process) and against cp -r of the same tree from plain
#     files, the "cat" throughput (goal: at least 90% of it).
# The page cache is warm for every run. Prints seconds, entries/s or MB/s, the ratio to
# the peer and the peak resident memory of each run.
set -euo pipefail
source "$(dirname "$0")/measure.sh"

build=${1:-build/release}
files=${2:-100000}
cli="$(program_dir)/drovik-cli"
needs_program "$cli" drovik-cli
needs_root "the image is filled through FUSE"
needs_tools mkntfs ntfs-3g fls tsk_recover python3

work=$(mktemp -d "${TMPDIR:-/var/tmp}/drovik-ntfs-bench.XXXXXX")
out=$(mktemp -d /dev/shm/drovik-ntfs-out.XXXXXX)
cleanup() {
    unmount_leftovers
    rm -rf "$work" "$out"
}
trap cleanup EXIT
fresh() { rm -rf "${out:?}"/*; }
row() { printf "%-34s %8s %12s %8s %10s\n" "$@"; }

echo "making $files files in nested folders and an NTFS image holding them..."
small_file_tree "$work/tree" "$files"
ntfs_image "$work/ntfs.img" $((bytes * 2 + (512 << 20))) "$work/tree/."
cat "$work/ntfs.img" >/dev/null

echo
row "listing $files files" seconds "entries/s" "vs fls" "peak KiB"
entries=$(fls -r -p "$work/ntfs.img" | grep -vc -e $'\t\\$' -e ' \* ')
measure fls -r -p "$work/ntfs.img"
fls_seconds=$seconds
row "fls -r -p" "$seconds" "$(per_second "$entries" "$seconds")" "100%" "$peak_kib"
measure "$cli" ls "$work/ntfs.img" -r
listed=$("$cli" ls "$work/ntfs.img" -r | wc -l)
row "drovik-cli ls -r" "$seconds" "$(per_second "$listed" "$seconds")" \
    "$(ratio "$seconds" "$fls_seconds")" "$peak_kib"
echo "(vs fls: drovik-cli's time as a share of fls's; the goal is at most 50%;"
echo " drovik-cli listed $listed entries, fls $entries without metadata files)"

echo
row "reading $((bytes >> 20)) MiB in $files files" seconds "MB/s" "vs cp" "peak KiB"
fresh
find "$work/tree" -type f -exec cat {} + >/dev/null
measure cp -r "$work/tree" "$out/plain"
cp_seconds=$seconds
row "cp -r of plain files" "$seconds" "$(mbps "$seconds")" "100%" "$peak_kib"
fresh
measure tsk_recover -a "$work/ntfs.img" "$out/tsk"
row "tsk_recover -a" "$seconds" "$(mbps "$seconds")" "$(ratio "$cp_seconds" "$seconds")" "$peak_kib"
fresh
measure "$cli" cp "$work/ntfs.img" / "$out/drovik"
diff -r "$work/tree" "$out/drovik" >/dev/null || { echo "copy differs from the tree" >&2; exit 1; }
row "drovik-cli cp /" "$seconds" "$(mbps "$seconds")" "$(ratio "$cp_seconds" "$seconds")" \
    "$peak_kib"
echo "(vs cp: throughput as a share of cp -r's over the plain tree; the goal is at least 90%)"
