#!/usr/bin/env bash
# usage: bench/explorer_folder.sh [BUILD_DIR] [ENTRIES]
#        (as root; BUILD_DIR: an optimised build with bench_explorer_folder, default
#        build/release)
#
# An NTFS volume holding one folder, /big, of ENTRIES small files (default 100000), filled
# through ntfs-3g. The main window opens it headless (bench_explorer_folder): the listing
# time, the time from the hand-over of the rows to the first page painted (goal: under
# 1 s) and the window's frame times while the job lists (medians of 5 openings). The
# listing time is set against fls -p of the same folder (The Sleuth Kit), in the same run.
# The page cache is warm for every run.
set -euo pipefail
source "$(dirname "$0")/measure.sh"

build=${1:-build/release}
entries=${2:-100000}
bench="$build/bench/bench_explorer_folder"
needs_program "$bench" bench_explorer_folder
needs_root "the image is filled through FUSE"
needs_tools mkntfs ntfs-3g fls ifind python3

work=$(mktemp -d "${TMPDIR:-/var/tmp}/drovik-folder-bench.XXXXXX")
cleanup() {
    unmount_leftovers
    rm -rf "$work"
}
trap cleanup EXIT

echo "making a folder of $entries files and an NTFS image holding it..."
python3 - "$work/tree/big" "$entries" <<'PY'
import os, random, sys
folder, count = sys.argv[1], int(sys.argv[2])
rng = random.Random(1)
os.makedirs(folder)
stems = ["IMG_", "Document_", "фото-", "report ", "~tmp"]
for i in range(count):
    name = "%s%06d.%s" % (stems[i % len(stems)], (i * 7919) % count, ("jpg", "doc", "txt")[i % 3])
    with open(os.path.join(folder, name), "wb") as f:
        f.write(rng.randbytes(rng.randrange(0, 600)))
PY
ntfs_image "$work/ntfs.img" 1G "$work/tree/."
rm -rf "$work/tree"
cat "$work/ntfs.img" >/dev/null

inode=$(ifind -n /big "$work/ntfs.img")
listed=$(fls -p "$work/ntfs.img" "$inode" | wc -l)
fls_runs=()
for _ in 1 2 3 4 5; do
    measure fls -p "$work/ntfs.img" "$inode"
    fls_runs+=("$seconds")
done
fls_ms=$(printf "%s\n" "${fls_runs[@]}" | sort -n | awk '{ v[NR] = $1 } END { print v[3] * 1000 }')

echo
DROVIK_BENCH_IMAGE="$work/ntfs.img" DROVIK_BENCH_FOLDER=/big "$bench" \
    --benchmark_out="$work/bench.json" --benchmark_out_format=json
python3 - "$work/bench.json" "$fls_ms" "$listed" <<'PY'
import json, sys
run = json.load(open(sys.argv[1]))["benchmarks"][0]
fls_ms, fls_entries = float(sys.argv[2]), int(sys.argv[3])
row = lambda *cells: print("%-44s %10s %8s" % cells)
print()
row("opening /big in the main window (medians)", "ms", "vs fls")
row("listing (open request to rows handed over)", "%.0f" % run["listing_ms"],
    "%.0f%%" % (100 * run["listing_ms"] / fls_ms))
row("fls -p of the folder (whole process)", "%.0f" % fls_ms, "100%")
row("hand-over to first page painted (goal < 1000)", "%.0f" % run["first_page_ms"], "")
row("frame while listing, median", "%.1f" % run["frame_median_ms"], "")
row("frame while listing, worst", "%.1f" % run["frame_worst_ms"], "")
print("(the window listed %d entries, fls %d lines; %d frames painted while listing;"
      % (run["entries"], fls_entries, run["frames"]))
print(" vs fls: the listing time as a share of fls's)")
PY
