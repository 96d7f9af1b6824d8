#!/usr/bin/env bash
# usage: bench/copy_throughput.sh [BUILD_DIR] [SIZE_MIB] [FILES]
#        (as root; BUILD_DIR: an optimised build with drovik-cli, default build/release)
#
# Copying out with drovik-cli cp, against peers in the same run:
#  1. one SIZE_MIB file (default 1024) out of a FAT32 and an NTFS image, against cat
#     copying the same bytes from a plain file, both into a tmpfs folder;
#  2. FILES small files (default 100000, 100 folders) out of a FAT32 image into a tmpfs
#     folder, against tsk_recover -a on the same image.
# The page cache is warm for every run (each source is read once before). Prints seconds,
# MB/s or files/s, the ratio to the peer and the peak resident memory of each run.
set -euo pipefail
source "$(dirname "$0")/measure.sh"

build=${1:-build/release}
size_mib=${2:-1024}
files=${3:-100000}
cli="$(program_dir)/drovik-cli"
needs_program "$cli" drovik-cli
needs_root "the NTFS image is filled through FUSE"
needs_tools mkfs.fat mcopy mkntfs ntfs-3g tsk_recover

work=$(mktemp -d "${TMPDIR:-/var/tmp}/drovik-copy-bench.XXXXXX")
out=$(mktemp -d /dev/shm/drovik-copy-out.XXXXXX)
cleanup() {
    unmount_leftovers
    rm -rf "$work" "$out"
}
trap cleanup EXIT
export MTOOLS_SKIP_CHECK=1

fresh() { rm -rf "$out"/*; }
row() { printf "%-34s %8s %12s %8s %10s\n" "$@"; }

echo "making a ${size_mib} MiB file and FAT32 and NTFS images holding it..."
big_file_images "$size_mib"
echo
row "one ${size_mib} MiB file" seconds "MB/s" "vs cat" "peak KiB"
cat "$work/big.bin" >/dev/null
fresh
measure sh -c "cat '$work/big.bin' >'$out/cat.bin'"
cat_seconds=$seconds
row "cat file > tmpfs" "$seconds" "$(mbps "$seconds")" "100%" "$peak_kib"
for fs in fat32 ntfs; do
    cat "$work/$fs.img" >/dev/null
    fresh
    measure "$cli" cp "$work/$fs.img" /big.bin "$out/big.bin"
    cmp -s "$work/big.bin" "$out/big.bin" || { echo "$fs: copy differs" >&2; exit 1; }
    row "drovik-cli cp out of $fs" "$seconds" "$(mbps "$seconds")" \
        "$(ratio "$cat_seconds" "$seconds")" "$peak_kib"
done
rm -f "$work/fat32.img" "$work/ntfs.img" "$work/big.bin"

echo
echo "making a FAT32 image with $files small files in 100 folders..."
python3 - "$work/tree" "$files" <<'EOF'
import os, random, sys
root, count = sys.argv[1], int(sys.argv[2])
rng = random.Random(1)
for i in range(count):
    folder = os.path.join(root, "d%03d" % (i % 100))
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, "file-%06d.dat" % i), "wb") as f:
        f.write(rng.randbytes(rng.randrange(100, 3000)))
EOF
mkfs.fat -F 32 -s 2 -C "$work/small.img" $((320 * 1024)) >/dev/null
mcopy -s -Q -i "$work/small.img" "$work/tree"/* ::/
cat "$work/small.img" >/dev/null

fps() { awk -v n="$files" -v s="$1" 'BEGIN { printf "%.0f", n / s }'; }
echo
row "$files small files (FAT32)" seconds "files/s" "vs tsk" "peak KiB"
fresh
measure tsk_recover -a "$work/small.img" "$out/tsk"
tsk_seconds=$seconds
row "tsk_recover -a" "$seconds" "$(fps "$seconds")" "100%" "$peak_kib"
fresh
measure "$cli" cp "$work/small.img" / "$out/drovik"
diff -r "$work/tree" "$out/drovik" >/dev/null || { echo "small files: copy differs" >&2; exit 1; }
row "drovik-cli cp /" "$seconds" "$(fps "$seconds")" "$(ratio "$seconds" "$tsk_seconds")" "$peak_kib"
echo "(vs tsk: drovik-cli's time as a share of tsk_recover's; the goal is at most 50%)"
