#!/usr/bin/env bash
# Times the recovery of every file of an NTFS volume with many files against The Sleuth Kit's
# tsk_recover -e on the same image, round by round in the same run, and reports the medians,
# their ratio and the peak memory of each.
#
#   sudo bench/export_ntfs.sh [FILES] [ROUNDS]
#
# Needs root (the volume is filled through ntfs-3g), mkntfs, ntfs-3g, tsk_recover, python3 and
# GNU time. TUNDREL names the tundrel binary (default: build/src/cli/tundrel below the
# repository). KEEP_IMAGE=1 keeps the image and prints its path.
set -euo pipefail

files=${1:-20000}
rounds=${2:-5}
repo=$(cd "$(dirname "$0")/.." && pwd)
tundrel=${TUNDREL:-$repo/build/src/cli/tundrel}
gnu_time=/usr/bin/time

for tool in mkntfs ntfs-3g tsk_recover python3 "$gnu_time" "$tundrel"; do
    command -v "$tool" >/dev/null || { echo "export_ntfs.sh: '$tool' is missing" >&2; exit 2; }
done
[ "$(id -u)" -eq 0 ] || { echo "export_ntfs.sh: run as root (FUSE mount)" >&2; exit 2; }

work=$(mktemp -d /tmp/tundrel-export-bench.XXXXXX)
image=$work/volume.img
mountpoint=$work/mnt
cleanup() {
    mountpoint -q "$mountpoint" 2>/dev/null && umount "$mountpoint"
    mountpoint -q "$work/out" 2>/dev/null && umount "$work/out"
    if [ "${KEEP_IMAGE:-0}" = 1 ]; then echo "image kept: $image"; rm -rf "$work/out"; else rm -rf "$work"; fi
}
trap cleanup EXIT

# 4 KiB clusters; files of 200 bytes to 64 KiB in folders of 500; a tenth deleted.
truncate -s 2G "$image"
mkntfs -q -F -f -c 4096 -L EXPBENCH "$image" >/dev/null 2>&1
mkdir -p "$mountpoint"
ntfs-3g "$image" "$mountpoint"
python3 - "$mountpoint" "$files" <<'PY'
import os, random, sys
root, count = sys.argv[1], int(sys.argv[2])
random.seed(2)
block = bytes(random.getrandbits(8) for _ in range(1 << 17))
made = []
for i in range(count):
    folder = os.path.join(root, "Folder %03d" % (i // 500))
    os.makedirs(folder, exist_ok=True)
    path = os.path.join(folder, "Document %06d.bin" % i)
    size = 200 + (i * 7919) % 65000
    with open(path, "wb") as f:
        f.write(block[(i * 131) % 60000:][:size])
    made.append(path)
for path in made[::10]:
    os.remove(path)
PY
umount "$mountpoint"
sync

measure() {  # prints "seconds peak-kilobytes" of one run of the command
    local report
    report=$(mktemp)
    "$gnu_time" -f "%e %M" -o "$report" "$@" >/dev/null 2>/dev/null || true
    cat "$report"
    rm -f "$report"
}
source "$(dirname "$0")/timing.sh"
count_files() { find "$1" -type f | wc -l; }

# Both write into memory, so that the disk's write-back does not decide the race.
mkdir -p "$work/out"
mount -t tmpfs -o size=8G tmpfs "$work/out"
ours_out=$work/out/tundrel
tsk_out=$work/out/tsk
ours_cmd=("$tundrel" export "$image" --all -q --to "$ours_out")
tsk_cmd=(tsk_recover -e "$image" "$tsk_out")
# Warm the page cache so that both read the image from memory.
cat "$image" >/dev/null

ours_times=() ours_mem=() tsk_times=() tsk_mem=()
for ((round = 1; round <= rounds; round++)); do
    rm -rf "$ours_out" "$tsk_out"; mkdir -p "$ours_out" "$tsk_out"
    read -r t m < <(measure "${ours_cmd[@]}"); ours_times+=("$t"); ours_mem+=("$m")
    read -r t m < <(measure "${tsk_cmd[@]}"); tsk_times+=("$t"); tsk_mem+=("$m")
    echo "round $round: tundrel ${ours_times[-1]} s ${ours_mem[-1]} KiB, tsk_recover ${tsk_times[-1]} s ${tsk_mem[-1]} KiB"
done
echo "files on the volume: $files (a tenth deleted); written: tundrel $(count_files "$ours_out"), tsk_recover $(count_files "$tsk_out")"

ours_median=$(printf '%s\n' "${ours_times[@]}" | median)
tsk_median=$(printf '%s\n' "${tsk_times[@]}" | median)
echo "median: tundrel $ours_median s, tsk_recover $tsk_median s, ratio $(awk -v a="$ours_median" -v b="$tsk_median" 'BEGIN { printf "%.2f", (b > 0) ? a / b : 0 }')"
echo "peak RSS: tundrel $(printf '%s\n' "${ours_mem[@]}" | sort -n | tail -1) KiB, tsk_recover $(printf '%s\n' "${tsk_mem[@]}" | sort -n | tail -1) KiB"
