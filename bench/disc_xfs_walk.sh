#!/usr/bin/env bash
# usage: bench/disc_xfs_walk.sh [BUILD_DIR] [FILES] [RUNS]
#        (BUILD_DIR: an optimised build with drovik-cli, default build/release)
#
# One tree of FILES small files (default 20000) in nested folders, as an ISO 9660 image
# (genisoimage -R -J), as an XFS volume (mkfs.xfs, filled through a loop mount) and as
# UFS2 and UFS1 volumes (makefs), against peers in the same run (hyperfine, median of RUNS
# runs, default 5):
#  1. listing the whole tree: drovik-cli ls -r against fls -r -p on the ISO image and the
#     UFS1 volume, and against find over the XFS volume freshly mounted (goal: at most half
#     their time). The Sleuth Kit looks for UFS2 only at 64 KiB, where makefs does not put
#     it, so the UFS2 listing is set against fls on the UFS1 volume of the same tree;
#  2. reading every file out into a tmpfs folder with drovik-cli cp /, against cat of
#     every file of the plain tree over the same bytes (goal: at least 90% of its
#     throughput).
# The image files are in the page cache for every run. Needs root (loop mount).
set -euo pipefail
source "$(dirname "$0")/measure.sh"

build=${1:-build/release}
files=${2:-20000}
runs=${3:-5}
cli="$(program_dir)/drovik-cli"
needs_program "$cli" drovik-cli
needs_root
needs_tools genisoimage mkfs.xfs makefs fls hyperfine python3

work=$(mktemp -d "${TMPDIR:-/var/tmp}/drovik-disc-bench.XXXXXX")
out=$(mktemp -d /dev/shm/drovik-disc-out.XXXXXX)
mnt=$(mktemp -d)
trap 'mountpoint -q "$mnt" && umount "$mnt"; rmdir "$mnt"; rm -rf "$work" "$out"' EXIT
row() { printf "%-34s %8s %12s %8s\n" "$@"; }
median_of() { python3 -c 'import json, sys; print("%.3f" % json.load(open(sys.argv[1]))["results"][0]["median"])' "$1"; }
# timed NAME PREPARE COMMAND: hyperfine's median of RUNS runs into $seconds.
timed() {
    local name=$1 prepare=$2
    shift 2
    hyperfine --style none --warmup 1 --runs "$runs" --export-json "$work/$name.json" \
        --prepare "rm -rf $out/copy; $prepare" "$*" >/dev/null
    rm -rf "$out/copy"
    seconds=$(median_of "$work/$name.json")
}

echo "making $files files in nested folders, an ISO image, an XFS and two UFS volumes holding them..."
small_file_tree "$work/tree" "$files"
genisoimage -quiet -R -J -o "$work/tree.iso" "$work/tree"
truncate -s $(((bytes * 3 >> 20) + 400))M "$work/xfs.img"
mkfs.xfs -q -f "$work/xfs.img"
mount -o loop "$work/xfs.img" "$mnt"
cp -r "$work/tree/." "$mnt/"
umount "$mnt"
makefs -t ffs -o version=2 "$work/ufs2.img" "$work/tree" >/dev/null
makefs -t ffs -o version=1 "$work/ufs1.img" "$work/tree" >/dev/null
cat "$work/tree.iso" "$work/xfs.img" "$work/ufs2.img" "$work/ufs1.img" >/dev/null
find "$work/tree" -type f -exec cat {} + >/dev/null

echo
row "listing $files files" seconds "entries/s" "vs peer"
entries=$(fls -r -p "$work/tree.iso" | grep -c -v -e '\$OrphanFiles')
timed fls true fls -r -p "$work/tree.iso"
peer=$seconds
row "fls -r -p (ISO 9660)" "$seconds" "$(per_second "$entries" "$seconds")" "100%"
listed=$("$cli" ls "$work/tree.iso" -r | wc -l)
timed iso_ls true "$cli" ls "$work/tree.iso" -r
row "drovik-cli ls -r (ISO 9660)" "$seconds" "$(per_second "$listed" "$seconds")" \
    "$(ratio "$seconds" "$peer")"
timed find "umount $mnt 2>/dev/null || true; mount -o loop,ro $work/xfs.img $mnt" find "$mnt"
umount "$mnt"
peer=$seconds
row "find over a fresh mount (XFS)" "$seconds" "$(per_second "$listed" "$seconds")" "100%"
timed xfs_ls true "$cli" ls "$work/xfs.img" -r
row "drovik-cli ls -r (XFS)" "$seconds" "$(per_second "$listed" "$seconds")" \
    "$(ratio "$seconds" "$peer")"
timed fls_ufs true fls -r -p "$work/ufs1.img"
peer=$seconds
row "fls -r -p (UFS1)" "$seconds" "$(per_second "$entries" "$seconds")" "100%"
for image in ufs1 ufs2; do
    timed "${image}_ls" true "$cli" ls "$work/$image.img" -r
    row "drovik-cli ls -r (${image^^})" "$seconds" "$(per_second "$listed" "$seconds")" \
        "$(ratio "$seconds" "$peer")"
done
echo "(vs peer: drovik-cli's time as a share of the peer's; the goal is at most 50%)"

echo
row "reading $((bytes >> 20)) MiB in $files files" seconds "MB/s" "vs cat"
timed cat true find "$work/tree" -type f -exec cat {} + ">/dev/null"
cat_seconds=$seconds
row "cat of every plain file" "$seconds" "$(mbps "$seconds")" "100%"
for image in tree.iso xfs.img ufs2.img ufs1.img; do
    timed "cp-$image" true "$cli" cp "$work/$image" / "$out/copy"
    "$cli" cp "$work/$image" / "$out/copy" >/dev/null 2>&1
    if ! diff -r "$work/tree" "$out/copy" >/dev/null; then
        # makefs (20190105) lays UFS2 inode blocks out lazily and may zero a block again
        # after writing inodes into it; the folders whose inodes it wiped are missing.
        [[ $image == ufs2.img ]] || { echo "$image: copy differs" >&2; exit 1; }
        echo "$image: $(diff -r "$work/tree" "$out/copy" | wc -l) entries that makefs wiped are missing" >&2
    fi
    rm -rf "$out/copy"
    row "drovik-cli cp / ($image)" "$seconds" "$(mbps "$seconds")" \
        "$(ratio "$cat_seconds" "$seconds")"
done
echo "(vs cat: throughput as a share of cat's over the plain tree; the goal is at least 90%)"
