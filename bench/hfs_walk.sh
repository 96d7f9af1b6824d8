#!/usr/bin/env bash
# usage: bench/hfs_walk.sh [BUILD_DIR] [FILES]
#        (as root; BUILD_DIR: an optimised build with drovik-cli, default build/release)
#
# One tree of FILES small files (default 20000, in 100 folders of 10 sub-folders each)
# as an HFS+ volume (xorriso's hybrid ISO, read on its Apple partition) and the same tree
# in the other file systems drovik-cli reads: ext4 from mke2fs -d and NTFS filled through
# ntfs-3g. A file system drovik-cli cannot read yet is left out with a note. For each,
# hyperfine times
#  1. listing the whole tree: drovik-cli ls -r;
#  2. reading every file out into a tmpfs folder: drovik-cli cp /.
# and the script prints the medians (of 5 runs, or $runs) and each one's ratio to HFS+'s.
# The page cache is warm for every run.
set -euo pipefail
source "$(dirname "$0")/measure.sh"

build=${1:-build/release}
files=${2:-20000}
cli="$(program_dir)/drovik-cli"
needs_program "$cli" drovik-cli
needs_root "the NTFS image is filled through FUSE"
needs_tools xorriso mke2fs mkntfs ntfs-3g hyperfine python3

work=$(mktemp -d "${TMPDIR:-/var/tmp}/drovik-hfs-bench.XXXXXX")
out=$(mktemp -d /dev/shm/drovik-hfs-out.XXXXXX)
cleanup() {
    unmount_leftovers
    rm -rf "$work" "$out"
}
trap cleanup EXIT

echo "making $files files in nested folders, and the images holding them..."
small_file_tree "$work/tree" "$files"
xorriso -as mkisofs -hfsplus -o "$work/hfsplus.iso" "$work/tree" 2>/dev/null
hfs_part=$("$cli" parts "$work/hfsplus.iso" --json | python3 -c '
import json, sys
print(next(r["path"] for r in map(json.loads, sys.stdin) if r["fs"] == "HFS+"))')
mke2fs -q -F -t ext4 -d "$work/tree" "$work/ext4.img" "$(((bytes * 2 >> 10) + 65536))k" >/dev/null 2>&1
ntfs_image "$work/ntfs.img" $((bytes * 2 + (256 << 20))) "$work/tree/."

# name image partition (empty for the whole image)
volumes=("HFS+ $work/hfsplus.iso $hfs_part" "ext4 $work/ext4.img" "NTFS $work/ntfs.img")
json="$work/hyperfine.json"
median_of() { # COMMAND: the median wall-clock seconds of hyperfine's runs
    hyperfine --style none --warmup 1 --runs "${runs:-5}" --prepare "rm -rf ${out:?}/copy" \
        --export-json "$json" "$1" >/dev/null
    python3 -c 'import json, sys; print("%.3f" % json.load(open(sys.argv[1]))["results"][0]["median"])' "$json"
}
row() { printf "%-8s %-12s %10s %10s %10s\n" "$@"; }

echo
echo "$files files, $((bytes >> 20)) MiB; medians of ${runs:-5} runs (hyperfine), ratio to HFS+"
row "" "" seconds "per second" "vs HFS+"
for what in list read; do
    base=""
    for volume in "${volumes[@]}"; do
        read -r name image part <<<"$volume"
        source="'$image'${part:+ --part $part}"
        if ! eval "\"$cli\" info $source" >/dev/null 2>&1; then
            echo "$name: drovik-cli does not read this file system yet; left out"
            continue
        fi
        if [[ $what == list ]]; then
            seconds=$(median_of "'$cli' ls $source -r")
            rate="$(per_second "$files" "$seconds") files"
        else
            seconds=$(median_of "'$cli' cp $source / '$out/copy'")
            rm -rf "${out:?}/copy"
            eval "\"$cli\" cp $source / '$out/copy'" >/dev/null 2>&1
            diff -r -x lost+found "$work/tree" "$out/copy" >/dev/null || { echo "$name: copy differs" >&2; exit 1; }
            rate="$(mbps "$seconds") MB"
        fi
        base=${base:-$seconds}
        row "$what" "$name" "$seconds" "$rate" "$(ratio "$seconds" "$base")"
    done
done
