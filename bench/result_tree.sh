#!/usr/bin/env bash
# usage: bench/result_tree.sh [BUILD_DIR] [FILES]
#        (as root; BUILD_DIR: an optimised build with bench_result_tree and drovik-cli,
#        default build/release)
#
# A result tree of FILES files (default 1,000,000) in 10,000 folders, the largest folder
# holding a tenth of them:
#  1. bench_result_tree builds it through the reconstruction builder, saves it and loads
#     it back (goal: each under 2 s) and tells the heap per item (goal: under 200 bytes);
#     the peak resident memory of the whole run is printed too;
#  2. drovik-cli ls --result of its root (100 folders) and of its largest folder (a tenth
#     of the files and its share of the rest), against
#     drovik-cli ls of an NTFS root of 100 folders and an NTFS folder of the same size,
#     made with mkntfs and filled through ntfs-3g (goal: as fast). Each listing runs under
#     hyperfine; the listing of a result includes loading the whole result file.
set -euo pipefail
source "$(dirname "$0")/measure.sh"

build=${1:-build/release}
files=${2:-1000000}
largest=$((files / 10))
bench="$build/bench/bench_result_tree"
cli="$(program_dir)/drovik-cli"
needs_program "$bench" bench_result_tree
needs_program "$cli" drovik-cli
needs_root "the NTFS image is filled through FUSE"
needs_tools mkntfs ntfs-3g hyperfine python3

work=$(mktemp -d "${TMPDIR:-/var/tmp}/drovik-result-bench.XXXXXX")
cleanup() {
    unmount_leftovers
    rm -rf "$work"
}
trap cleanup EXIT

echo "building, saving and loading a result tree of $files files..."
measure "$bench" "$work/result.drdb" "$files" 10000 "$largest"
"$bench" "$work/result.drdb" "$files" 10000 "$largest"
echo "peak resident memory of that run: $peak_kib KiB ($(awk -v k="$peak_kib" -v n="$files" \
    'BEGIN { printf "%.0f", k * 1024 / (n + 10000) }') bytes per item, the builder's lists included)"
echo "result file: $(stat -c %s "$work/result.drdb") bytes"

truncate -s 1M "$work/blank.img"
result=("$cli" ls "$work/blank.img" --result "$work/result.drdb")
largest_path=/folder-00051/folder-00150
entries=$("${result[@]}" "$largest_path" | wc -l)

echo
echo "making an NTFS image: a root of 100 folders, one of them holding $entries empty files..."
python3 - "$work/tree" "$entries" <<'PY'
import os, sys
root, count = sys.argv[1], int(sys.argv[2])
for i in range(100):
    os.makedirs(os.path.join(root, "d%03d" % i))
for n in range(count):
    open(os.path.join(root, "d050", "file-%07d.dat" % n), "wb").close()
PY
ntfs_image "$work/ntfs.img" $((256 << 20)) "$work/tree/."
cat "$work/ntfs.img" >/dev/null
[[ $("$cli" ls "$work/ntfs.img" /d050 | wc -l) == "$entries" ]] || { echo "the NTFS folder does not list $entries files" >&2; exit 1; }

hyperfine -N --warmup 1 --runs 7 --export-json "$work/ls.json" \
    -n "ls --result /" "${result[*]} /" \
    -n "ls ntfs /" "$cli ls $work/ntfs.img /" \
    -n "ls --result largest" "${result[*]} $largest_path" \
    -n "ls ntfs largest" "$cli ls $work/ntfs.img /d050" >/dev/null
echo
python3 - "$work/ls.json" <<'PY'
import json, sys
runs = {r["command"]: r for r in json.load(open(sys.argv[1]))["results"]}
print("%-24s %10s %10s" % ("listing", "median s", "vs NTFS"))
for what in ("/", "largest"):
    mine, peer = runs["ls --result " + what], runs["ls ntfs " + what]
    print("%-24s %10.3f %9.0f%%" % ("ls --result " + what, mine["median"], 100 * mine["median"] / peer["median"]))
    print("%-24s %10.3f %9s" % ("ls ntfs " + what, peer["median"], "100%"))
print("(vs NTFS: the result listing's time as a share of the NTFS listing's; the goal is at most 100%)")
PY
