#!/usr/bin/env bash
# usage: bench/imaging.sh [BUILD_DIR] [SIZE_MIB]   (as root; BUILD_DIR: an optimised build, default build/release)
#
# Imaging a read-only loop device of SIZE_MIB (default 1024) random bytes: dd bs=1M and
# GNU ddrescue (when installed) to a raw image, drovik-cli image to a raw image and to a
# VMware disk, and the imaging engine once more with 100 scattered sectors failing (the
# tests' failing storage; the kernel here has no device-mapper error target). Page cache
# warm for all. Prints seconds, MB/s and the ratio to dd's.
set -euo pipefail
source "$(dirname "$0")/measure.sh"

build=${1:-build/release}
size_mib=${2:-1024}
cli="$(program_dir)/drovik-cli"
bench="$build/bench/bench_imaging"
needs_program "$cli" drovik-cli
needs_program "$bench" bench_imaging
needs_root "loop devices"

random_image_on_loop "$size_mib"
cat "$loop" >/dev/null
out="$work/out.img"
row() { printf "%-32s %8s %8s %8s\n" "$@"; }
row run seconds MB/s "vs dd"

start=$(date +%s%N)
dd if="$loop" of="$out" bs=1M status=none
end=$(date +%s%N)
dd_s=$(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.3f", (b - a) / 1e9 }')
row "dd bs=1M" "$dd_s" "$(mbps "$dd_s")" ""
rm -f "$out"

if command -v ddrescue >/dev/null; then
    measure ddrescue -q "$loop" "$out" "$work/ddrescue.map"
    row "ddrescue" "$seconds" "$(mbps "$seconds")" "$(ratio "$dd_s" "$seconds")"
    rm -f "$out" "$work/ddrescue.map"
fi

measure "$cli" image "$loop" "$out"
row "drovik-cli image" "$seconds" "$(mbps "$seconds")" "$(ratio "$dd_s" "$seconds")"
rm -f "$out" "$out.map"

measure "$cli" image "$loop" "$out" --format vmdk
row "drovik-cli image --format vmdk" "$seconds" "$(mbps "$seconds")" "$(ratio "$dd_s" "$seconds")"
rm -f "$out" "$out.map"

"$bench" --benchmark_format=csv "$loop" "$out" 2>/dev/null | awk -F, '/^"Image/ { print $1, $3 / 1000 }' |
    while read -r name run_s; do
        row "engine, ${name//\"/}" "$run_s" "$(mbps "$run_s")" "$(ratio "$dd_s" "$run_s")"
    done
echo "(vs dd: dd's time as a share of ours; above 100% we are faster)"
