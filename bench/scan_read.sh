#!/usr/bin/env bash
# usage: bench/scan_read.sh [BUILD_DIR] [SIZE_MIB] [RUNS]   (as root; BUILD_DIR: an optimised build, default build/release)
#
# A whole scan through the scan reader (the scanning thread summing every byte it is
# handed) against dd bs=1M over the same bytes: an image file and a read-only loop device
# on it, page cache warm and cold, scan blocks of 128 KiB, 1 MiB and 4 MiB with a 16-sector
# look-ahead, and the 1 MiB scan once more with a few bad sectors (the tests' failing
# storage). Prints the median and the best MB/s of RUNS runs (default 5), each as a ratio
# to dd's. Rounds take the readers in turn, so that load from elsewhere falls on all of
# them alike, and every run has the highest priority, so that there is less of it: the
# scan needs its two threads running at once, dd only one.
set -euo pipefail
source "$(dirname "$0")/measure.sh"

build=${1:-build/release}
size_mib=${2:-1024}
runs=${3:-5}
bench="$build/bench/bench_scan_read"
needs_program "$bench" bench_scan_read
needs_root "loop devices, dropping caches"

random_image_on_loop "$size_mib"

# The transfer time each program reports itself, so that start-up is left out of both.
seconds_of() { # READER SOURCE
    if [[ $1 == dd ]]; then
        nice -n -20 dd if="$2" of=/dev/null bs=1M 2>&1 | sed -n 's/.*copied, \([0-9.e+-]*\) s,.*/\1/p'
    else
        nice -n -20 "$bench" --benchmark_format=csv --benchmark_filter="^$1/$2/" "$2" 2>/dev/null |
            awk -F, '/^"Scan/ { print $3 / 1000 }'
    fi
}

readers=(dd ScanRead/128KiB ScanRead/1024KiB ScanRead/4096KiB ScanReadBad/1024KiB)
best() { printf "%s\n" "$@" | sort -g | head -1; }
row() { printf "%-5s %-5s %-20s %8s %8s %6s %8s %8s %6s\n" "$@"; }
echo
row target cache reader "median" "dd" ratio "best" "dd" ratio
for target in file loop; do
    source=$image
    [[ $target == loop ]] && source=$loop
    caches="warm"
    [[ $can_drop == 1 ]] && caches="warm cold"
    for cache in $caches; do
        [[ $cache == warm ]] && cat "$source" >/dev/null
        declare -A times=()
        for ((round = 0; round < runs; round++)); do
            for reader in "${readers[@]}"; do
                [[ $cache == cold ]] && drop_caches
                times[$reader]+="$(seconds_of "$reader" "$source") "
            done
        done
        dd_median=$(median ${times[dd]})
        dd_best=$(best ${times[dd]})
        for reader in "${readers[@]}"; do
            took=$(median ${times[$reader]})
            fastest=$(best ${times[$reader]})
            row "$target" "$cache" "$reader" "$(mbps "$took")" "$(mbps "$dd_median")" \
                "$(ratio "$dd_median" "$took")" "$(mbps "$fastest")" "$(mbps "$dd_best")" \
                "$(ratio "$dd_best" "$fastest")"
        done
        unset times
    done
done
[[ $can_drop == 1 ]] || echo "(cold runs skipped: /proc/sys/vm/drop_caches is not writable here)"
