# Shared by the whole-run comparisons: source it first. The checks stop the script with
# 2 when something it needs is missing; measure needs $work (a scratch folder).

# needs_program PATH TARGET: a program of the build ($build).
needs_program() {
    [[ -x $1 ]] || { echo "no $1: cmake --build $build --target $2" >&2; exit 2; }
}
# program_dir: the folder where the build $build puts its programs (the optimised build
# of make run puts them in build/bin, beside the manual).
program_dir() {
    local dir
    dir=$(sed -n 's/^CMAKE_RUNTIME_OUTPUT_DIRECTORY:[A-Z]*=//p' "$build/CMakeCache.txt" 2>/dev/null)
    echo "${dir:-$build/bin}"
}
# needs_root WHY
needs_root() {
    [[ $(id -u) == 0 ]] || { echo "needs root ($1)" >&2; exit 2; }
}
# needs_tools TOOL...
needs_tools() {
    local tool
    for tool; do
        command -v "$tool" >/dev/null || { echo "needs $tool" >&2; exit 2; }
    done
}

# Runs COMMAND... under GNU time with its stdout to /dev/null; sets seconds (wall clock)
# and peak_kib (maximum resident set). On failure prints the command's stderr.
measure() {
    local log="$work/time.log" start end
    start=$(date +%s%N)
    /usr/bin/time -v -o "$log" "$@" >/dev/null 2>"$work/stderr.log" || {
        cat "$work/stderr.log" >&2
        return 1
    }
    end=$(date +%s%N)
    seconds=$(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.3f", (b - a) / 1e9 }')
    peak_kib=$(awk -F': ' '/Maximum resident set size/ { print $2 }' "$log")
}

# random_image_on_loop SIZE_MIB: $image, SIZE_MIB of random bytes in a new scratch folder
# $work, attached read-only to the loop device $loop; both go when the script exits. Sets
# bytes, and can_drop to 1 when the page cache can be dropped (drop_caches).
random_image_on_loop() {
    work=$(mktemp -d "${TMPDIR:-/tmp}/drovik-bench.XXXXXX")
    image="$work/image.bin"
    loop=""
    trap detach_and_clean EXIT
    echo "making a $1 MiB image of random bytes..."
    head -c "$(($1 << 20))" /dev/urandom >"$image"
    sync
    loop=$(losetup -f --show -r "$image")
    bytes=$(($1 << 20))
    can_drop=0
    if echo 3 >/proc/sys/vm/drop_caches 2>/dev/null; then can_drop=1; fi
}
detach_and_clean() {
    [[ -n $loop ]] && losetup -d "$loop" || true
    rm -rf "$work"
}
drop_caches() { sync; echo 3 >/proc/sys/vm/drop_caches; }

# ratio A B: A as a percentage of B.
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.0f%%", 100 * a / b }'; }
# per_second COUNT SECONDS
per_second() { awk -v n="$1" -v s="$2" 'BEGIN { printf "%.0f", n / s }'; }
# median VALUE...
median() { printf "%s\n" "$@" | sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
# mbps SECONDS: $bytes in SECONDS as MB/s (10^6 bytes).
mbps() { awk -v b="$bytes" -v s="$1" 'BEGIN { printf "%.0f", b / s / 1e6 }'; }

# ntfs_image IMAGE BYTES SOURCE...: a new NTFS image of BYTES holding copies of the
# SOURCE files and folders, written through an ntfs-3g mount. A run that stops meanwhile
# leaves the mount to unmount_leftovers, which its exit handler calls.
ntfs_mount=""
ntfs_image() {
    local image=$1 size=$2
    shift 2
    truncate -s "$size" "$image"
    mkntfs -F -q -f "$image" >/dev/null 2>&1
    ntfs_mount=$(mktemp -d)
    ntfs-3g "$image" "$ntfs_mount"
    cp -r "$@" "$ntfs_mount/"
    unmount_leftovers
}
unmount_leftovers() {
    [[ -n $ntfs_mount ]] || return 0
    mountpoint -q "$ntfs_mount" && umount "$ntfs_mount"
    rmdir "$ntfs_mount"
    ntfs_mount=""
}

# small_file_tree FOLDER COUNT: COUNT files of 0 to 12000 random bytes in 100 folders of
# 10 sub-folders each, the same every run; sets bytes to their total size.
small_file_tree() {
    python3 - "$1" "$2" <<'PY'
import os, random, sys
root, count = sys.argv[1], int(sys.argv[2])
rng = random.Random(1)
for i in range(count):
    folder = os.path.join(root, "d%02d" % (i % 100), "e%d" % (i // 100 % 10))
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, "file-%06d.dat" % i), "wb") as f:
        f.write(rng.randbytes(rng.randrange(0, 12000)))
PY
    bytes=$(du -sb --apparent-size "$1" | awk '{ print $1 }')
}

# big_file_images SIZE_MIB: $work/big.bin of random bytes, and $work/fat32.img and
# $work/ntfs.img holding it as /big.bin; sets bytes.
big_file_images() {
    bytes=$(($1 << 20))
    head -c "$bytes" /dev/urandom >"$work/big.bin"
    local image_kib=$((($1 + 64) * 1024))
    mkfs.fat -F 32 -C "$work/fat32.img" "$image_kib" >/dev/null
    MTOOLS_SKIP_CHECK=1 mcopy -i "$work/fat32.img" "$work/big.bin" ::/big.bin
    ntfs_image "$work/ntfs.img" "$((image_kib * 1024))" "$work/big.bin"
}
