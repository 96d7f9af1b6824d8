#!/usr/bin/env bash
# usage: bench/ext_walk.sh [BUILD_DIR] [FILES] [RUNS]
#        (BUILD_DIR: an optimised build with drovik-cli, default build/release)
#
# An ext4 volume (mke2fs -d, the current defaults) of FILES small files (default 100000)
# in nested folders (100 folders of 10 sub-folders each), against peers in the same run:
#  1. listing the whole tree: drovik-cli ls -r against fls -r -p, timed by hyperfine
#     (median of RUNS runs, default 5; goal: at most half of fls's time);
#  2. reading every file out into a tmpfs folder: drovik-cli cp / against cp -r of the
#     same tree from plain files, the "cat" throughput over the same bytes (median of
#     RUNS runs; goal: at least 90% of it); cat of every plain file to /dev/null is
#     printed beside them.
# The page cache is warm for every run. Peak resident memory comes from /usr/bin/time -v.
set -euo pipefail
source "$(dirname "$0")/measure.sh"

build=${1:-build/release}
files=${2:-100000}
runs=${3:-5}
cli="$(program_dir)/drovik-cli"
needs_program "$cli" drovik-cli
needs_tools mke2fs fls hyperfine python3

work=$(mktemp -d "${TMPDIR:-/var/tmp}/drovik-ext-bench.XXXXXX")
out=$(mktemp -d /dev/shm/drovik-ext-out.XXXXXX)
trap 'rm -rf "$work" "$out"' EXIT
row() { printf "%-34s %8s %12s %8s %10s\n" "$@"; }
# median_of JSON: the median seconds of hyperfine's export.
median_of() { python3 -c 'import json, sys; print("%.3f" % json.load(open(sys.argv[1]))["results"][0]["median"])' "$1"; }
# timed NAME COMMAND: hyperfine's median of RUNS runs into $seconds, the peak memory of one
# more run into $peak_kib.
timed() {
    local name=$1
    shift
    hyperfine --style none --warmup 1 --runs "$runs" --export-json "$work/$name.json" \
        --prepare "rm -rf $out/copy" "$*" >/dev/null
    rm -rf "$out/copy"
    measure "$@"
    seconds=$(median_of "$work/$name.json")
}

echo "making $files files in nested folders and an ext4 image holding them..."
small_file_tree "$work/tree" "$files"
mke2fs -q -F -t ext4 -N $((files + 4096)) -d "$work/tree" "$work/ext4.img" $(((bytes * 2 >> 20) + 256))M
cat "$work/ext4.img" >/dev/null
find "$work/tree" -type f -exec cat {} + >/dev/null

echo
row "listing $files files" seconds "entries/s" "vs fls" "peak KiB"
entries=$(fls -r -p "$work/ext4.img" | grep -c -v -e ' \* ' -e '\$OrphanFiles')
timed fls fls -r -p "$work/ext4.img"
fls_seconds=$seconds
row "fls -r -p" "$seconds" "$(per_second "$entries" "$seconds")" "100%" "$peak_kib"
listed=$("$cli" ls "$work/ext4.img" -r | wc -l)
timed ls "$cli" ls "$work/ext4.img" -r
row "drovik-cli ls -r" "$seconds" "$(per_second "$listed" "$seconds")" \
    "$(ratio "$seconds" "$fls_seconds")" "$peak_kib"
echo "(vs fls: drovik-cli's time as a share of fls's; the goal is at most 50%;"
echo " drovik-cli listed $listed entries, fls $entries)"

echo
row "reading $((bytes >> 20)) MiB in $files files" seconds "MB/s" "vs cp" "peak KiB"
timed cat find "$work/tree" -type f -exec cat {} +
row "cat of every plain file" "$seconds" "$(mbps "$seconds")" "" "$peak_kib"
timed cp cp -r "$work/tree" "$out/copy"
cp_seconds=$seconds
row "cp -r of plain files" "$seconds" "$(mbps "$seconds")" "100%" "$peak_kib"
timed drovik "$cli" cp "$work/ext4.img" / "$out/copy"
rm -rf "$out/copy/lost+found"
diff -r "$work/tree" "$out/copy" >/dev/null || { echo "copy differs from the tree" >&2; exit 1; }
row "drovik-cli cp /" "$seconds" "$(mbps "$seconds")" "$(ratio "$cp_seconds" "$seconds")" \
    "$peak_kib"
echo "(vs cp: throughput as a share of cp -r's over the plain tree; the goal is at least 90%)"
