#!/usr/bin/env bash
# usage: bench/read_throughput.sh [BUILD_DIR] [SIZE_MIB] [RUNS]   (as root; BUILD_DIR: an optimised build, default build/release)
#
# Sequential read throughput of the storage readers against dd bs=1M, over the same bytes
# as an image file (cFlatIO) and through a read-only loop device (the drive reader), with
# the page cache warm and (where the kernel lets us drop it) cold. Prints MB/s, the ratio
# to dd and the peak resident memory of each run. Each figure is the best of RUNS runs
# (default 3), since other work on the machine only ever slows a run down; rounds take the
# readers in turn so that such load falls on all of them alike. The image is
# deleted afterwards.
set -euo pipefail
source "$(dirname "$0")/measure.sh"

build=${1:-build/release}
size_mib=${2:-1024}
runs=${3:-3}
bench="$build/bench/bench_io_read"
needs_program "$bench" bench_io_read
needs_root "loop devices, dropping caches"

random_image_on_loop "$size_mib"

# Runs one command under GNU time; sets took (the transfer time as the program itself
# reports it, so that process start-up is left out on both sides) and peak (KiB).
run_once() {
    local log="$work/time.log" out="$work/out.txt"
    /usr/bin/time -v -o "$log" "$@" >"$out" 2>&1
    if [[ $1 == dd ]]; then
        took=$(sed -n 's/.*copied, \([0-9.e+-]*\) s,.*/\1/p' "$out")
    else # Google Benchmark CSV: name,iterations,real_time (ms),...
        took=$(awk -F, '/^"(ReadSectors|BarePread)/ { print $3 / 1000 }' "$out")
    fi
    peak=$(awk -F': ' '/Maximum resident set size/ { print $2 }' "$log")
    cpu=$(awk -F': ' '/(User|System) time \(seconds\)/ { s += $2 } END { print s }' "$log")
}

min() { awk -v a="$1" -v b="$2" 'BEGIN { print (a == "" || b < a) ? b : a }'; }
max() { awk -v a="$1" -v b="$2" 'BEGIN { print (a == "" || b > a) ? b : a }'; }

# "bare" is the benchmark harness's own positioned reads without a reader: the reader's
# cost is its gap to bare, and bare's gap to dd is the harness's.
readers=(dd 64KiB 1024KiB bare)
# CPU seconds (user + system, start-up included) are the steadier figure on a busy machine.
printf "\n%-8s %-5s %-20s %9s %9s %7s %8s %8s %10s\n" target cache reader "MB/s" "dd MB/s" ratio \
    "cpu s" "dd cpu" "peak KiB"
for target in file loop; do
    source=$image
    [[ $target == loop ]] && source=$loop
    caches="warm"
    [[ $can_drop == 1 ]] && caches="warm cold"
    for cache in $caches; do
        [[ $cache == warm ]] && cat "$source" >/dev/null
        declare -A best=() peaks=() cpus=()
        # Rounds take every reader in turn, so that load from elsewhere on the machine
        # falls on all of them alike; each figure is the best of its rounds.
        for ((round = 0; round < runs; round++)); do
            for reader in "${readers[@]}"; do
                [[ $cache == warm ]] || drop_caches
                if [[ $reader == dd ]]; then
                    run_once dd if="$source" of=/dev/null bs=1M
                elif [[ $reader == bare ]]; then
                    run_once "$bench" --benchmark_format=csv \
                        --benchmark_filter="BarePread/1024KiB/" "$source"
                else
                    run_once "$bench" --benchmark_format=csv \
                        --benchmark_filter="ReadSectors/$reader/" "$source"
                fi
                best[$reader]=$(min "${best[$reader]:-}" "$took")
                peaks[$reader]=$(max "${peaks[$reader]:-}" "$peak")
                cpus[$reader]=$(min "${cpus[$reader]:-}" "$cpu")
            done
        done
        for reader in 64KiB 1024KiB bare dd; do
            label="ReadSectors $reader" ratio=""
            [[ $reader == bare ]] && label="bare pread 1024KiB"
            if [[ $reader == dd ]]; then
                label="dd bs=1M"
            else
                ratio="$(awk -v a="${best[dd]}" -v b="${best[$reader]}" \
                    'BEGIN { printf "%.0f", 100 * a / b }')%"
            fi
            printf "%-8s %-5s %-20s %9s %9s %7s %8s %8s %10s\n" "$target" "$cache" "$label" \
                "$(mbps "${best[$reader]}")" "$(mbps "${best[dd]}")" "$ratio" "${cpus[$reader]}" \
                "${cpus[dd]}" "${peaks[$reader]}"
        done
        unset best peaks cpus
    done
done
[[ $can_drop == 1 ]] || echo "(cold runs skipped: /proc/sys/vm/drop_caches is not writable here)"
