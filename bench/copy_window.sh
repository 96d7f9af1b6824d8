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

build=${1:-build/release}
size_mib=${2:-1024}
cli="$build/bin/drovik-cli"
bench="$build/bench/bench_copy_window"
[[ -x $cli ]] || { echo "no $cli: cmake --build $build --target drovik-cli" >&2; exit 2; }
[[ -x $bench ]] || { echo "no $bench: cmake --build $build --target bench_copy_window" >&2; exit 2; }
[[ $(id -u) == 0 ]] || { echo "needs root (the NTFS image is filled through FUSE)" >&2; exit 2; }
for tool in mkfs.fat mcopy mkntfs ntfs-3g python3; do
    command -v $tool >/dev/null || { echo "needs $tool" >&2; exit 2; }
done

work=$(mktemp -d "${TMPDIR:-/var/tmp}/drovik-copy-window-bench.XXXXXX")
out=$(mktemp -d /dev/shm/drovik-copy-window-out.XXXXXX)
mnt=""
cleanup() {
    [[ -n $mnt ]] && { mountpoint -q "$mnt" && umount "$mnt"; rmdir "$mnt"; }
    rm -rf "$work" "$out"
}
trap cleanup EXIT
export MTOOLS_SKIP_CHECK=1

source "$(dirname "$0")/measure.sh"
fresh() { rm -rf "$out"/*; }
median() { printf "%s\n" "$@" | sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
row() { printf "%-34s %8s %10s %10s %10s\n" "$@"; }

bytes=$((size_mib << 20))
echo "making a ${size_mib} MiB file and FAT32 and NTFS images holding it..."
head -c "$bytes" /dev/urandom >"$work/big.bin"
image_kib=$(((size_mib + 64) * 1024))
mkfs.fat -F 32 -C "$work/fat32.img" "$image_kib" >/dev/null
mcopy -i "$work/fat32.img" "$work/big.bin" ::/big.bin
truncate -s "$((image_kib * 1024))" "$work/ntfs.img"
mkntfs -F -q -f "$work/ntfs.img" >/dev/null 2>&1
mnt=$(mktemp -d)
ntfs-3g "$work/ntfs.img" "$mnt"
cp "$work/big.bin" "$mnt/big.bin"
umount "$mnt"
rmdir "$mnt"
mnt=""
# The images just written would otherwise be flushed to disk while the runs measure.
sync

details=()
mbps() { awk -v b="$bytes" -v s="$1" 'BEGIN { printf "%.0f", b / s / 1e6 }'; }
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
