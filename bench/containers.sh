#!/usr/bin/env bash
# usage: bench/containers.sh [BUILD_DIR] [SIZE_MIB] [RUNS]
#        (as root; BUILD_DIR: an optimised build with drovik-cli, default build/release)
#
# 1. Reading a whole disk of SIZE_MIB (default 1024: random bytes, every eighth MiB left
#    empty) through each container qemu-img writes (VMDK monolithic sparse, VHD dynamic,
#    Parallels): drovik-cli dump --raw --count all into a tmpfs file against qemu-img
#    convert -O raw of the same container into a tmpfs file (the goal: at least qemu-img's
#    throughput), and the raw image itself through drovik-cli for scale.
# 2. Listing an NTFS volume of 20000 small files inside a dynamic VHD against listing the
#    raw volume (the goal: within 10 %).
# Medians of RUNS hyperfine runs (default 5) with a warm page cache. The throughput ratio
# is qemu-img's time over ours (above 1: we are faster).
set -euo pipefail
source "$(dirname "$0")/measure.sh"

build=${1:-build/release}
size_mib=${2:-1024}
runs=${3:-5}
cli="$(program_dir)/drovik-cli"
needs_program "$cli" drovik-cli
needs_root "the NTFS volume is filled through FUSE"
needs_tools qemu-img hyperfine mkntfs ntfs-3g python3

work=$(mktemp -d "${TMPDIR:-/var/tmp}/drovik-containers-bench.XXXXXX")
out=$(mktemp -d /dev/shm/drovik-containers-out.XXXXXX)
cleanup() {
    unmount_leftovers
    rm -rf "$work" "$out"
}
trap cleanup EXIT

# median_of JSON: the median seconds of hyperfine's only command.
median_of() { python3 -c 'import json,sys; print("%.3f" % json.load(open(sys.argv[1]))["results"][0]["median"])' "$1"; }
timed() { # NAME COMMAND: the median of COMMAND's runs in $median
    hyperfine --style none --warmup 1 --runs "$runs" --export-json "$work/$1.json" "$2" >/dev/null
    median=$(median_of "$work/$1.json")
}
row() { printf "%-22s %10s %10s %10s %12s %8s\n" "$@"; }

echo "making a $size_mib MiB disk with holes and its containers..."
head -c "$((size_mib << 20))" /dev/urandom >"$work/disk.raw"
for ((mib = 0; mib < size_mib; mib += 8)); do
    dd if=/dev/zero of="$work/disk.raw" bs=1M seek="$mib" count=1 conv=notrunc status=none
done
qemu-img convert -f raw -O vmdk "$work/disk.raw" "$work/disk.vmdk"
qemu-img convert -f raw -O vpc -o subformat=dynamic "$work/disk.raw" "$work/disk.vhd"
qemu-img convert -f raw -O parallels "$work/disk.raw" "$work/disk.hdd"
cat "$work"/disk.* >/dev/null
bytes=$((size_mib << 20))

echo
row container "ours s" "qemu s" "ours MB/s" "qemu MB/s" ratio
timed raw "$cli dump $work/disk.raw --raw --count all > $out/out.raw"
row "raw image" "$median" - "$(mbps "$median")" - -
for container in vmdk:vmdk vhd:vpc hdd:parallels; do
    extension=${container%:*}
    format=${container#*:}
    timed "ours-$extension" "$cli dump $work/disk.$extension --raw --count all > $out/out.raw"
    ours=$median
    timed "qemu-$extension" "qemu-img convert -f $format -O raw $work/disk.$extension $out/out.raw"
    qemu=$median
    row "$format" "$ours" "$qemu" "$(mbps "$ours")" "$(mbps "$qemu")" \
        "$(awk -v a="$qemu" -v b="$ours" 'BEGIN { printf "%.2f", a / b }')"
done
rm -f "$out/out.raw" "$work"/disk.*

echo
echo "making an NTFS volume of 20000 files and a dynamic VHD of it..."
small_file_tree "$work/tree" 20000
ntfs_image "$work/ntfs.img" $((bytes * 2 + (256 << 20))) "$work/tree/."
qemu-img convert -f raw -O vpc -o subformat=dynamic "$work/ntfs.img" "$work/ntfs.vhd"
cat "$work/ntfs.img" "$work/ntfs.vhd" >/dev/null
echo
row listing "seconds" "" "" "" "vs raw"
timed ls-raw "$cli ls $work/ntfs.img -r"
raw=$median
row "raw volume" "$raw" "" "" "" "100%"
timed ls-vhd "$cli ls $work/ntfs.vhd -r"
row "inside a dynamic VHD" "$median" "" "" "" "$(ratio "$median" "$raw")"
