#!/usr/bin/env bash
# usage: bench/exfat_scan.sh [BUILD_DIR] [PHOTOS] [SIZE_MIB]
#        (as root; BUILD_DIR: an optimised build with drovik-cli, default build/release)
#
# A camera-like exFAT card of SIZE_MIB (default 1024, 32 KiB clusters) holding PHOTOS
# JPEG-like files of 100 to 600 KiB (default 2000) in DCIM folders, written through
# exfat-fuse, a tenth of them deleted, with both boot regions zeroed. Against dd reading
# the same image in the same run (page cache warm):
#  1. drovik-cli scan --method exfat: the search stops at the root folder near the front,
#     then the tree is walked;
#  2. the same with the root folder's first sector zeroed too, where the search reads the
#     whole card and finds nothing: the rate at which it examines sectors.
# Prints seconds, MB/s, the ratio to dd and the peak resident memory.
set -euo pipefail
source "$(dirname "$0")/measure.sh"

build=${1:-build/release}
photos=${2:-2000}
size_mib=${3:-1024}
cli="$(program_dir)/drovik-cli"
needs_program "$cli" drovik-cli
needs_tools mkfs.exfat mount.exfat-fuse python3
needs_root "loop devices and the exfat-fuse mount"

work=$(mktemp -d "${TMPDIR:-/var/tmp}/drovik-exfat-scan.XXXXXX")
mnt=""
loop=""
cleanup() {
    [[ -n $mnt ]] && mountpoint -q "$mnt" && umount "$mnt"
    [[ -n $loop ]] && losetup -d "$loop"
    rm -rf "$work"
}
trap cleanup EXIT
row() { printf "%-40s %8s %8s %8s %10s\n" "$@"; }

echo "making $photos photos and a $size_mib MiB exFAT card holding them..."
python3 - "$work/tree" "$photos" <<'PY'
import os, random, sys
root, count = sys.argv[1], int(sys.argv[2])
rng = random.Random(1)
for i in range(count):
    folder = os.path.join(root, "DCIM", "%03dCAMRA" % (100 + i // 500))
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, "IMG_%04d.JPG" % i), "wb") as f:
        f.write(b"\xff\xd8\xff\xe0" + rng.randbytes(rng.randrange(100, 600) * 1024) + b"\xff\xd9")
PY
image="$work/card.img"
truncate -s $((size_mib << 20)) "$image"
mkfs.exfat -c 32768 -L CARD "$image" >/dev/null
loop=$(losetup -f --show "$image")
mnt=$(mktemp -d)
mount.exfat-fuse "$loop" "$mnt" >/dev/null 2>&1
cp -r "$work/tree/." "$mnt/"
find "$mnt/DCIM" -name 'IMG_*[05].JPG' -delete
umount "$mnt"
losetup -d "$loop"
loop=""
dd if=/dev/zero of="$image" bs=512 count=24 conv=notrunc status=none
bytes=$(stat -c %s "$image")
cat "$image" >/dev/null

echo
row "scanning $((bytes >> 20)) MiB" seconds "MB/s" "vs dd" "peak KiB"
measure dd if="$image" of=/dev/null bs=1M
dd_seconds=$seconds
row "dd bs=1M" "$seconds" "$(mbps "$seconds")" "100%" "$peak_kib"
measure "$cli" scan "$image" --method exfat --out "$work/result"
row "drovik-cli scan --method exfat" "$seconds" "$(mbps "$seconds")" \
    "$(ratio "$dd_seconds" "$seconds")" "$peak_kib"
"$cli" scan "$image" --method exfat --out "$work/result"

# The root's first sector: the first one after the up-case table whose entries the
# search takes for the root's.
root=$(python3 - "$image" <<'PY'
import sys
with open(sys.argv[1], "rb") as f:
    data = f.read(64 << 20)
for at in range(0, len(data), 512):
    sector = data[at:at + 512]
    types = sector[0:512:32]
    if 0x81 in types and 0x82 in types:
        print(at // 512)
        break
PY
)
dd if=/dev/zero of="$image" bs=512 seek="$root" count=1 conv=notrunc status=none
cat "$image" >/dev/null
measure bash -c "'$cli' scan '$image' --method exfat --out '$work/none' 2>/dev/null || true"
row "search of the whole card, nothing found" "$seconds" "$(mbps "$seconds")" \
    "$(ratio "$dd_seconds" "$seconds")" "$peak_kib"
echo "(vs dd: dd's time as a share of drovik-cli's, so throughput relative to dd)"
