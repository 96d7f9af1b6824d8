#!/usr/bin/env bash
# usage: bench/startup.sh [BUILD_DIR] [RUNS]
#        (as root; BUILD_DIR: an optimised build with drovik, default build/release)
#
# Start-up to an interactive main window: the time from starting drovik under Xvfb until
# its main window (700 x 440, after the small start-up window) is mapped, with three
# loop-attached volumes (FAT32, NTFS and an MBR disk) among the drives it finds.
# Prints every run and the median (goal: under 1 s).
set -euo pipefail
source "$(dirname "$0")/measure.sh"

build=${1:-build/release}
runs=${2:-7}
drovik="$(program_dir)/drovik"
needs_program "$drovik" drovik
needs_root "loop devices"
needs_tools Xvfb xdotool losetup mkfs.fat mkntfs sfdisk

work=$(mktemp -d "${TMPDIR:-/var/tmp}/drovik-startup.XXXXXX")
loops=()
xvfb_pid=""
cleanup() {
    [[ -n $xvfb_pid ]] && kill "$xvfb_pid" 2>/dev/null
    for loop in "${loops[@]}"; do losetup -d "$loop"; done
    rm -rf "$work"
}
trap cleanup EXIT

mkfs.fat -F 32 -C "$work/fat32.img" $((256 * 1024)) >/dev/null
truncate -s 256M "$work/ntfs.img"
mkntfs -F -q -f "$work/ntfs.img" >/dev/null 2>&1
truncate -s 128M "$work/disk.img"
printf 'label: dos\nstart=2048, size=131072, type=6\nstart=133120, type=7\n' |
    sfdisk -q "$work/disk.img"
mkfs.fat -F 16 --offset=2048 "$work/disk.img" $((131072 / 2)) >/dev/null 2>&1
for image in fat32 ntfs disk; do
    loops+=("$(losetup -f --show -r "$work/$image.img")")
done

display=""
for n in $(seq 150 199); do
    [[ ! -e /tmp/.X11-unix/X$n && ! -e /tmp/.X$n-lock ]] && { display=":$n"; break; }
done
[[ -n $display ]] || { echo "no free display number" >&2; exit 2; }
# -noreset: a server resets when its last client leaves, and a probe leaving just
# as drovik connects would take drovik's connection down with it.
Xvfb "$display" -screen 0 1280x800x24 -nolisten tcp -noreset >/dev/null 2>&1 &
xvfb_pid=$!
export DISPLAY=$display
for _ in $(seq 100); do xdotool getdisplaygeometry >/dev/null 2>&1 && break; sleep 0.1; done

main_window_shown() {
    local id
    for id in $(xdotool search --onlyvisible --class drovik 2>/dev/null); do
        xdotool getwindowgeometry "$id" 2>/dev/null | grep -q "Geometry: 700x440" && return 0
    done
    return 1
}

mkdir -p "$work/home"
times=()
for run in $(seq "$runs"); do
    start=$(date +%s%N)
    HOME=$work/home "$drovik" >/dev/null 2>&1 &
    pid=$!
    until main_window_shown; do
        kill -0 "$pid" 2>/dev/null || { echo "drovik ended before its window showed" >&2; exit 1; }
        sleep 0.005
    done
    end=$(date +%s%N)
    kill -TERM "$pid"
    wait "$pid" || true
    times+=("$(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.3f", (b - a) / 1e9 }')")
    echo "run $run: ${times[-1]} s"
done
echo "median of $runs: $(median "${times[@]}") s (goal < 1 s)"
