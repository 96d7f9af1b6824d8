#!/usr/bin/env bash
# usage: bench/copy_window.sh [BUILD_DIR] [SIZE_MIB]
#        (as root; BUILD_DIR: an optimised build with bench_copy_window and drovik-cli,
#        default build/release)
#
# Copying one SIZE_MIB file (default 1024) out of a FAT32 and an NTFS image through the
# copy window, headless with its log and progress bar painted (bench_copy_window), against
# the same copy flow without a window (drovik-cli cp) and against cat of the plain file,
# all in the same run, into a tmpfs folder, with a warm page cache. Medians of 3 runs each.
# The window should copy at the copy flow's speed: window/cli near 100%.
set -euo pipefail
source "$(dirname "$0")/measure.sh"

build=${1:-build/release}
size_mib=${2:-1024}
cli="$(program_dir)/drovik-cli"
bench="$build/bench/bench_copy_window"
needs_program "$cli" drovik-cli
needs_program "$bench" bench_copy_window
needs_root "the NTFS image is filled through FUSE"
needs_tools mkfs.fat mcopy mkntfs ntfs-3g python3

work=$(mktemp -d "${TMPDIR:-/var/tmp}/drovik-copy-window-bench.XXXXXX")
out=$(mktemp -d /dev/shm/drovik-copy-window-out.XXXXXX)
cleanup() {
    unmount_leftovers
    rm -rf "$work" "$out"
}
trap cleanup EXIT

fresh() { rm -rf "$out"/*; }
row() { printf "%-34s %8s %10s %10s %10s\n" "$@"; }

echo "making a ${size_mib} MiB file and FAT32 and NTFS images holding it..."
big_file_images "$size_mib"
# The images just written would otherwise be flushed to disk while the runs measure.
sync

details=()
# runs COMMAND... three times into a fresh output folder; sets seconds to the median.
three_runs() {
    local runs=()
    for _ in 1 2 3; do
        fresh
        measure "$@"
        runs+=("$seconds")
    done
    seconds=$(median "${runs[@]}")
}

cat "$work/big.bin" >/dev/null
three_runs sh -c "cat '$work/big.bin' >'$out/big.bin'"
cat_mbps=$(mbps "$seconds")

echo
row "one ${size_mib} MiB file, MB/s" window cli "window/cli" "window/cat"
for fs in fat32 ntfs; do
    cat "$work/$fs.img" >/dev/null
    three_runs "$cli" cp "$work/$fs.img" /big.bin "$out/big.bin"
    cmp -s "$work/big.bin" "$out/big.bin" || { echo "$fs: drovik-cli's copy differs" >&2; exit 1; }
    cli_mbps=$(mbps "$seconds")

    DROVIK_BENCH_IMAGE="$work/$fs.img" DROVIK_BENCH_SOURCE=/big.bin DROVIK_BENCH_OUT="$out" \
        "$bench" --benchmark_out="$work/$fs.json" --benchmark_out_format=json >"$work/bench.log" \
        2>&1 || { cat "$work/bench.log" >&2; exit 1; }
    cmp -s "$work/big.bin" "$out/big.bin" || { echo "$fs: the window's copy differs" >&2; exit 1; }
    read -r window_mbps repaints frames busy < <(python3 - "$work/$fs.json" <<'PY'
import json, sys
run = json.load(open(sys.argv[1]))["benchmarks"][0]
if run.get("error_occurred"):
    sys.exit("bench_copy_window: " + run.get("error_message", "failed"))
print("%.0f %d %d %.0f%%" % (run["MB_per_s"], run["progress_repaints"], run["frames"],
                            100 * run["cpu_time"] / run["real_time"]))
PY
    )
    row "out of $fs" "$window_mbps" "$cli_mbps" "$(ratio "$window_mbps" "$cli_mbps")" \
        "$(ratio "$window_mbps" "$cat_mbps")"
    details+=("$fs: in the last window run $repaints progress repaints, $frames frames painted;
 the window thread was busy $busy of the window's time (mean of the runs)")
done
row "cat file > tmpfs" "" "" "" "$cat_mbps MB/s"
printf "(%s)\n" "${details[@]}"
echo "(window: the copy window from its opening to its end, the image already mounted;"
echo " cli: the whole drovik-cli cp process, opening the image included)"
