#!/usr/bin/env bash
# Times a deleted-file scan of an exFAT volume with many files against The Sleuth Kit's fls on
# the same image, round by round in the same run, and reports the medians, their ratio and the
# peak memory of each.
#
#   sudo bench/exfat_scan.sh [FILES] [ROUNDS]
#
# Needs root (the volume is filled through a loop device and exfat-fuse, or the kernel's exfat
# driver where it exists), mkfs.exfat, losetup, fls, python3 and GNU time. TUNDREL names the
# tundrel binary (default: build/src/cli/tundrel below the repository). KEEP_IMAGE=1 keeps
# the image and prints its path; IMAGE=path scans an image made before instead of a new one.
set -euo pipefail

files=${1:-60000}
rounds=${2:-5}
repo=$(cd "$(dirname "$0")/.." && pwd)
tundrel=${TUNDREL:-$repo/build/src/cli/tundrel}
gnu_time=/usr/bin/time

for tool in mkfs.exfat losetup mount fls python3 "$gnu_time" "$tundrel"; do
    command -v "$tool" >/dev/null || { echo "exfat_scan.sh: '$tool' is missing" >&2; exit 2; }
done

work=$(mktemp -d /tmp/tundrel-exfat-bench.XXXXXX)
image=${IMAGE:-$work/volume.img}
mountpoint=$work/mnt
loop=
cleanup() {
    mountpoint -q "$mountpoint" 2>/dev/null && umount "$mountpoint"
    [ -n "$loop" ] && losetup -d "$loop" 2>/dev/null
    if [ "${KEEP_IMAGE:-0}" = 1 ] && [ -z "${IMAGE:-}" ]; then
        mv "$image" "/tmp/tundrel-exfat-bench.img" && echo "image kept: /tmp/tundrel-exfat-bench.img"
    fi
    rm -rf "$work"
}
trap cleanup EXIT

if [ -z "${IMAGE:-}" ]; then
    [ "$(id -u)" -eq 0 ] || { echo "exfat_scan.sh: run as root (loop device and mount)" >&2; exit 2; }
    # 4 KiB clusters; files of 200 bytes to 12 KiB in folders of 1,000 (every seventh in a
    # subfolder), names long enough for two name entries; a fifth deleted, and one folder
    # in twenty deleted whole.
    truncate -s 1G "$image"
    mkfs.exfat -c 4K -L EXFBENCH "$image" >/dev/null
    mkdir -p "$mountpoint"
    loop=$(losetup --find --show "$image")
    if ! mount -t exfat "$loop" "$mountpoint" 2>/dev/null; then
        command -v mount.exfat-fuse >/dev/null || { echo "exfat_scan.sh: no exfat driver and no exfat-fuse" >&2; exit 2; }
        mount.exfat-fuse "$loop" "$mountpoint" >/dev/null 2>&1
    fi
    python3 - "$mountpoint" "$files" <<'PY'
import os, random, shutil, sys
root, count = sys.argv[1], int(sys.argv[2])
random.seed(3)
block = bytes(random.getrandbits(8) for _ in range(65536))
per_folder = 1000
made = []
for i in range(count):
    folder = os.path.join(root, "Folder %03d" % (i // per_folder), "sub" if i % 7 == 0 else "")
    os.makedirs(folder, exist_ok=True)
    path = os.path.join(folder, "Report number %06d.txt" % i)
    size = 200 + (i * 7919) % 12000
    with open(path, "wb") as f:
        f.write(block[(i * 131) % 50000:][:size])
    made.append(path)
for path in made[::5]:
    os.remove(path)
for number in range(0, count // per_folder, 20):
    shutil.rmtree(os.path.join(root, "Folder %03d" % number), ignore_errors=True)
PY
    umount "$mountpoint"
    losetup -d "$loop"
    loop=
    sync
fi

# Prints "seconds peak-kilobytes" of one run of the command.
measure() {
    local report
    report=$(mktemp)
    "$gnu_time" -f "%e %M" -o "$report" "$@" >/dev/null 2>/dev/null
    cat "$report"
    rm -f "$report"
}

source "$(dirname "$0")/timing.sh"

ours_cmd=("$tundrel" scan --mode deleted -q --json "$image")
fls_cmd=(fls -r -d -p "$image")
# The same scan without printing the tree (only the seven root folders are listed): the
# engine's share of the time above.
scan_only_cmd=("$tundrel" ls --mode deleted -q "$image")
# Warm the page cache so that both read the image from memory.
"${ours_cmd[@]}" >/dev/null 2>&1 || true
"${fls_cmd[@]}" >/dev/null 2>&1 || true

ours_times=() ours_mem=() fls_times=() fls_mem=() scan_times=() scan_mem=()
for ((round = 1; round <= rounds; round++)); do
    read -r t m < <(measure "${ours_cmd[@]}"); ours_times+=("$t"); ours_mem+=("$m")
    read -r t m < <(measure "${fls_cmd[@]}"); fls_times+=("$t"); fls_mem+=("$m")
    read -r t m < <(measure "${scan_only_cmd[@]}"); scan_times+=("$t"); scan_mem+=("$m")
    echo "round $round: tundrel ${ours_times[-1]} s ${ours_mem[-1]} KiB, fls ${fls_times[-1]} s ${fls_mem[-1]} KiB," \
         "scan only ${scan_times[-1]} s ${scan_mem[-1]} KiB"
done

ours_median=$(printf '%s\n' "${ours_times[@]}" | median)
fls_median=$(printf '%s\n' "${fls_times[@]}" | median)
ours_peak=$(printf '%s\n' "${ours_mem[@]}" | sort -n | tail -1)
fls_peak=$(printf '%s\n' "${fls_mem[@]}" | sort -n | tail -1)
scan_median=$(printf '%s\n' "${scan_times[@]}" | median)
scan_peak=$(printf '%s\n' "${scan_mem[@]}" | sort -n | tail -1)
entries=$("${ours_cmd[@]}" | wc -l)
deleted=$("${fls_cmd[@]}" | wc -l)
echo "files: $files (a fifth deleted, one folder in twenty deleted whole); tundrel JSON lines: $entries; fls -d lines: $deleted"
echo "median: tundrel $ours_median s, fls $fls_median s, ratio $(awk -v a="$ours_median" -v b="$fls_median" 'BEGIN { printf "%.2f", (b > 0) ? a / b : 0 }')"
echo "peak RSS: tundrel $ours_peak KiB, fls $fls_peak KiB"
echo "scan only: median $scan_median s, ratio to fls $(awk -v a="$scan_median" -v b="$fls_median" 'BEGIN { printf "%.2f", (b > 0) ? a / b : 0 }'), peak RSS $scan_peak KiB"
