#!/usr/bin/env bash
# usage: bench/content_scan.sh [BUILD_DIR] [SIZE_MIB] [FILES] [RUNS]
#        (BUILD_DIR: an optimised build with drovik-cli and drovik.urrs, default build/release)
#
# Finding lost files by their content, against PhotoRec and foremost on the same image in
# the same run. The image (default 1024 MiB of random bytes) holds FILES files (default
# 500) made by real programs (tests/fixtures/sample-files.sh: pictures, PDF, office
# documents, audio, video, archives, databases), each at a random sector of its own slot.
# Every program reads every 512-byte sector with all of its file types:
#  - drovik-cli scan --method content with the shipped rules, then cp of what it found;
#  - photorec with every file type enabled, on the image as a disk without partitions;
#  - foremost -q (sector starts only) with every built-in type.
# Each runs RUNS times (default 3), the programs taking turns, with a warm page cache.
# Printed: the median time of each and its throughput, as a ratio to PhotoRec's, the peak
# memory, the files each wrote, how many of the placed files it recovered byte for byte,
# and those exact files by type.
set -euo pipefail
source "$(dirname "$0")/measure.sh"

build=${1:-build/release}
size_mib=${2:-1024}
files=${3:-500}
runs=${4:-3}
cli="$(program_dir)/drovik-cli"
needs_program "$cli" drovik-cli
needs_tools photorec foremost python3 sha256sum
top=$(cd "$(dirname "$0")/.." && pwd)

work=$(mktemp -d "${TMPDIR:-/var/tmp}/drovik-content-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir "$work/samples"

echo "making $files sample files with real programs..."
seed=1
made=0
while ((made < files)); do
    made=$((made + $(bash "$top/tests/fixtures/sample-files.sh" "$seed" "$work/samples" | wc -l)))
    seed=$((seed + 1))
done

echo "laying them into a $size_mib MiB image of random bytes..."
image="$work/image.bin"
bytes=$((size_mib << 20))
python3 - "$work/samples" "$image" "$bytes" "$files" "$work/placed.txt" <<'PY'
import hashlib, os, random, sys
folder, image, size, count, placed = sys.argv[1], sys.argv[2], int(sys.argv[3]), int(sys.argv[4]), sys.argv[5]
names = sorted(os.listdir(folder), key=lambda n: (int(n.split("-")[0]), n))[:count]
rng = random.Random(1)
slot = size // count // 512 * 512
with open(image, "wb") as out:
    for _ in range(size >> 20):
        out.write(os.urandom(1 << 20))
    with open(placed, "w") as manifest:
        for i, name in enumerate(names):
            data = open(os.path.join(folder, name), "rb").read()
            room = (slot - len(data)) // 512
            if room <= 0:
                sys.exit(f"{name} does not fit a slot of {slot} bytes")
            sector = i * slot // 512 + rng.randrange(room)
            out.seek(sector * 512)
            out.write(data)
            manifest.write(f"{hashlib.sha256(data).hexdigest()} {name}\n")
PY

scan_drovik() { # OUT
    "$cli" scan "$image" --method content --out "$1/found" >/dev/null &&
        "$cli" cp "$image" --result "$1/found-content.drdb" / "$1/files"
}
scan_photorec() { # OUT
    photorec /d "$1/files/recup" /cmd "$image" partition_none,fileopt,everything,enable,search
}
scan_foremost() { # OUT
    foremost -q -t all -i "$image" -o "$1/files"
}

export cli image
export -f scan_drovik scan_photorec scan_foremost
tools=(drovik photorec foremost)
declare -A times=() peaks=()
cat "$image" >/dev/null
for ((round = 1; round <= runs; round++)); do
    for tool in "${tools[@]}"; do
        out="$work/$tool-$round"
        rm -rf "$work"/"$tool"-*
        mkdir -p "$out/files"
        cd "$out"
        measure bash -c "scan_$tool \"\$0\"" "$out"
        cd "$work"
        times[$tool]+="$seconds "
        peaks[$tool]=$peak_kib
    done
done

# The exact files: a recovered file whose bytes are those of a placed one.
compare() { # TOOL
    python3 - "$work/placed.txt" "$work/$1-$runs/files" <<'PY'
import collections, hashlib, os, sys
placed = [line.split() for line in open(sys.argv[1])]
found = set()
written = 0
for root, _, names in os.walk(sys.argv[2]):
    for name in names:
        written += 1
        with open(os.path.join(root, name), "rb") as f:
            found.add(hashlib.sha256(f.read()).hexdigest())
exact = collections.Counter(name.rsplit(".", 1)[1] for digest, name in placed if digest in found)
total = collections.Counter(name.rsplit(".", 1)[1] for _, name in placed)
print(written, sum(exact.values()), " ".join(f"{k}:{exact[k]}/{total[k]}" for k in sorted(total)))
PY
}

photorec_median=$(median ${times[photorec]})
row() { printf "%-9s %9s %8s %9s %9s %8s %8s\n" "$@"; }
echo
echo "$files files in $size_mib MiB, every sector, median of $runs runs"
row program seconds "MB/s" "vs photo" "peak MiB" written exact
declare -A by_type=()
for tool in "${tools[@]}"; do
    took=$(median ${times[$tool]})
    read -r written exact types < <(compare "$tool")
    by_type[$tool]=$types
    row "$tool" "$took" "$(mbps "$took")" "$(ratio "$photorec_median" "$took")" \
        "$((peaks[$tool] / 1024))" "$written" "$exact/$files"
done
echo
echo "exact files by type:"
for tool in "${tools[@]}"; do
    echo "$tool: ${by_type[$tool]}"
done
