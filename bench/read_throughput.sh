#!/usr/bin/env bash
# usage: bench/read_throughput.sh [BUILD_DIR] [SIZE_MIB] [RUNS]   (as root; BUILD_DIR: an optimised build, default build/release)
#
# Sequential read throughput of the storage readers against dd bs=1M, over the same bytes
# as an image file (cFlatIO) and through a read-only loop device (the drive reader), with
# the page cache warm and (where the kernel lets us drop it) cold. Prints MB/s, the ratio
# to dd and the peak resident memory of each run. Each figure is the best of RUNS runs
# (default 3), since other work on the machine only ever slows a run down. The image is
# deleted afterwards.
set -euo pipefail

build=${1:-build/release}
size_mib=${2:-1024}
runs=${3:-3}
bench="$build/bench/bench_io_read"
[[ -x $bench ]] || { echo "no $bench: cmake --build $build --target bench_io_read" >&2; exit 2; }
[[ $(id -u) == 0 ]] || { echo "needs root (loop devices, dropping caches)" >&2; exit 2; }

work=$(mktemp -d "${TMPDIR:-/tmp}/drovik-bench.XXXXXX")
image="$work/image.bin"
loop=""
cleanup() {
    [[ -n $loop ]] && losetup -d "$loop" || true
    rm -rf "$work"
}
trap cleanup EXIT

echo "making a ${size_mib} MiB image of random bytes..."
head -c "$((size_mib << 20))" /dev/urandom >"$image"
sync
loop=$(losetup -f --show -r "$image")
bytes=$((size_mib << 20))

can_drop=0
if echo 3 >/proc/sys/vm/drop_caches 2>/dev/null; then can_drop=1; fi

drop() { sync; echo 3 >/proc/sys/vm/drop_caches; }

# Runs a command RUNS times under GNU time, from a warm or a dropped page cache; sets
# seconds (the fastest run's transfer time as the program itself reports it, so that
# process start-up is left out on both sides) and peak_kib (the largest peak).
measure() {
    local cache=$1 log="$work/time.log" out="$work/out.txt" run took
    shift
    seconds="" peak_kib=0
    for ((run = 0; run < runs; run++)); do
        [[ $cache == warm ]] || drop
        /usr/bin/time -v -o "$log" "$@" >"$out" 2>&1
        if [[ $1 == dd ]]; then
            took=$(sed -n 's/.*copied, \([0-9.e+-]*\) s,.*/\1/p' "$out")
        else # Google Benchmark CSV: name,iterations,real_time (ms),...
            took=$(awk -F, '/^"ReadSectors/ { print $3 / 1000 }' "$out")
        fi
        seconds=$(awk -v s="$took" -v best="$seconds" \
            'BEGIN { if (best != "" && best < s) s = best; printf "%.4f", s }')
        peak_kib=$(awk -F': ' -v p="$peak_kib" \
            '/Maximum resident set size/ { print ($2 > p ? $2 : p) }' "$log")
    done
}

mbps() { awk -v b="$bytes" -v s="$1" 'BEGIN { printf "%.0f", b / s / 1e6 }'; }

printf "\n%-8s %-5s %-24s %9s %9s %7s %10s\n" target cache reader "MB/s" "dd MB/s" ratio "peak KiB"
for target in file loop; do
    source=$image
    [[ $target == loop ]] && source=$loop
    caches="warm"
    [[ $can_drop == 1 ]] && caches="warm cold"
    for cache in $caches; do
        # dd first, then each request size of the reader, each from the same cache state.
        [[ $cache == warm ]] && cat "$source" >/dev/null
        measure "$cache" dd if="$source" of=/dev/null bs=1M
        dd_seconds=$seconds dd_peak=$peak_kib
        for chunk in 64KiB 1024KiB; do
            measure "$cache" "$bench" --benchmark_format=csv \
                --benchmark_filter="ReadSectors/$chunk/" "$source"
            printf "%-8s %-5s %-24s %9s %9s %6s%% %10s\n" "$target" "$cache" "ReadSectors $chunk" \
                "$(mbps "$seconds")" "$(mbps "$dd_seconds")" \
                "$(awk -v a="$dd_seconds" -v b="$seconds" 'BEGIN { printf "%.0f", 100 * a / b }')" \
                "$peak_kib"
        done
        printf "%-8s %-5s %-24s %9s %9s %7s %10s\n" "$target" "$cache" "dd bs=1M" \
            "$(mbps "$dd_seconds")" "" "" "$dd_peak"
    done
done
[[ $can_drop == 1 ]] || echo "(cold runs skipped: /proc/sys/vm/drop_caches is not writable here)"
