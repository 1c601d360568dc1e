#!/usr/bin/env bash
# Times a deleted-file scan of a large FAT32 volume against The Sleuth Kit's fls on the same
# image, and reports the median of several rounds and the peak memory of each.
#
#   bench/fat_scan.sh [FILES] [ROUNDS]
#
# The volume (default 100,000 files, a fifth of them deleted) is written by
# make_fat32_volume.py beside this script: filling a volume through mtools takes hours at this
# size, and a loop mount needs a kernel with the vfat driver. Needs python3, fls and GNU time
# (package "time"); fsck.fat, when present, checks the volume first. TUNDREL names the tundrel
# binary (default: build/src/cli/tundrel below the repository; build it with
# -DCMAKE_BUILD_TYPE=Release). KEEP_IMAGE=1 keeps the image.
set -euo pipefail

files=${1:-100000}
rounds=${2:-5}
here=$(cd "$(dirname "$0")" && pwd)
tundrel=${TUNDREL:-$here/../build/src/cli/tundrel}
gnu_time=/usr/bin/time

for tool in python3 fls "$gnu_time" "$tundrel"; do
    command -v "$tool" >/dev/null || { echo "fat_scan.sh: '$tool' is missing" >&2; exit 2; }
done

work=$(mktemp -d /tmp/tundrel-fat-bench.XXXXXX)
image=$work/volume.img
cleanup() { if [ "${KEEP_IMAGE:-0}" = 1 ]; then echo "image kept: $image"; else rm -rf "$work"; fi; }
trap cleanup EXIT

python3 "$here/make_fat32_volume.py" "$image" "$files"
if command -v fsck.fat >/dev/null; then
    fsck.fat -n "$image" 2>/dev/null | tail -1 || true
fi

# Prints "seconds peak-KiB" of one run of the command, its output thrown away.
measure() {
    local report
    report=$(mktemp)
    "$gnu_time" -f "%e %M" -o "$report" "$@" >/dev/null 2>/dev/null
    cat "$report"
    rm -f "$report"
}
source "$(dirname "$0")/timing.sh"
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", (b > 0) ? a / b : 0 }'; }

ours=("$tundrel" scan --mode deleted -q --json "$image")
listing=(fls -r -d -p "$image")
# The same scan without the JSON listing: the engine's own share of the time.
scan_only=("$tundrel" scan --mode deleted -q "$image")
# Both read the image from the page cache: warm it first.
"${ours[@]}" >/dev/null 2>&1
"${listing[@]}" >/dev/null 2>&1

ours_times=() ours_mem=() fls_times=() fls_mem=() scan_times=()
for ((round = 1; round <= rounds; round++)); do
    read -r t m < <(measure "${ours[@]}")
    ours_times+=("$t") ours_mem+=("$m")
    read -r t m < <(measure "${listing[@]}")
    fls_times+=("$t") fls_mem+=("$m")
    read -r t m < <(measure "${scan_only[@]}")
    scan_times+=("$t")
    echo "round $round: tundrel ${ours_times[-1]} s ${ours_mem[-1]} KiB, fls ${fls_times[-1]} s ${fls_mem[-1]} KiB"
done

ours_median=$(printf '%s\n' "${ours_times[@]}" | median)
fls_median=$(printf '%s\n' "${fls_times[@]}" | median)
echo "output lines: tundrel $("${ours[@]}" | wc -l), fls $("${listing[@]}" | wc -l)"
echo "median: tundrel $ours_median s, fls $fls_median s, ratio $(ratio "$ours_median" "$fls_median")"
scan_median=$(printf '%s\n' "${scan_times[@]}" | median)
echo "median without --json: tundrel $scan_median s, ratio $(ratio "$scan_median" "$fls_median")"
echo "peak RSS: tundrel $(printf '%s\n' "${ours_mem[@]}" | sort -n | tail -1) KiB, fls $(printf '%s\n' "${fls_mem[@]}" | sort -n | tail -1) KiB"
